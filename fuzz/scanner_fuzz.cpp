// Fuzzes the tag scanner: any bytes, scanned without diagnostics and with -d or -d2, whole or
// cut into chunks at random, with each instruction set, must give the record that a plain
// byte-by-byte reading of the scanner's rules gives.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/console.h"
#include "joblog/joblog.h"
#include "joblog/status.h"

namespace {

std::string Upper(const std::string& text) {
  std::string upper;
  for (const char c : text) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return upper;
}

// The rule for the job name and the file's own wording, character by character.
std::string AfterColon(const std::string& text) {
  std::string value;
  bool colon = false;
  bool started = false;
  for (const char c : text) {
    if (c == ':') {
      colon = true;
    } else if (c == ' ' && colon) {
      started = true;
      colon = false;
    } else if (started) {
      value += c;
    }
  }
  return started ? value : text;
}

// The scanner's rules as written: one byte at a time, two modes, an element at each "<".
tFichierXML Reference(const std::uint8_t* data, std::size_t size) {
  tFichierXML slot = FreshSlot("BE1.xml", 0.0);
  std::string tag, content;
  bool inTag = false;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    if (b == 0 || b == 10 || b == 13 || b == 254 || b == 255) continue;
    if (inTag) {
      if (b == '>') {
        content.clear();
        inTag = false;
      } else {
        tag += static_cast<char>(b);
      }
      continue;
    }
    if (b != '<') {
      content += static_cast<char>(b);
      continue;
    }
    const std::string command = Upper(tag);
    const std::string value = Upper(content);
    inTag = true;
    tag.clear();
    if (command == "NAME") {
      slot.JobName = AfterColon(value);
    } else if (command == "COMPLETESTATUS") {
      slot.StatusId = TextToNumber(value);
      slot.StatusText = StatusTextOf(slot.StatusId);
    } else if (command == "ENGINE_COMPLETION_STATUS") {
      slot.StatusText = AfterColon(value);
    }
  }
  return slot;
}

// The diagnostic levels of -d and -d2, both, for the scans that follow.
void SetDiagnostics(bool debug, bool verbose) {
  DebugOutput = debug;
  VerboseOutput = verbose;
}

tFichierXML Scan(const std::uint8_t* data, std::size_t size) {
  LogFileCount = 1;
  Slot(1) = FreshSlot("BE1.xml", 0.0);
  ScanXmlData(reinterpret_cast<const char*>(data), size, 1);
  return Slot(1);
}

// The same bytes fed in chunks whose sizes are drawn from a generator seeded by the input, from
// single bytes to several of the scanner's blocks.
tFichierXML ScanInChunks(const std::uint8_t* data, std::size_t size) {
  std::uint64_t state = size;
  for (std::size_t i = 0; i < size && i < 16; ++i) state = state * 131 + data[i];
  tXmlScan scan = StartXmlScan(FreshSlot("BE1.xml", 0.0));
  for (std::size_t at = 0; at < size;) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const std::size_t limits[] = {1, 8, 100, 70000};
    const std::size_t count = std::min(size - at, 1 + (state >> 33) % limits[(state >> 20) % 4]);
    ScanXmlChunk(scan, reinterpret_cast<const char*>(data) + at, count, at + count == size);
    at += count;
  }
  return scan.Found;
}

void ExpectSame(const tFichierXML& got, const tFichierXML& expected) {
  if (got.JobName != expected.JobName || got.StatusId != expected.StatusId ||
      got.StatusText != expected.StatusText)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The per-element lines go nowhere; writing them is part of what is exercised.
  const int sink = open("/dev/null", O_WRONLY);
  dup2(sink, STDOUT_FILENO);
  InitStatusTexts();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tFichierXML expected = Reference(data, size);
  // Each input with one of the instruction sets this processor runs, or the one it had.
  UseInstructionSet(static_cast<tInstructionSet>((size + (size > 0 ? data[size - 1] : 0)) % 4));
  SetDiagnostics(false, false);
  ExpectSame(Scan(data, size), expected);
  ExpectSame(ScanInChunks(data, size), expected);
  // With -d or -d2, as the input's first byte says.
  const bool verbose = size > 0 && (data[0] & 1) != 0;
  SetDiagnostics(true, verbose);
  ExpectSame(Scan(data, size), expected);
  ExpectSame(ScanInChunks(data, size), expected);
  return 0;
}
