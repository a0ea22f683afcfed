// The tag scanner. It cuts a log into tags and content runs at the angle brackets and looks at
// the wanted element names only (tags/tags.h holds the names and the finding of the "<" that
// open tags, 64 bytes at a time). Read from the top: the entry points; a chunk of a log; the three
// paths a chunk takes, one chosen when the log's scan starts; then what the paths share: telling
// a tag's kind, completing an element and handling it, and the texts they keep.
#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <string_view>

#include "console/console.h"
#include "joblog/joblog.h"
#include "joblog/status.h"
#include "joblog/tags/tags.h"
#include "text/text.h"

namespace {

/// One element as the scanner completes it ("enregistrement XML": XML record): its tag and the
/// content after it, each what earlier chunks left of it (kept already, the tag upper-cased)
/// followed by a span of this chunk, as it is.
struct tEnregistrementXML {
  std::string_view CommandHead;
  std::string_view Command;  // the last tag, between "<" and ">"
  std::string_view DataHead;
  std::string_view Data;           // the content after it, up to the next "<"
  tElementKind Kind;               // which of the wanted names the tag reads as, if any
  std::string_view NameBytesHead;  // of a name, every byte of DataHead's
};

/// One chunk of a log as the paths read it. On the path of the latest element of each kind,
/// each handled element would only overwrite what one before it wrote, so only the last of
/// each kind in the chunk is handled, at the chunk's end, in their order.
struct tChunk {
  tXmlScan& Scan;
  const char* End;
  tEnregistrementXML Latest[kWantedKinds];
  const char* LatestAt[kWantedKinds];  // where each completed; null for none
};

// A failure inside the scanner ends the run with its own line.
[[noreturn]] void StopOnScanFailure() {
  StopWith(ProgramName + " : fatal exception processing XML data", StateUnknown);
}

static_assert(EngineStatusElement == kWantedKinds, "a kind for each wanted name");

constexpr std::size_t kLongestWantedName =
    std::ranges::max(kWantedNames, {}, &std::string_view::size).size();

// Any tag at all, for CompleteAt.
constexpr unsigned kAnyTag = ~0u;

// The functions below, in the order they come: a chunk; the paths; what the paths share.
void ScanChunk(tXmlScan& scan, const char* bytes, std::size_t size, bool endsLog);
const char* ScanEveryTag(tChunk& chunk, const char* from);
const char* ScanLatestOfEachKind(tChunk& chunk, const char* from);
const char* TagOfCandidate(const char* from, const char* at);
bool OpensTag(const char* from, const char* at);
const char* LastOpen(const char* from, const char* end);
const char* ContinueTag(tXmlScan& scan, const char* from, const char* end, bool endsLog);
void KeepContent(tXmlScan& scan, const char* from, const char* end);
tElementKind KindOfName(std::string_view command);
unsigned KindsOfStart(const char* tag, const char* end);
unsigned CompleteAt(tChunk& chunk, const char* tag, unsigned kinds);
void Complete(tChunk& chunk, const tEnregistrementXML& element, const char* at);
void HandleElement(const tEnregistrementXML& element, tXmlScan& scan);
const char* Find(const char* from, const char* end, char c);
void AppendKept(std::string& text, std::string_view run, std::size_t limit = std::string::npos,
                bool upper = true);
std::string ElementText(std::string_view lead, std::string_view head, std::string_view run,
                        bool upper = true);
std::string Utf8OfUtf16Content(std::string_view head, std::string_view run);

}  // namespace

// --- Entry points ----------------------------------------------------------------------------

void ScanXmlData(const char* bytes, std::size_t size, int k) {
  tFichierXML& slot = Slot(k);
  try {
    PrintDebug("  Processing XML data, size (bytes): " +
               NumberToText(static_cast<std::int32_t>(size)));
  } catch (...) {
    StopOnScanFailure();
  }
  tXmlScan scan = StartXmlScan(slot);
  ScanXmlChunk(scan, bytes, size, true);
  slot = std::move(scan.Found);
}

tXmlScan StartXmlScan(const tFichierXML& slot) {
  tXmlScan scan;
  scan.Found = slot;
  scan.Path = VerboseOutput ? EveryTag : DebugOutput ? EveryWantedElement : LatestOfEachKind;
  return scan;
}

void ScanXmlChunk(tXmlScan& scan, const char* bytes, std::size_t size, bool endsLog) {
  try {
    ScanChunk(scan, bytes, size, endsLog);
  } catch (...) {
    StopOnScanFailure();
  }
}

