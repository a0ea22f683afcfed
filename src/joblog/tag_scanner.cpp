// The tag scanner. It cuts a log into tags and content runs at the angle brackets and looks at
// three element names only. Brackets are found many bytes at a time: each 64-byte word of the
// log gives masks of the "<" that open tags and of the tags' first kept bytes that could begin
// a wanted name, from which only the elements that matter are looked at byte by byte.
#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "console/console.h"
#include "joblog/joblog.h"
#include "verdict/verdict.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define JOBVIGIL_X86_64
#endif

namespace {

/// One element as the scanner completes it ("enregistrement XML": XML record): its tag and the
/// content after it, each what earlier chunks left of it (kept and upper-cased already)
/// followed by a span of this chunk, as it is.
struct tEnregistrementXML {
  std::string_view CommandHead;
  std::string_view Command;  // the last tag, between "<" and ">"
  std::string_view DataHead;
  std::string_view Data;  // the content after it, up to the next "<"
  tElementKind Kind;      // which of the three wanted names the tag reads as, if any
};

const char kScanFailure[] = "jobvigil : fatal exception processing XML data";

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

// Appends the kept bytes of a run, upper-cased, until the text holds `limit` bytes. Counted
// first, so that a long run of UTF-16 text takes no more memory than it keeps.
void AppendKept(std::string& text, std::string_view run, std::size_t limit = std::string::npos) {
  const auto kept = std::count_if(run.begin(), run.end(), [](char c) { return !IsDroppedByte(c); });
  const std::size_t room = limit > text.size() ? limit - text.size() : 0;
  std::size_t at = text.size();
  text.resize(at + std::min(static_cast<std::size_t>(kept), room));
  for (const char c : run) {
    if (at == text.size()) break;
    if (!IsDroppedByte(c)) text[at++] = UpperByte(c);
  }
}

// What the element record's texts hold: `lead`, then the converted head, then the kept bytes
// of the run, upper-cased.
std::string ElementText(std::string_view lead, std::string_view head, std::string_view run) {
  std::string text;
  text.reserve(lead.size() + head.size());
  text.append(lead).append(head);
  AppendKept(text, run);
  return text;
}

tElementKind KindOfName(std::string_view command) {
  if (command == "NAME") return NameElement;
  if (command == "COMPLETESTATUS") return CompleteStatusElement;
  if (command == "ENGINE_COMPLETION_STATUS") return EngineStatusElement;
  return OtherElement;
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
  return KindOfName({name, length});
}

// The kind whose name begins with the letter, of n, c and e in either case.
tElementKind KindOfLetter(char c) {
  switch (UpperByte(c)) {
    case 'N':
      return NameElement;
    case 'C':
      return CompleteStatusElement;
    default:
      return EngineStatusElement;
  }
}

// Without the per-element lines a tag is only looked at to tell which name it reads as, and one
// kept byte more than the longest name tells that it is none of them.
std::size_t TagLimit() { return VerboseOutput ? std::string::npos : kLongestWantedTag + 1; }

// Whether the content of an element of this kind is needed when the element completes.
bool KeepsContent(tElementKind kind) { return VerboseOutput || kind != OtherElement; }

// The debug lines are only put together when they will be written: a log can hold millions of
// elements.
void HandleElement(const tEnregistrementXML& element, tFichierXML& slot) {
  if (VerboseOutput) {
    PrintVerbose(ElementText("  Processing command : ", element.CommandHead, element.Command));
    PrintVerbose(ElementText("    With data : ", element.DataHead, element.Data));
  }
  if (element.Kind == OtherElement) return;
  const std::string data = ElementText({}, element.DataHead, element.Data);
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

// --- Masks of 64 bytes at a time ---------------------------------------------------------------

constexpr std::size_t kWordBytes = 64;

// The masks are made and used a block at a time, so that they stay in the processor's cache
// whatever the size of the chunk.
constexpr std::size_t kBlockWords = 256;

// The first letters of the three wanted names, in the order of their kinds.
constexpr char kWantedLetters[3] = {'n', 'c', 'e'};

// Bit i of each mask stands for byte i of a word.
struct tByteMasks {
  std::uint64_t Open;        // "<"
  std::uint64_t Close;       // ">"
  std::uint64_t Dropped;     // 0, 10, 13, 254, 255
  std::uint64_t Letters[3];  // n, c and e, in either case
};

// What the scanner works from in one block: the "<" that open tags, and the first kept bytes of
// the tags that begin with the first letter of each wanted name.
struct tBlockMasks {
  std::uint64_t Opens[kBlockWords];
  std::uint64_t Starts[3][kBlockWords];
};

// What one word leaves to the next: whether it ends in content, whether a tag's first kept byte
// is still being looked for, and whether its last byte opened a tag.
struct tMaskCarry {
  std::uint64_t InContent = 1;
  std::uint64_t SeekingKept = 0;
  std::uint64_t OpenedLast = 0;
};

std::uint64_t AddWithCarry(std::uint64_t a, std::uint64_t b, std::uint64_t& carry) {
  const std::uint64_t sum = a + b;
  const std::uint64_t total = sum + carry;
  carry = static_cast<std::uint64_t>(sum < a) | static_cast<std::uint64_t>(total < sum);
  return total;
}

// Turns word w's byte masks into the block's masks. A "<" opens a tag when the bracket before
// it is a ">", or when there is none and the word begins in content: a carry that starts at
// every ">" and runs through every byte but "<" lands on exactly those. A second carry, started
// after each of them and run through dropped bytes, lands on each tag's first kept byte.
inline void CombineMasks(const tByteMasks& bytes, tMaskCarry& carry, tBlockMasks& masks,
                         std::size_t w) {
  const std::uint64_t opens = bytes.Open & AddWithCarry(~bytes.Open, bytes.Close, carry.InContent);
  const std::uint64_t starts = (opens << 1) | carry.OpenedLast;
  carry.OpenedLast = opens >> 63;
  const std::uint64_t kept =
      AddWithCarry(bytes.Dropped, starts, carry.SeekingKept) & ~bytes.Dropped;
  masks.Opens[w] = opens;
  for (int i = 0; i < 3; ++i) masks.Starts[i][w] = kept & bytes.Letters[i];
}

// A word without brackets changes nothing unless a tag's first kept byte is still sought.
inline bool PassesOver(const tByteMasks& bytes, const tMaskCarry& carry, tBlockMasks& masks,
                       std::size_t w) {
  if ((bytes.Open | bytes.Close | carry.SeekingKept | carry.OpenedLast) != 0) return false;
  masks.Opens[w] = masks.Starts[0][w] = masks.Starts[1][w] = masks.Starts[2][w] = 0;
  return true;
}

// Fills masks for `words` whole words, from index `at` on.
using tMaskBlock = void (*)(const unsigned char* bytes, std::size_t words, tMaskCarry& carry,
                            tBlockMasks& masks, std::size_t at);

// Byte classes for processors without the vector code below; the three letters take the bits
// from kIsLetter on, in the order of kWantedLetters.
enum : unsigned char { kIsOpen = 1, kIsClose = 2, kIsDropped = 4, kIsLetter = 8 };

struct tByteClasses {
  unsigned char Of[256];
  constexpr tByteClasses() : Of() {
    Of[static_cast<unsigned char>('<')] = kIsOpen;
    Of[static_cast<unsigned char>('>')] = kIsClose;
    for (const int b : {0, 10, 13, 254, 255}) Of[b] = kIsDropped;
    for (int i = 0; i < 3; ++i) {
      Of[static_cast<unsigned char>(kWantedLetters[i])] =
          static_cast<unsigned char>(kIsLetter << i);
      Of[static_cast<unsigned char>(kWantedLetters[i] - 0x20)] =
          static_cast<unsigned char>(kIsLetter << i);
    }
  }
};
constexpr tByteClasses kByteClasses;

void MaskBlockPlain(const unsigned char* bytes, std::size_t words, tMaskCarry& carried,
                    tBlockMasks& masks, std::size_t at) {
  tMaskCarry carry = carried;  // kept in registers: the masks written could alias it
  for (std::size_t w = 0; w < words; ++w) {
    tByteMasks word{0, 0, 0, {0, 0, 0}};
    for (std::size_t i = 0; i < kWordBytes; ++i) {
      const unsigned c = kByteClasses.Of[bytes[w * kWordBytes + i]];
      word.Open |= static_cast<std::uint64_t>(c & kIsOpen) << i;
      word.Close |= static_cast<std::uint64_t>((c & kIsClose) >> 1) << i;
      word.Dropped |= static_cast<std::uint64_t>((c & kIsDropped) >> 2) << i;
      for (int k = 0; k < 3; ++k)
        word.Letters[k] |= static_cast<std::uint64_t>((c >> (3 + k)) & 1) << i;
    }
    CombineMasks(word, carry, masks, at + w);
  }
  carried = carry;
}

#ifdef JOBVIGIL_X86_64

std::uint64_t Mask16(__m128i bytes) { return static_cast<std::uint16_t>(_mm_movemask_epi8(bytes)); }

// SSE2, which every x86-64 processor has.
void MaskBlockSse2(const unsigned char* bytes, std::size_t words, tMaskCarry& carried,
                   tBlockMasks& masks, std::size_t at) {
  tMaskCarry carry = carried;  // kept in registers: the masks written could alias it
  const __m128i open = _mm_set1_epi8('<');
  const __m128i close = _mm_set1_epi8('>');
  const __m128i lineFeed = _mm_set1_epi8(10);
  const __m128i carriageReturn = _mm_set1_epi8(13);
  const __m128i high = _mm_set1_epi8(static_cast<char>(254));
  const __m128i lowerCase = _mm_set1_epi8(0x20);
  for (std::size_t w = 0; w < words; ++w) {
    __m128i v[4];
    tByteMasks word{0, 0, 0, {0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
      v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + w * kWordBytes + 16 * i));
      word.Open |= Mask16(_mm_cmpeq_epi8(v[i], open)) << (16 * i);
      word.Close |= Mask16(_mm_cmpeq_epi8(v[i], close)) << (16 * i);
    }
    if (PassesOver(word, carry, masks, at + w)) continue;
    for (int i = 0; i < 4; ++i) {
      const __m128i dropped = _mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi8(v[i], _mm_setzero_si128()), _mm_cmpeq_epi8(v[i], lineFeed)),
          _mm_or_si128(_mm_cmpeq_epi8(v[i], carriageReturn),
                       _mm_cmpeq_epi8(_mm_max_epu8(v[i], high), v[i])));
      word.Dropped |= Mask16(dropped) << (16 * i);
      const __m128i lower = _mm_or_si128(v[i], lowerCase);
      for (int k = 0; k < 3; ++k)
        word.Letters[k] |= Mask16(_mm_cmpeq_epi8(lower, _mm_set1_epi8(kWantedLetters[k])))
                           << (16 * i);
    }
    CombineMasks(word, carry, masks, at + w);
  }
  carried = carry;
}

