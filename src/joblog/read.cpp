#include <cstring>
#include <memory>

#include "app/run.h"
#include "console/console.h"
#include "joblog/joblog.h"
#include "platform/platform.h"
#include "verdict/verdict.h"

const std::string SeparatorLine(58, '-');

namespace {

/// One element as the scanner completes it: the last tag and the content after it.
struct tEnregistrementXML {
  std::string Command;  // upper-cased
  std::string Data;     // upper-cased
};

// The longest of the three element names the scanner looks for: "ENGINE_COMPLETION_STATUS".
constexpr std::size_t kLongestWantedTag = 24;

// Bytes 0, 254 and 255 are dropped so that UTF-16 little-endian text of ASCII characters, byte
// order mark included, reads like its 8-bit form; line ends are dropped so that content
// spread over several lines reads as one.
bool IsDroppedByte(char byte) {
  const unsigned char b = static_cast<unsigned char>(byte);
  return b == 0 || b == 10 || b == 13 || b == 254 || b == 255;
}

// Appends the bytes of [from, to) that are not dropped, until `text` holds `limit` bytes.
void AppendKept(std::string& text, const char* from, const char* to, std::size_t limit) {
  while (from != to && text.size() < limit) {
    const char* run = from;
    while (run != to && !IsDroppedByte(*run)) ++run;
    text.append(from, std::min(static_cast<std::size_t>(run - from), limit - text.size()));
    from = run;
    while (from != to && IsDroppedByte(*from)) ++from;
  }
}

bool IsWantedTag(const std::string& tagText) {
  if (tagText.size() > kLongestWantedTag) return false;
  const std::string command = UpperText(tagText);
  return command == "NAME" || command == "COMPLETESTATUS" || command == "ENGINE_COMPLETION_STATUS";
}

void HandleElement(const tEnregistrementXML& element, tFichierXML& slot) {
  PrintVerbose("  Processing command : " + element.Command);
  PrintVerbose("    With data : " + element.Data);
  if (element.Command == "NAME") {
    slot.JobName = ValueAfterColon(element.Data);
    PrintDebug("  Job name : " + slot.JobName);
  } else if (element.Command == "COMPLETESTATUS") {
    slot.StatusId = TextToNumber(element.Data);
    slot.StatusText = StatusTextOf(slot.StatusId);
    PrintDebug("  Status ID : " + element.Data + " (" + slot.StatusText + ")");
  } else if (element.Command == "ENGINE_COMPLETION_STATUS") {
    slot.StatusText = ValueAfterColon(element.Data);
    PrintDebug("  Status from file : " + slot.StatusText);
  }
}

}  // namespace

std::string ValueAfterColon(const std::string& text) {
  try {
    bool colonSeen = false;
    bool started = false;
    std::string value;
    for (const char c : text) {
      if (c == ':') {
        colonSeen = true;
      } else if (c == ' ' && colonSeen) {
        started = true;
        colonSeen = false;
      } else if (started) {
        value += c;
      }
    }
    return started ? value : text;
  } catch (...) {
    return std::string();
  }
}

void ScanXmlData(const char* bytes, std::size_t size, int k) {
  tFichierXML& slot = LogFiles[static_cast<std::size_t>(k - 1)];
  try {
    PrintDebug("  Processing XML data, size (bytes): " +
               NumberToText(static_cast<std::int32_t>(size)));

    // Without the per-element lines only three elements matter, so the content after any
    // other tag is passed over unread and a tag is kept no longer than the longest of them.
    const bool everyElement = VerboseOutput;
    const std::size_t tagLimit = everyElement ? std::string::npos : kLongestWantedTag + 1;

    std::string tagText;
    std::string contentText;
    bool inTag = false;
    bool wanted = everyElement;  // the text before the first "<" completes an untagged element
    const char* at = bytes;
    const char* const end = bytes + size;
    while (at != end) {
      if (inTag) {
        const char* close = static_cast<const char*>(std::memchr(at, '>', end - at));
        AppendKept(tagText, at, close ? close : end, tagLimit);
        if (close == nullptr) break;
        at = close + 1;
        inTag = false;
        contentText.clear();
        wanted = everyElement || IsWantedTag(tagText);
      } else {
        const char* open = static_cast<const char*>(std::memchr(at, '<', end - at));
        if (wanted) AppendKept(contentText, at, open ? open : end, std::string::npos);
        if (open == nullptr) break;
        at = open + 1;
        if (wanted) HandleElement({UpperText(tagText), UpperText(contentText)}, slot);
        inTag = true;
        tagText.clear();
      }
    }
  } catch (...) {
    StopWith("jobvigil : fatal exception processing XML data", 3);
  }
}

void ReadLogFiles() {
  for (int k = 1; k <= LogFileCount; ++k) {
    const tFichierXML& slot = LogFiles[static_cast<std::size_t>(k - 1)];
    PrintDebug(SeparatorLine);
    PrintDebug("Processing file : " + LogDirectory + slot.FileName);
    PrintDebug("  File date : " + DateToText(slot.FileDate));

    const tFileHandle file = OpenLogFile(OpenDirectory, slot.FileName);
    if (file == kNoFile) {
      PrintDebug("  Unable to open file. Skipped.");
      continue;
    }
    const std::int64_t size = LogFileSize(file);
    if (size <= 0) {
      PrintDebug(size == 0 ? "  Zero-length file. Skipped. " : "  Unable to open file. Skipped.");
    } else if (size > INT32_MAX) {
      PrintDebug("  File too large. Skipped.");
    } else {
      PrintDebug("  Reading file, size (bytes) :" + NumberToText(static_cast<std::int32_t>(size)));
      // Memory that cannot be had is not handled here: it ends the run as an unhandled failure.
      const auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
      if (ReadLogFile(file, buffer.get(), size) != size) {
        PrintDebug("  Error reading file");
      } else {
        ScanXmlData(buffer.get(), static_cast<std::size_t>(size), k);
      }
    }
    CloseLogFile(file);
  }
}
