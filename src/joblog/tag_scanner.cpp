// The tag scanner: cuts a log into tags and content runs at the angle brackets and looks at
// three element names only.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "console/console.h"
#include "joblog/joblog.h"
#include "verdict/verdict.h"

namespace {

enum tElementKind { OtherElement, NameElement, CompleteStatusElement, EngineStatusElement };

/// One element as the scanner completes it: spans of the file's buffer, as yet unconverted.
struct tEnregistrementXML {
  std::string_view Command;  // the last tag, between "<" and ">"
  std::string_view Data;     // the content after it, up to the next "<"
  tElementKind Kind;         // which of the three wanted names the tag reads as, if any
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

char UpperByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// What the element record's texts hold of a tag or content run, after `head`: its kept bytes,
// upper-cased. Counted first and made in one piece, so that a long run of UTF-16 text takes no
// more memory than it keeps.
std::string ElementText(std::string_view run, std::string_view head = {}) {
  const auto kept = std::count_if(run.begin(), run.end(), [](char c) { return !IsDroppedByte(c); });
  std::string text(head.size() + static_cast<std::size_t>(kept), '\0');
  char* out = std::copy(head.begin(), head.end(), text.data());
  for (const char c : run) {
    if (!IsDroppedByte(c)) *out++ = UpperByte(c);
  }
  return text;
}

// Which of the three element names a tag reads as, judged in place: most tags are told apart
// by their first kept byte, and none is looked at beyond the 25th.
tElementKind KindOfTag(std::string_view tag) {
  char name[kLongestWantedTag];
  std::size_t length = 0;
  for (const char c : tag) {
    if (IsDroppedByte(c)) continue;
    if (length == kLongestWantedTag) return OtherElement;
    name[length] = UpperByte(c);
    if (length == 0 && name[0] != 'N' && name[0] != 'C' && name[0] != 'E') return OtherElement;
    ++length;
  }
  const std::string_view command(name, length);
  if (command == "NAME") return NameElement;
  if (command == "COMPLETESTATUS") return CompleteStatusElement;
  if (command == "ENGINE_COMPLETION_STATUS") return EngineStatusElement;
  return OtherElement;
}

// The debug lines are only put together when they will be written: a log can hold millions of
// elements.
void HandleElement(const tEnregistrementXML& element, tFichierXML& slot) {
  if (VerboseOutput) {
    PrintVerbose(ElementText(element.Command, "  Processing command : "));
    PrintVerbose(ElementText(element.Data, "    With data : "));
  }
  if (element.Kind == OtherElement) return;
  const std::string data = ElementText(element.Data);
  switch (element.Kind) {
    case NameElement:
      slot.JobName = ValueAfterColon(data);
      if (DebugOutput) PrintDebug("  Job name : " + slot.JobName);
      break;
    case CompleteStatusElement:
      slot.StatusId = TextToNumber(data);
      slot.StatusText = StatusTextOf(slot.StatusId);
      if (DebugOutput) PrintDebug("  Status ID : " + data + " (" + slot.StatusText + ")");
      break;
    case EngineStatusElement:
      slot.StatusText = ValueAfterColon(data);
      if (DebugOutput) PrintDebug("  Status from file : " + slot.StatusText);
      break;
    case OtherElement:
      break;
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

    // The scan walks from one angle bracket to the next; tag and content are spans of the
    // buffer, copied only for an element that is handled. Without the per-element lines only
    // three elements matter, so every other one is passed over unread.
    const bool everyElement = VerboseOutput;
    const char* const end = bytes + size;
    const char* at = bytes;
    std::string_view tagText;  // the last tag; the text before the first "<" has none
    tElementKind kind = OtherElement;
    while (at != end) {
      // In content: a "<" completes an element. Content after the last one is never handled.
      const char* open = static_cast<const char*>(std::memchr(at, '<', end - at));
      if (open == nullptr) break;
      if (everyElement || kind != OtherElement)
        HandleElement({tagText, {at, static_cast<std::size_t>(open - at)}, kind}, slot);
      at = open + 1;
      // In a tag: "<" is an ordinary character here, and a tag left open at the end is dropped.
      const char* close = static_cast<const char*>(std::memchr(at, '>', end - at));
      if (close == nullptr) break;
      tagText = {at, static_cast<std::size_t>(close - at)};
      kind = KindOfTag(tagText);
      at = close + 1;
    }
  } catch (...) {
    StopWith("jobvigil : fatal exception processing XML data", 3);
  }
}