// A byte below 128 whose low four bits index its own value here is 0, 10 or 13; 254 and 255 are
// told by their value. Repeated for each 16-byte lane of the wider vectors.
alignas(64) constexpr signed char kLowDropped[64] = {
    0, -1, -1, -1, -1, -1, -1, -1, -1, -1, 10, -1, -1, 13, -1, -1,  //
    0, -1, -1, -1, -1, -1, -1, -1, -1, -1, 10, -1, -1, 13, -1, -1,  //
    0, -1, -1, -1, -1, -1, -1, -1, -1, -1, 10, -1, -1, 13, -1, -1,  //
    0, -1, -1, -1, -1, -1, -1, -1, -1, -1, 10, -1, -1, 13, -1, -1,  //
};

// AVX2, where the processor has it: two vectors a word.
__attribute__((target("avx2"))) std::uint64_t Mask32(__m256i lowHalf, __m256i highHalf) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(lowHalf)) |
         (static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(highHalf)))
          << 32);
}

__attribute__((target("avx2"))) __m256i DroppedBytes(__m256i v) {
  const __m256i lowDropped = _mm256_load_si256(reinterpret_cast<const __m256i*>(kLowDropped));
  const __m256i high = _mm256_set1_epi8(static_cast<char>(254));
  return _mm256_or_si256(_mm256_cmpeq_epi8(_mm256_shuffle_epi8(lowDropped, v), v),
                         _mm256_cmpeq_epi8(_mm256_max_epu8(v, high), v));
}

