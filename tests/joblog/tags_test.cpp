#include "joblog/tags/tags.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "joblog/best_instruction_set.h"

namespace {

// Words, each with two readable bytes before it, to be classified by every instruction set.
std::vector<unsigned char> Words(std::size_t count) {
  return std::vector<unsigned char>(2 + count * kWordBytes, 'x');
}

// What FindTags and FindWantedTags find in the words of the bytes, called for 256 words at a time
// as the scanner calls them: offsets from the first word.
struct tFound {
  std::vector<std::size_t> Tags, Wanted;
};

tFound FindAll(const std::vector<unsigned char>& bytes) {
  constexpr std::size_t kCallWords = 256;
  tFound found;
  std::uint64_t inContent = 1;
  tWantedTagsCarry carry;
  std::vector<std::uint16_t> tags(TagRoom(kCallWords));
  const std::size_t words = (bytes.size() - 2) / kWordBytes;
  for (std::size_t w = 0; w < words; w += kCallWords) {
    const unsigned char* first = bytes.data() + 2 + w * kWordBytes;
    const std::size_t count = std::min(kCallWords, words - w);
    const std::size_t at = w * kWordBytes;
    for (std::size_t i = 0, n = FindTags(first, count, inContent, tags.data()); i < n; ++i)
      found.Tags.push_back(at + tags[i]);
    std::vector<tWantedWord> wanted(kCallWords);
    unsigned held = 0;
    const std::size_t holding = FindWantedTags(first, count, carry, wanted.data(), held);
    // Each as its offset and kind, the words in order, none without a candidate.
    for (std::size_t i = 0; i < holding; ++i) {
      EXPECT_TRUE(i == 0 || wanted[i].Word > wanted[i - 1].Word);
      std::uint64_t any = 0;
      for (std::size_t k = 0; k < kWantedKinds; ++k) {
        any |= wanted[i].Of[k];
        for (std::size_t b = 0; b < kWordBytes; ++b) {
          if ((wanted[i].Of[k] >> b & 1) != 0)
            found.Wanted.push_back((at + wanted[i].Word * kWordBytes + b) * kWantedKinds + k);
        }
      }
      EXPECT_NE(any, 0u);
    }
    found.Wanted.push_back(held);
  }
  return found;
}

TEST(TagFinding, EverySetFindsAsThePlainTable) {
  // All 256 byte values, in four words.
  std::vector<unsigned char> values = Words(4);
  for (int b = 0; b < 256; ++b) values[2 + b] = static_cast<unsigned char>(b);
  // Every pair of bytes after a "<" that opens a tag: sixteen to a word (dense), and one to a
  // word at each offset (sparse, from two bytes before the word's start on), which the sets may
  // read otherwise.
  std::vector<unsigned char> dense = Words(65536 / 16);
  // A word more for the last pair's bytes, which run past the end of their own word.
  std::vector<unsigned char> sparse = Words(65536 + 1);
  for (std::size_t pair = 0; pair < 65536; ++pair) {
    const unsigned char bytes[4] = {'<', static_cast<unsigned char>(pair >> 8),
                                    static_cast<unsigned char>(pair), '>'};
    std::copy(bytes, bytes + 4, dense.begin() + 2 + pair * 4);
    std::copy(bytes, bytes + 4, sparse.begin() + pair * kWordBytes + pair % kWordBytes);
  }
  // UTF-16 text of 8-bit characters, which the sets may read as such: each character after a
  // "<", at each of 64 characters of two words; then the same where the high byte of another
  // character, which moves along, is not NUL, so that the text is not all of 8-bit characters;
  // each byte after a "<" that is the high byte of the character before a call's second word,
  // where the others are of 8-bit characters; and each character after a "<" at a place of one
  // word of two, with a "<" before a character that leads nothing at the same place of the other.
  std::vector<unsigned char> wide[4];
  for (std::size_t variant = 0; variant < std::size(wide); ++variant) {
    const std::size_t pairs = variant == 1 ? 256 * 128 : variant == 3 ? 256 * 62 : 256 * 64;
    std::vector<unsigned char>& text = wide[variant] = Words(2 * pairs + 1);
    for (std::size_t at = 1; at < text.size(); at += 2) text[at] = 0;
    for (std::size_t pair = 0; pair < pairs; ++pair) {
      unsigned char* const chars = text.data() + 2 + pair * 2 * kWordBytes;
      if (variant == 1) {
        if (pair % 128 != 0) continue;
        chars[kWordBytes - 1] = '<';
        chars[kWordBytes] = static_cast<unsigned char>(pair / 128);
        continue;
      }
      if (variant == 3) {
        const std::size_t at = 2 * (pair / 256 % 31), word = pair / (256 * 31) * kWordBytes;
        chars[at] = chars[at + kWordBytes] = '<';
        chars[word + at + 2] = static_cast<unsigned char>(pair);
        continue;
      }
      const std::size_t at = 2 * (pair / 256);
      chars[at] = '<';
      chars[at + 2] = static_cast<unsigned char>(pair);
      if (variant == 2) chars[(at + 2 * 37 + pair % 2 * 2 * kWordBytes) % 256 | 1] = 0x20;
    }
  }
  const std::vector<unsigned char>* const buffers[] = {&values,  &dense,   &sparse, &wide[0],
                                                       &wide[1], &wide[2], &wide[3]};

  const tBestSetAtEnd bestSetAtEnd;
  ASSERT_TRUE(UseInstructionSet(ScanPlain));
  std::vector<tFound> plain;
  for (const std::vector<unsigned char>* words : buffers) plain.push_back(FindAll(*words));
  ASSERT_FALSE(plain[1].Wanted.empty());
  // Each of the 11 bytes that lead or are NUL, in each of the 64 places, is one candidate or more.
  ASSERT_GT(plain[3].Wanted.size(), 64 * 11u);

  int sets = 0;
  for (const tInstructionSet set : {ScanSse2, ScanAvx2, ScanAvx512}) {
    if (!UseInstructionSet(set)) continue;
    ++sets;
    for (std::size_t b = 0; b < std::size(buffers); ++b) {
      const std::vector<unsigned char>& words = *buffers[b];
      for (std::size_t at = 2; at < words.size(); at += kWordBytes) {
        const tByteMasks expected = ClassifyWordWith(ScanPlain, words.data() + at);
        const tByteMasks got = ClassifyWordWith(set, words.data() + at);
        ASSERT_EQ(got.Open, expected.Open) << "set " << set << ", word at " << at;
        ASSERT_EQ(got.Close, expected.Close) << "set " << set << ", word at " << at;
        ASSERT_EQ(got.Lead, expected.Lead) << "set " << set << ", word at " << at;
        ASSERT_EQ(got.Nul, expected.Nul) << "set " << set << ", word at " << at;
      }
      const tFound found = FindAll(words);
      ASSERT_TRUE(found.Tags == plain[b].Tags) << "set " << set << ", buffer " << b;
      ASSERT_TRUE(found.Wanted == plain[b].Wanted) << "set " << set << ", buffer " << b;
    }
  }
  EXPECT_GE(sets, 1);
}

}  // namespace
