#include "joblog/brackets.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Words, each with two readable bytes before it, to be classified by every instruction set.
std::vector<unsigned char> Words(std::size_t count) {
  return std::vector<unsigned char>(2 + count * kWordBytes, 'x');
}

TEST(Brackets, EverySetClassifiesAsThePlainTable) {
  // All 256 byte values, in four words.
  std::vector<unsigned char> values = Words(4);
  for (int b = 0; b < 256; ++b) values[2 + b] = static_cast<unsigned char>(b);
  // Every pair of bytes after a "<": sixteen to a word (dense), and one to a word at each offset
  // (sparse, two bytes after the word's start at the most), which the sets may read otherwise.
  std::vector<unsigned char> dense = Words(65536 / 16);
  std::vector<unsigned char> sparse = Words(65536);
  for (std::size_t pair = 0; pair < 65536; ++pair) {
    const unsigned char bytes[3] = {'<', static_cast<unsigned char>(pair >> 8),
                                    static_cast<unsigned char>(pair)};
    std::copy(bytes, bytes + 3, dense.begin() + 2 + pair * 4);
    std::copy(bytes, bytes + 3, sparse.begin() + pair * kWordBytes + pair % kWordBytes);
  }

  int sets = 0;
  for (const tInstructionSet set : {ScanSse2, ScanAvx2, ScanAvx512}) {
    if (!UseInstructionSet(set)) continue;
    ++sets;
    for (const std::vector<unsigned char>* words : {&values, &dense, &sparse}) {
      for (std::size_t at = 2; at < words->size(); at += kWordBytes) {
        const unsigned char* word = words->data() + at;
        const tByteMasks plain = ClassifyWordWith(ScanPlain, word);
        const tByteMasks got = ClassifyWordWith(set, word);
        ASSERT_EQ(got.Open, plain.Open) << "set " << set << ", word at " << at;
        ASSERT_EQ(got.Close, plain.Close) << "set " << set << ", word at " << at;
        ASSERT_EQ(got.Lead, plain.Lead) << "set " << set << ", word at " << at;
        ASSERT_EQ(got.Nul, plain.Nul) << "set " << set << ", word at " << at;
        ASSERT_EQ(WantedTagsOfWordWith(set, word), WantedTagsOfWordWith(ScanPlain, word))
            << "set " << set << ", word at " << at;
      }
    }
  }
  EXPECT_GE(sets, 1);
  // Back to the best instruction set this processor runs, for the tests after this one.
  for (const tInstructionSet set : {ScanAvx512, ScanAvx2, ScanSse2}) {
    if (UseInstructionSet(set)) break;
  }
}

}  // namespace