__attribute__((target("avx2"))) void MaskBlockAvx2(const unsigned char* bytes, std::size_t words,
                                                   tMaskCarry& carried, tBlockMasks& masks,
                                                   std::size_t at) {
  tMaskCarry carry = carried;  // kept in registers: the masks written could alias it
  const __m256i open = _mm256_set1_epi8('<');
  const __m256i close = _mm256_set1_epi8('>');
  const __m256i lowerCase = _mm256_set1_epi8(0x20);
  for (std::size_t w = 0; w < words; ++w) {
    const unsigned char* word = bytes + w * kWordBytes;
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(word));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(word + 32));
    tByteMasks found{Mask32(_mm256_cmpeq_epi8(a, open), _mm256_cmpeq_epi8(b, open)),
                     Mask32(_mm256_cmpeq_epi8(a, close), _mm256_cmpeq_epi8(b, close)),
                     0,
                     {0, 0, 0}};
    if (PassesOver(found, carry, masks, at + w)) continue;
    found.Dropped = Mask32(DroppedBytes(a), DroppedBytes(b));
    const __m256i lowerA = _mm256_or_si256(a, lowerCase);
    const __m256i lowerB = _mm256_or_si256(b, lowerCase);
    for (int k = 0; k < 3; ++k) {
      const __m256i letter = _mm256_set1_epi8(kWantedLetters[k]);
      found.Letters[k] =
          Mask32(_mm256_cmpeq_epi8(lowerA, letter), _mm256_cmpeq_epi8(lowerB, letter));
    }
    CombineMasks(found, carry, masks, at + w);
  }
  carried = carry;
}

