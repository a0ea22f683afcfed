// Tag finding: the tag scanner's byte rules, and the finding of where a log's tags begin, 64
// bytes at a time. This folder holds all of it: this header, the choice of instruction set
// (tags.cpp), the loop written once (word_loop.inc) and each set's vocabulary in a file of its
// own (plain.cpp, sse2.cpp, avx2.cpp, avx512.cpp), with what they share in sets.h.
// The rules are written once here: the element names the scanner looks for and the bytes it
// drops. The classes of bytes the scanner reads, and each instruction set's tables and compares,
// are made from them at compile time. The best instruction set this processor runs is chosen
// once (process-wide). Called by the tag scanner; the sets' files read its rules, and the tests
// and the scanner's fuzz target switch between the sets.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

// --- The rules -------------------------------------------------------------------------------

/// The element names the scanner looks for, as it compares them (upper-cased), in the order of
/// their kinds: kind k of tElementKind (joblog.h) is kWantedNames[k - 1].
inline constexpr std::string_view kWantedNames[] = {"NAME", "COMPLETESTATUS",
                                                    "ENGINE_COMPLETION_STATUS"};
constexpr std::size_t kWantedKinds = std::size(kWantedNames);

/// A set of wanted kinds: bit k - 1 for kind k.
constexpr unsigned kEveryWantedKind = (1u << kWantedKinds) - 1;

/// The bytes the scanner drops wherever they are. 0, 254 and 255 so that UTF-16 little-endian
/// text of ASCII characters, byte order mark included, reads like its 8-bit form; line ends so
/// that content spread over several lines reads as one.
inline constexpr unsigned char kDroppedBytes[] = {0, 10, 13, 254, 255};

static_assert(std::ranges::all_of(kWantedNames,
                                  [](std::string_view name) {
                                    return !name.empty() && name[0] >= 'A' && name[0] <= 'Z';
                                  }),
              "each wanted name begins with a letter, which a tag may write in either case");

// --- What is made of them --------------------------------------------------------------------

// The classes of a byte: bits for "<", ">" and a dropped byte, and above them the set of kinds
// whose names begin with the byte, in either case (KindsBegunBy).
enum : unsigned char { kIsOpen = 1, kIsClose = 2, kIsDropped = 4, kBeginsKinds = 8 };
static_assert((kEveryWantedKind * kBeginsKinds) <= 0xFF, "a byte's class has room for the kinds");

struct tByteClasses {
  unsigned char Of[256];
  constexpr tByteClasses() : Of() {
    Of[static_cast<unsigned char>('<')] = kIsOpen;
    Of[static_cast<unsigned char>('>')] = kIsClose;
    for (const unsigned char b : kDroppedBytes) Of[b] = kIsDropped;
    for (std::size_t k = 0; k < kWantedKinds; ++k) {
      // The names are written upper-cased, and begin with a letter.
      const auto upper = static_cast<unsigned char>(kWantedNames[k][0]);
      for (const unsigned char b : {upper, static_cast<unsigned char>(upper + ('a' - 'A'))})
        Of[b] = static_cast<unsigned char>(Of[b] | (kBeginsKinds << k));
    }
  }
};
inline constexpr tByteClasses kByteClasses;

/// The kinds (bit k - 1 for kind k) whose names begin with a byte of the class.
constexpr unsigned KindsBegunBy(unsigned char byteClass) { return byteClass / kBeginsKinds; }

/// The kinds (bit k - 1 for kind k) whose tag a byte may lead right after its "<": those whose
/// names begin with it, in either case, or every kind for a dropped byte other than NUL, which
/// the search for the first kept byte goes past (a NUL, as in UTF-16 text, is looked past to
/// the byte after it).
constexpr unsigned LeadKinds(unsigned char b) {
  if (b == 0) return 0;
  if ((kByteClasses.Of[b] & kIsDropped) != 0) return kEveryWantedKind;
  return KindsBegunBy(kByteClasses.Of[b]);
}

/// Whether a byte may lead a wanted tag's name right after its "<".
constexpr bool IsLeadByte(unsigned char b) { return LeadKinds(b) != 0; }

// --- Finding tags ----------------------------------------------------------------------------

/// The instruction sets that words are classified with. The scanner uses the best this
/// processor runs; the others are there to be tested against it.
enum tInstructionSet { ScanPlain, ScanSse2, ScanAvx2, ScanAvx512 };

/// Makes the scanner use the instruction set; false, and nothing changed, when this processor
/// cannot run it.
bool UseInstructionSet(tInstructionSet set);

constexpr std::size_t kWordBytes = 64;

/// What the bytes of one 64-byte word are: bit i stands for byte i.
struct tByteMasks {
  std::uint64_t Open;   // "<"
  std::uint64_t Close;  // ">"
  std::uint64_t Lead;   // IsLeadByte
  std::uint64_t Nul;
};

/// The most tags that `words` words can hold (a tag needs a "<" and the ">" before the next),
/// with the room FindTags needs beyond them.
constexpr std::size_t TagRoom(std::size_t words) { return words * kWordBytes / 2 + 4; }

/// Writes to `tags` where the tags of `words` whole words begin: the offset from `bytes` of the
/// byte after each "<" that opens a tag, in order, TagRoom(words) at most. Gives their count.
/// `inContent` is 1 when the bytes begin in content, and is left as the last word ends.
std::size_t FindTags(const unsigned char* bytes, std::size_t words, std::uint64_t& inContent,
                     std::uint16_t* tags);

/// What FindWantedTags carries from one call to the next: the last two bytes of the last call's
/// words (before the first call, neither "<" nor NUL), and whether candidates came often in
/// them.
struct tWantedTagsCarry {
  unsigned char Before[2] = {'x', 'x'};
  bool Frequent = false;
};

/// A word where a tag may begin a wanted name (FindWantedTags): its number from the first word
/// given, and for each wanted kind k + 1 where a tag may begin that kind's name, bit i for byte
/// i of the word.
struct tWantedWord {
  std::uint64_t Of[kWantedKinds];
  std::size_t Word;
};

/// Writes to `found`, in order, each of `words` whole words that holds a byte where a tag may
/// begin a wanted name: a byte that may lead it (LeadKinds) one past a "<", or that may lead it
/// or is NUL two past one with a NUL between; whether the "<" opens a tag is not looked at.
/// Gives how many were written, `words` at most, and sets `held` to the kinds (bit k for kind
/// k + 1) that any of them holds.
std::size_t FindWantedTags(const unsigned char* bytes, std::size_t words, tWantedTagsCarry& carry,
                           tWantedWord* found, unsigned& held);

/// The offset of the last "<" of the `size` bytes; `size` when there is none.
std::size_t FindLastOpen(const unsigned char* bytes, std::size_t size);

/// The bytes of one word as the instruction set classifies them; it must run on this processor.
tByteMasks ClassifyWordWith(tInstructionSet set, const unsigned char* word);