std::string Utf16JobKey(const std::u16string& name) {
  // The scanner drops a log's line ends, so a name typed with one names no log; dropped here
  // as well, they would leave the name that the typed one only resembles.
  if (name.find_first_of(u"\r\n") != std::u16string::npos) return std::string();
  std::string bytes;
  for (const char16_t unit : name) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  std::string key;
  AppendKept(key, bytes);
  return key;
}

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

namespace {

// --- A chunk ---------------------------------------------------------------------------------

// A chunk first finishes what the last one left open: the tag being read, or the content of the
// last tag, which its first "<" completes. From that "<" on its path reads the rest, and what
// follows the last "<" that opens a tag waits for the next chunk. A tag or content run still
// open at the end of the log is never handled, so nothing of it is kept for a chunk that ends
// the log.
//
// Example: chunks '<name>Job: A' and 'b</name><x>' carry the tag NAME and the content
// 'Job: A' from the first to the second, whose "<" completes the element 'Job: Ab'.
void ScanChunk(tXmlScan& scan, const char* bytes, std::size_t size, bool endsLog) {
  tChunk chunk{scan, bytes + size, {}, {}};
  if (scan.LogStart.size() < 2)
    scan.LogStart.append(bytes, std::min(size, 2 - scan.LogStart.size()));
  const char* at = bytes;
  if (scan.InTag) {
    at = ContinueTag(scan, at, chunk.End, endsLog);
    if (scan.InTag) return;
  }
  const char* open = Find(at, chunk.End, '<');
  if (open == chunk.End) {
    if (!endsLog) KeepContent(scan, at, chunk.End);
    return;
  }
  if (scan.Path == EveryTag || scan.Kind != OtherElement)
    Complete(chunk,
             {scan.Tag,
              {},
              scan.Content,
              {at, static_cast<std::size_t>(open - at)},
              scan.Kind,
              scan.NameBytes},
             open);

  const char* lastOpen =
      scan.Path == LatestOfEachKind ? ScanLatestOfEachKind(chunk, open) : ScanEveryTag(chunk, open);

  if (endsLog) return;
  scan.Tag.clear();
  scan.InTag = true;
  const char* content = ContinueTag(scan, lastOpen + 1, chunk.End, false);
  if (!scan.InTag) KeepContent(scan, content, chunk.End);
}

// A chunk's tags are found and used a block at a time, so that what is found of them stays in
// the processor's cache whatever the size of the chunk.
constexpr std::size_t kBlockWords = 256;

// Has `find` (FindTags or FindWantedTags, and what the path keeps of them) look at each block of
// the chunk from the "<" at `from` on, from its word `first` on, then hands the block and its
// number of words to `use`. The chunk's last bytes, short of a word, are found in a copy padded
// with bytes that are neither brackets nor candidates, as one word more.
template <class tFind, class tUse>
void ForEachBlock(tChunk& chunk, const char* from, tFind find, tUse use) {
  for (const char* block = from; block < chunk.End;) {
    const std::size_t left = static_cast<std::size_t>(chunk.End - block);
    const std::size_t whole = std::min(left / kWordBytes, kBlockWords);
    find(reinterpret_cast<const unsigned char*>(block), whole, 0);
    std::size_t words = whole;
    if (whole < kBlockWords && left % kWordBytes != 0) {
      unsigned char tail[kWordBytes];
      std::memset(tail, 'x', sizeof tail);
      std::memcpy(tail, block + whole * kWordBytes, left % kWordBytes);
      find(tail, 1, words++);
    }
    use(block, words);
    block += whole < kBlockWords ? left : whole * kWordBytes;
  }
}

// --- Paths 1 and 2: every tag, or every wanted element, in order -----------------------------
//
// With -d2 every element's lines are written, so every tag is completed; with -d the lines of
// each wanted element, in the order the log holds them, so each tag whose first kept byte may
// begin a wanted name is looked at. Gives the last "<" that opens a tag.
const char* ScanEveryTag(tChunk& chunk, const char* from) {
  const bool everyTag = chunk.Scan.Path == EveryTag;
  std::uint64_t inContent = 1;
  const char* lastOpen = from;
  std::uint16_t tags[TagRoom(kBlockWords + 1)];
  std::size_t count = 0;
  ForEachBlock(
      chunk, from,
      [&](const unsigned char* bytes, std::size_t words, std::size_t first) {
        if (first == 0) count = 0;
        const std::size_t found = FindTags(bytes, words, inContent, tags + count);
        for (std::size_t i = count; i < count + found; ++i)
          tags[i] = static_cast<std::uint16_t>(tags[i] + first * kWordBytes);
        count += found;
      },
      [&](const char* block, std::size_t) {
        if (count > 0) lastOpen = block + tags[count - 1] - 1;
        for (std::size_t i = 0; i < count; ++i) {
          const char* tag = block + tags[i];
          if (everyTag) {
            CompleteAt(chunk, tag, kAnyTag);
          } else if (const unsigned kinds = KindsOfStart(tag, chunk.End); kinds != 0) {
            CompleteAt(chunk, tag, kinds);
          }
        }
      });
  return lastOpen;
}

// --- Path 3: the latest element of each kind, backwards --------------------------------------
//
// Without diagnostics only the verdict counts, and of each kind only the last element a log
// holds: FindWantedTags gives the words where a tag may begin a wanted name, with the bytes of
// each kind apart, and in each block each kind is looked for from the block's end until an
// element of it completes. A kind none of the block's words may begin, as a name a log never
// holds, is passed at once.

const char* ScanLatestOfEachKind(tChunk& chunk, const char* from) {
  tWantedTagsCarry carry;
  carry.Frequent = chunk.Scan.CandidatesFrequent;
  tWantedWord candidates[kBlockWords + 1];
  std::size_t count = 0;  // the block's words that hold candidates
  unsigned held = 0;      // the kinds they hold
  ForEachBlock(
      chunk, from,
      [&](const unsigned char* bytes, std::size_t words, std::size_t first) {
        if (first == 0) count = held = 0;
        unsigned kinds = 0;
        const std::size_t found = FindWantedTags(bytes, words, carry, candidates + count, kinds);
        for (std::size_t i = count; i < count + found; ++i) candidates[i].Word += first;
        count += found;
        held |= kinds;
      },
      [&](const char* block, std::size_t) {
        for (std::size_t k = 0; k < kWantedKinds; ++k) {
          const unsigned kind = 1u << k;
          if ((held & kind) == 0) continue;
          bool found = false;
          for (std::size_t i = count; i-- > 0 && !found;) {
            const char* word = block + candidates[i].Word * kWordBytes;
            for (std::uint64_t bits = candidates[i].Of[k]; bits != 0 && !found;) {
              const int last = 63 - std::countl_zero(bits);
              bits ^= std::uint64_t{1} << last;
              const char* tag = TagOfCandidate(from, word + last);
              found = tag != nullptr && (KindsOfStart(tag, chunk.End) & kind) != 0 &&
                      OpensTag(from, tag - 1) && CompleteAt(chunk, tag, kind) != 0;
            }
          }
        }
      });
  chunk.Scan.CandidatesFrequent = carry.Frequent;
  // The latest of each kind, in the order they completed.
  for (int next = 0; next >= 0;) {
    next = -1;
    for (int i = 0; i < static_cast<int>(kWantedKinds); ++i) {
      if (chunk.LatestAt[i] != nullptr && (next < 0 || chunk.LatestAt[i] < chunk.LatestAt[next]))
        next = i;
    }
    if (next >= 0) {
      chunk.LatestAt[next] = nullptr;
      HandleElement(chunk.Latest[next], chunk.Scan);
    }
  }
  return LastOpen(from, chunk.End);
}

// Where the tag that may begin a wanted name at the candidate byte `at` (FindWantedTags) begins:
// one past its "<", or null when it begins none. A "<" whose byte after is dropped is taken up
// from that byte when it is a candidate itself, and from the next only when it is NUL.
const char* TagOfCandidate(const char* from, const char* at) {
  const std::ptrdiff_t after = at - from;
  if (after >= 1 && at[-1] == '<' && IsLeadByte(static_cast<unsigned char>(*at))) return at;
  if (after >= 2 && at[-2] == '<' && at[-1] == 0) return at - 1;
  return nullptr;
}

// Whether the "<" at `at` opens a tag: it does when the bracket before it is a ">". `from` is a
// "<" that opens one. Each search stops at the first bracket, so that searches for successive
// "<" cover the bytes between them once.
bool OpensTag(const char* from, const char* at) {
  for (const char* before = at; before != from;) {
    --before;
    if (*before == '>') return true;
    if (*before == '<') return false;
  }
  return at == from;
}

// The last "<" that opens a tag from `from` (one that does) to `end`: the last "<", unless a tag
// is open before it, which the first "<" after the last ">" before it opened.
const char* LastOpen(const char* from, const char* end) {
  const char* last = from + FindLastOpen(reinterpret_cast<const unsigned char*>(from),
                                         static_cast<std::size_t>(end - from));
  const char* close = last;
  while (close != from && *close != '>') --close;
  return close == from ? from : Find(close, last + 1, '<');
}

// --- What the paths share: a tag carried between chunks --------------------------------------

// Without the per-element lines a tag is only looked at to tell which name it reads as, and one
// kept byte more than the longest name tells that it is none of them.
std::size_t TagLimit(const tXmlScan& scan) {
  return scan.Path == EveryTag ? std::string::npos : kLongestWantedName + 1;
}

// Reads on the tag the scan is in from `from`: its kept bytes up to its ">" or `end`. When the
// ">" comes, the tag closes, its kind is told and its content starts; gives where the content
// begins, or `end`. Nothing is kept of a tag that the log's end leaves open.
const char* ContinueTag(tXmlScan& scan, const char* from, const char* end, bool endsLog) {
  const char* close = Find(from, end, '>');
  if (close == end && endsLog) return end;
  AppendKept(scan.Tag, {from, static_cast<std::size_t>(close - from)}, TagLimit(scan));
  if (close == end) return end;
  scan.InTag = false;
  scan.Kind = KindOfName(scan.Tag);
  scan.Content.clear();
  scan.NameBytes.clear();
  return close + 1;
}

// Keeps the content run from `from` to `end` for the element it belongs to, as far as handling
// that element will need it: in its own case, and every byte of a name's.
void KeepContent(tXmlScan& scan, const char* from, const char* end) {
  if (scan.Path == EveryTag || scan.Kind != OtherElement)
    AppendKept(scan.Content, {from, static_cast<std::size_t>(end - from)}, std::string::npos,
               false);
  if (scan.Kind == NameElement) scan.NameBytes.append(from, end);
}

// --- What the paths share: telling a tag's kind ----------------------------------------------

bool IsDroppedByte(char byte) {
  return (kByteClasses.Of[static_cast<unsigned char>(byte)] & kIsDropped) != 0;
}

// The set (bit k - 1 for kind k) that holds the kind alone; none for OtherElement.
constexpr unsigned KindBit(tElementKind kind) {
  return kind == OtherElement ? 0 : 1u << (kind - 1);
}

tElementKind KindOfName(std::string_view command) {
  for (std::size_t k = 0; k < kWantedKinds; ++k) {
    if (command == kWantedNames[k]) return static_cast<tElementKind>(k + 1);
  }
  return OtherElement;
}

// Which of the wanted names a tag reads as, judged in place: most tags are told apart by their
// first kept byte, and none is looked at beyond one byte more than the longest name.
tElementKind KindOfTag(std::string_view tag) {
  char name[kLongestWantedName];
  std::size_t length = 0;
  for (const char c : tag) {
    if (IsDroppedByte(c)) continue;
    if (length == kLongestWantedName) return OtherElement;
    if (length == 0 && KindsBegunBy(kByteClasses.Of[static_cast<unsigned char>(c)]) == 0)
      return OtherElement;
    name[length++] = UpperAscii(c);
  }
  return KindOfName({name, length});
}

// The kinds (bit k - 1 for kind k) whose names begin with the tag's first kept byte, before
// `end`; none when it begins none of them. Tags are told apart here by the million, so the two
// usual layouts, the byte right after "<" (8-bit text) or the one after it (UTF-16), are read
// without a loop.
unsigned KindsOfStart(const char* tag, const char* end) {
  unsigned c = kIsDropped;
  if (end - tag >= 2) {
    const unsigned first = kByteClasses.Of[static_cast<unsigned char>(tag[0])];
    const unsigned second = kByteClasses.Of[static_cast<unsigned char>(tag[1])];
    c = (first & kIsDropped) != 0 ? second : first;
    tag += 2;
  }
  for (; (c & kIsDropped) != 0 && tag < end; ++tag)
    c = kByteClasses.Of[static_cast<unsigned char>(*tag)];
  return KindsBegunBy(static_cast<unsigned char>(c));
}

// --- What the paths share: completing and handling an element --------------------------------

// The element whose tag begins at `tag`, if its tag reads as one of the `kinds` (a set, or
// kAnyTag) and the element completes within the chunk. Gives the set of the kind completed;
// none when none is, or the tag reads as no wanted name.
unsigned CompleteAt(tChunk& chunk, const char* tag, unsigned kinds) {
  const char* close = Find(tag, chunk.End, '>');
  if (close == chunk.End) return 0;
  const tElementKind found = KindOfTag({tag, static_cast<std::size_t>(close - tag)});
  if (kinds != kAnyTag && (kinds & KindBit(found)) == 0) return 0;
  const char* next = Find(close + 1, chunk.End, '<');
  if (next == chunk.End) return 0;
  Complete(chunk,
           {{},
            {tag, static_cast<std::size_t>(close - tag)},
            {},
            {close + 1, static_cast<std::size_t>(next - close - 1)},
            found,
            {}},
           next);
  return KindBit(found);
}

// An element completed at `at`: handled now on the paths in order, kept as its kind's latest
// on the other.
void Complete(tChunk& chunk, const tEnregistrementXML& element, const char* at) {
  if (chunk.Scan.Path != LatestOfEachKind) {
    HandleElement(element, chunk.Scan);
  } else if (element.Kind != OtherElement) {
    chunk.Latest[element.Kind - 1] = element;
    chunk.LatestAt[element.Kind - 1] = at;
  }
}

bool LogIsUtf16(const tXmlScan& scan) { return scan.LogStart == "\xff\xfe"; }

// Fills the slot from an element of a wanted kind. The debug lines are only put together when
// they will be written: a log can hold millions of elements.
void HandleElement(const tEnregistrementXML& element, tXmlScan& scan) {
  tFichierXML& slot = scan.Found;
  if (scan.Path == EveryTag) {
    PrintVerbose(ElementText("  Processing command : ", element.CommandHead, element.Command));
    PrintVerbose(ElementText("    With data : ", element.DataHead, element.Data));
  }
  if (element.Kind == OtherElement) return;
  const bool debug = scan.Path != LatestOfEachKind;
  const std::string data = ElementText({}, element.DataHead, element.Data);
  switch (element.Kind) {
    case NameElement:
      slot.JobName = ValueAfterColon(data);
      slot.WrittenName = ValueAfterColon(ElementText({}, element.DataHead, element.Data, false));
      slot.WrittenUtf8 =
          LogIsUtf16(scan)
              ? ValueAfterColon(Utf8OfUtf16Content(element.NameBytesHead, element.Data))
              : std::string();
      if (debug) PrintDebug("  Job name : " + slot.JobName);
      break;
    case CompleteStatusElement:
      slot.StatusId = TextToNumber(data);
      slot.StatusText = StatusTextOf(slot.StatusId);
      if (debug) PrintDebug("  Status ID : " + data + " (" + slot.StatusText + ")");
      break;
    case EngineStatusElement:
      slot.StatusText = ValueAfterColon(data);
      if (debug) PrintDebug("  Status from file : " + slot.StatusText);
      break;
    case OtherElement:
      break;
  }
}

// --- What the paths share: the texts they keep -----------------------------------------------

const char* Find(const char* from, const char* end, char c) {
  const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
  return found == nullptr ? end : static_cast<const char*>(found);
}

// Appends the kept bytes of a run, upper-cased unless `upper` is false, until the text holds
// `limit` bytes. Counted first, so that a long run of UTF-16 text takes no more memory than it
// keeps.
void AppendKept(std::string& text, std::string_view run, std::size_t limit, bool upper) {
  const auto kept = std::count_if(run.begin(), run.end(), [](char c) { return !IsDroppedByte(c); });
  const std::size_t room = limit > text.size() ? limit - text.size() : 0;
  std::size_t at = text.size();
  text.resize(at + std::min(static_cast<std::size_t>(kept), room));
  for (const char c : run) {
    if (at == text.size()) break;
    if (!IsDroppedByte(c)) text[at++] = upper ? UpperAscii(c) : c;
  }
}

// What the element record's texts hold: `lead`, then the converted head, then the kept bytes
// of the run, upper-cased unless `upper` is false. A content head keeps its case (a name is
// also kept as written), a tag's is upper-cased already.
std::string ElementText(std::string_view lead, std::string_view head, std::string_view run,
                        bool upper) {
  std::string text;
  text.reserve(lead.size() + head.size());
  text.append(lead);
  for (const char c : head) text += upper ? UpperAscii(c) : c;
  AppendKept(text, run, std::string::npos, upper);
  return text;
}

// The characters of a name's content in a UTF-16 little-endian log, in UTF-8, every byte of it
// given: after the ">" of its tag comes that character's second byte, then two for each of its
// own. Line ends and NULs are left out, as the kept bytes leave them out; the empty text where
// the bytes do not fall so.
std::string Utf8OfUtf16Content(std::string_view head, std::string_view run) {
  std::string bytes;
  bytes.append(head).append(run);
  if (bytes.empty() || bytes[0] != 0) return std::string();
  std::u16string characters;
  for (std::size_t i = 1; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit != u'\0' && unit != u'\n' && unit != u'\r') characters += unit;
  }
  return Utf8OfUtf16(characters);
}

}  // namespace