// AVX-512BW, where the processor has it: a word is one vector, and compares give its masks.
__attribute__((target("avx512bw"))) void MaskBlockAvx512(const unsigned char* bytes,
                                                         std::size_t words, tMaskCarry& carried,
                                                         tBlockMasks& masks, std::size_t at) {
  tMaskCarry carry = carried;  // kept in registers: the masks written could alias it
  const __m512i open = _mm512_set1_epi8('<');
  const __m512i close = _mm512_set1_epi8('>');
  const __m512i lowDropped = _mm512_load_si512(kLowDropped);
  const __m512i high = _mm512_set1_epi8(static_cast<char>(254));
  const __m512i lowerCase = _mm512_set1_epi8(0x20);
  for (std::size_t w = 0; w < words; ++w) {
    const __m512i v = _mm512_loadu_si512(bytes + w * kWordBytes);
    tByteMasks found{
        _mm512_cmpeq_epi8_mask(v, open), _mm512_cmpeq_epi8_mask(v, close), 0, {0, 0, 0}};
    if (PassesOver(found, carry, masks, at + w)) continue;
    found.Dropped = _mm512_cmpeq_epi8_mask(_mm512_shuffle_epi8(lowDropped, v), v) |
                    _mm512_cmpeq_epi8_mask(_mm512_max_epu8(v, high), v);
    const __m512i lower = _mm512_or_si512(v, lowerCase);
    for (int k = 0; k < 3; ++k)
      found.Letters[k] = _mm512_cmpeq_epi8_mask(lower, _mm512_set1_epi8(kWantedLetters[k]));
    CombineMasks(found, carry, masks, at + w);
  }
  carried = carry;
}

// The code for each of tScanCode, and whether this processor runs it.
constexpr tMaskBlock kMaskBlocks[] = {MaskBlockPlain, MaskBlockSse2, MaskBlockAvx2,
                                      MaskBlockAvx512};

bool Runs(tScanCode code) {
  // Asked from a global's initializer too, which may run before the compiler's own
  // processor detection has.
  __builtin_cpu_init();
  switch (code) {
    case ScanPlain:
    case ScanSse2:
      return true;
    case ScanAvx2:
      return __builtin_cpu_supports("avx2");
    case ScanAvx512:
      return __builtin_cpu_supports("avx512bw");
  }
  return false;
}

#else

constexpr tMaskBlock kMaskBlocks[] = {MaskBlockPlain};

bool Runs(tScanCode code) { return code == ScanPlain; }

#endif

tMaskBlock BestMaskBlock() {
  tMaskBlock best = MaskBlockPlain;
  for (std::size_t code = 0; code < std::size(kMaskBlocks); ++code) {
    if (Runs(static_cast<tScanCode>(code))) best = kMaskBlocks[code];
  }
  return best;
}

tMaskBlock gMaskBlock = BestMaskBlock();

// --- One chunk -------------------------------------------------------------------------------

