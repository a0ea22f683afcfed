// Finding where a log's tags begin, 64 bytes at a time: the classes of the bytes the scanner
// cares about, the carry that tells which "<" open tags, and the classification of a 64-byte
// word for each instruction set, the best of which this processor runs is chosen once
// (process-wide). Called by the tag scanner; the tests compare the instruction sets'
// classifications.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

/// The instructions that words are classified with. The scanner uses the best this processor
/// runs; the others are there to be tested against it.
enum tScanCode { ScanPlain, ScanSse2, ScanAvx2, ScanAvx512 };

/// Makes the scanner use the code; false, and nothing changed, when this processor cannot run it.
bool UseScanCode(tScanCode code);

constexpr std::size_t kWordBytes = 64;

// The classes of a byte. The three letters are the first letters of the element names the
// scanner looks for, n, c and e in either case, in the order of their element kinds.
enum : unsigned char { kIsOpen = 1, kIsClose = 2, kIsDropped = 4, kIsLetter = 8 };
constexpr char kWantedLetters[3] = {'n', 'c', 'e'};

struct tByteClasses {
  unsigned char Of[256];
  constexpr tByteClasses() : Of() {
    Of[static_cast<unsigned char>('<')] = kIsOpen;
    Of[static_cast<unsigned char>('>')] = kIsClose;
    // Bytes 0, 254 and 255 are dropped so that UTF-16 little-endian text of ASCII characters,
    // byte order mark included, reads like its 8-bit form; line ends are dropped so that
    // content spread over several lines reads as one.
    for (const int b : {0, 10, 13, 254, 255}) Of[b] = kIsDropped;
    for (int i = 0; i < 3; ++i) {
      Of[static_cast<unsigned char>(kWantedLetters[i])] =
          static_cast<unsigned char>(kIsLetter << i);
      Of[static_cast<unsigned char>(kWantedLetters[i] - 0x20)] =
          static_cast<unsigned char>(kIsLetter << i);
    }
  }
};
inline constexpr tByteClasses kByteClasses;

/// Whether a byte right after a "<" leaves the tag able to begin a wanted name: n, c or e in
/// either case, or a dropped byte other than NUL, which the search for the first kept byte
/// goes past (a NUL, as in UTF-16 text, is looked past to the byte after it).
constexpr bool IsAfterOpenByte(unsigned char b) {
  return b != 0 && (kByteClasses.Of[b] >= kIsLetter || (kByteClasses.Of[b] & kIsDropped) != 0);
}

/// What the bytes of one 64-byte word are: bit i stands for byte i. A tag can begin one of the
/// three wanted names only where the byte after its "<" is in AfterOpen, or is a NUL, as in
/// UTF-16 text, and the one after that is in AfterOpen or a NUL: its first kept byte, or a
/// dropped byte that the search for it goes past.
struct tByteMasks {
  std::uint64_t Open;       // "<"
  std::uint64_t Close;      // ">"
  std::uint64_t AfterOpen;  // n, c, e in either case, and dropped bytes other than NUL
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

/// Writes to `tags` where tags may begin one of the three wanted names, in `words` whole words:
/// the offset from `bytes` of each byte in AfterOpen one past a "<", or in AfterOpen or a NUL
/// two past one with a NUL between, in order, TagRoom(words) at most; whether the "<" opens a
/// tag is not looked at. Gives their count. `before` carries the last two bytes before `bytes`
/// (the first in bits 8 to 15), and is left as the last word's; kNothingBefore at the start.
constexpr std::uint64_t kNothingBefore = 'x' << 8 | 'x';  // neither "<" nor NUL
std::size_t FindNameTags(const unsigned char* bytes, std::size_t words, std::uint64_t& before,
                         std::uint16_t* tags);

/// The offset of the last "<" of the `size` bytes; `size` when there is none.
std::size_t FindLastOpen(const unsigned char* bytes, std::size_t size);

/// The bytes of one word as the code classifies them; the code must run on this processor.
tByteMasks ClassifyWordWith(tScanCode code, const unsigned char* word);

/// The bytes of one word where FindNameTags would find a tag beginning, as the code finds them
/// from the word and the two bytes before it; the code must run on this processor.
std::uint64_t NameStartsWith(tScanCode code, const unsigned char* word);