const char* Find(const char* from, const char* end, char c) {
  const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
  return found == nullptr ? end : static_cast<const char*>(found);
}

struct tChunk {
  tXmlScan& Scan;
  const char* End;
  // Without diagnostics each handled element only overwrites what one before it wrote, so only
  // the last of each kind in the chunk is handled, at the chunk's end, in their order.
  bool EveryElement;
  tEnregistrementXML Latest[3];
  const char* LatestAt[3];  // where each completed; null for none
};

void Complete(tChunk& chunk, const tEnregistrementXML& element, const char* at) {
  if (chunk.EveryElement) {
    HandleElement(element, chunk.Scan.Found);
  } else if (element.Kind != OtherElement) {
    chunk.Latest[element.Kind - 1] = element;
    chunk.LatestAt[element.Kind - 1] = at;
  }
}

// The element whose tag begins at `tag`, if its tag reads as `kind` (any, with OtherElement)
// and the element completes within the chunk.
bool CompleteAt(tChunk& chunk, const char* tag, tElementKind kind) {
  const char* close = Find(tag, chunk.End, '>');
  if (close == chunk.End) return false;
  const tElementKind found = KindOfTag({tag, static_cast<std::size_t>(close - tag)});
  if (kind != OtherElement && found != kind) return false;
  const char* next = Find(close + 1, chunk.End, '<');
  if (next == chunk.End) return false;
  Complete(chunk,
           {{},
            {tag, static_cast<std::size_t>(close - tag)},
            {},
            {close + 1, static_cast<std::size_t>(next - close - 1)},
            found},
           next);
  return true;
}

// The elements of one block, in their order.
void HandleBlockInOrder(tChunk& chunk, const char* base, std::size_t words,
                        const tBlockMasks& masks) {
  const bool everyTag = VerboseOutput;
  for (std::size_t w = 0; w < words; ++w) {
    const std::uint64_t starts = masks.Starts[0][w] | masks.Starts[1][w] | masks.Starts[2][w];
    for (std::uint64_t bits = everyTag ? masks.Opens[w] : starts; bits != 0; bits &= bits - 1) {
      const char* at = base + w * kWordBytes + std::countr_zero(bits);
      if (everyTag) {
        CompleteAt(chunk, at + 1, OtherElement);
      } else {
        CompleteAt(chunk, at, KindOfLetter(*at));
      }
    }
  }
}

// The last element of each kind in one block, looked for from the block's end.
void KeepLatestOfBlock(tChunk& chunk, const char* base, std::size_t words,
                       const tBlockMasks& masks) {
  for (int i = 0; i < 3; ++i) {
    // Most blocks hold no tag of most kinds, and telling that word by word is cheap.
    std::uint64_t any = 0;
    for (std::size_t w = 0; w < words; ++w) any |= masks.Starts[i][w];
    const auto kind = static_cast<tElementKind>(i + 1);
    bool found = any == 0;
    for (std::size_t w = words; w-- > 0 && !found;) {
      for (std::uint64_t bits = masks.Starts[i][w]; bits != 0 && !found;) {
        const int bit = 63 - std::countl_zero(bits);
        bits &= ~(std::uint64_t{1} << bit);
        found = CompleteAt(chunk, base + w * kWordBytes + bit, kind);
      }
    }
  }
}

// Finds and handles the elements whose tags begin after the "<" at `from`, up to the chunk's
// end; gives the last "<" that opens a tag.
const char* ScanElements(tChunk& chunk, const char* from) {
  tBlockMasks masks;
  tMaskCarry carry;
  const char* lastOpen = from;
  for (const char* block = from; block < chunk.End;) {
    const std::size_t left = static_cast<std::size_t>(chunk.End - block);
    std::size_t words = std::min(left / kWordBytes, kBlockWords);
    gMaskBlock(reinterpret_cast<const unsigned char*>(block), words, carry, masks, 0);
    if (words < kBlockWords && left % kWordBytes != 0) {
      // The chunk's last bytes, padded with bytes that are dropped and so change nothing.
      unsigned char tail[kWordBytes] = {};
      std::memcpy(tail, block + words * kWordBytes, left % kWordBytes);
      gMaskBlock(tail, 1, carry, masks, words);
      ++words;
    }
    for (std::size_t w = words; w-- > 0;) {
      if (masks.Opens[w] != 0) {
        lastOpen = block + w * kWordBytes + (63 - std::countl_zero(masks.Opens[w]));
        break;
      }
    }
    if (chunk.EveryElement) {
      HandleBlockInOrder(chunk, block, words, masks);
    } else {
      KeepLatestOfBlock(chunk, block, words, masks);
    }
    block += std::min(words * kWordBytes, left);
  }
  return lastOpen;
}

// A tag or content run still open at the end of the log is never handled, so nothing of it is
// kept for a chunk that ends the log.
void ScanChunk(tXmlScan& scan, const char* bytes, std::size_t size, bool endsLog) {
  tChunk chunk{scan, bytes + size, DebugOutput, {}, {nullptr, nullptr, nullptr}};
  const char* at = bytes;
  if (scan.InTag) {
    const char* close = Find(at, chunk.End, '>');
    if (close == chunk.End && endsLog) return;
    AppendKept(scan.Tag, {at, static_cast<std::size_t>(close - at)}, TagLimit());
    if (close == chunk.End) return;
    scan.InTag = false;
    scan.Kind = KindOfName(scan.Tag);
    scan.Content.clear();
    at = close + 1;
  }
  // In content: the first "<" completes the element of the last tag. Content after the last
  // "<" of the log is never handled.
  const char* open = Find(at, chunk.End, '<');
  if (open == chunk.End) {
    if (KeepsContent(scan.Kind) && !endsLog)
      AppendKept(scan.Content, {at, static_cast<std::size_t>(open - at)});
    return;
  }
  if (KeepsContent(scan.Kind))
    Complete(chunk,
             {scan.Tag, {}, scan.Content, {at, static_cast<std::size_t>(open - at)}, scan.Kind},
             open);

  const char* lastOpen = ScanElements(chunk, open);

  // The latest of each kind, in the order they completed.
  for (int next = 0; next >= 0;) {
    next = -1;
    for (int i = 0; i < 3; ++i) {
      if (chunk.LatestAt[i] != nullptr && (next < 0 || chunk.LatestAt[i] < chunk.LatestAt[next]))
        next = i;
    }
    if (next >= 0) {
      HandleElement(chunk.Latest[next], scan.Found);
      chunk.LatestAt[next] = nullptr;
    }
  }

  // The tag opened by the last "<", and what follows it, wait for the next chunk.
  if (endsLog) return;
  const char* tag = lastOpen + 1;
  const char* close = Find(tag, chunk.End, '>');
  scan.Tag.clear();
  AppendKept(scan.Tag, {tag, static_cast<std::size_t>(close - tag)}, TagLimit());
  scan.InTag = close == chunk.End;
  if (scan.InTag) return;
  scan.Kind = KindOfName(scan.Tag);
  scan.Content.clear();
  if (KeepsContent(scan.Kind))
    AppendKept(scan.Content, {close + 1, static_cast<std::size_t>(chunk.End - close - 1)});
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

std::string Utf16JobKey(const std::u16string& name) {
  std::string bytes;
  for (const char16_t unit : name) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  std::string key;
  AppendKept(key, bytes);
  return key;
}

bool UseScanCode(tScanCode code) {
  if (static_cast<std::size_t>(code) >= std::size(kMaskBlocks) || !Runs(code)) return false;
  gMaskBlock = kMaskBlocks[code];
  return true;
}

tXmlScan StartXmlScan(const tFichierXML& slot) {
  tXmlScan scan;
  scan.Found = slot;
  return scan;
}

void ScanXmlChunk(tXmlScan& scan, const char* bytes, std::size_t size, bool endsLog) {
  try {
    ScanChunk(scan, bytes, size, endsLog);
  } catch (...) {
    StopWith(kScanFailure, StateUnknown);
  }
}

void ScanXmlData(const char* bytes, std::size_t size, int k) {
  tFichierXML& slot = LogFiles[static_cast<std::size_t>(k - 1)];
  try {
    PrintDebug("  Processing XML data, size (bytes): " +
               NumberToText(static_cast<std::int32_t>(size)));
  } catch (...) {
    StopWith(kScanFailure, StateUnknown);
  }
  tXmlScan scan = StartXmlScan(slot);
  ScanXmlChunk(scan, bytes, size, true);
  slot = std::move(scan.Found);
}
