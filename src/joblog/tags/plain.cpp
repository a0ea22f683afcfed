// The plain instruction set, for processors without the others: a word's bytes are looked at one
// by one. It is also what the other sets are tested against.
#include "joblog/tags/sets.h"

namespace plain {

struct tWord {
  const unsigned char* Bytes;
};

JOBVIGIL_INLINE tWord LoadWord(const unsigned char* at) { return {at}; }

JOBVIGIL_INLINE std::uint64_t Equal(tWord word, unsigned char b) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < kWordBytes; ++i) bits |= std::uint64_t{word.Bytes[i] == b} << i;
  return bits;
}

JOBVIGIL_INLINE std::uint64_t LeadOf(tWord word, unsigned kinds) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < kWordBytes; ++i)
    bits |= std::uint64_t{(kLeadKinds.Of[word.Bytes[i]] & kinds) != 0} << i;
  return bits;
}

JOBVIGIL_INLINE std::uint64_t CandidatesOf(const unsigned char* at, unsigned kinds) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < kWordBytes; ++i) {
    const unsigned char* const byte = at + i;
    const unsigned char b = byte[0], one = byte[-1], two = byte[-2];
    const bool lead = (kLeadKinds.Of[b] & kinds) != 0;
    bits |= std::uint64_t{(one == '<' && lead) || (two == '<' && one == 0 && (lead || b == 0))}
            << i;
  }
  return bits;
}

JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) { return CountBitsPortably(bits); }
JOBVIGIL_INLINE int TrailingZeros(std::uint64_t bits) { return TrailingZerosPortably(bits); }

// A word costs a pass over its bytes for each mask.
constexpr bool kSparseFirst = true;

// Each is a pass over the bytes either way; through the masks, the sets that read words whole
// are tested against the other way.
constexpr bool kKindsInVectors = false;

// The reference reads every word as bytes.
constexpr bool kWideWords = false;
tWideWords WideWords(const unsigned char* at);  // declared for the loop, never called

#include "joblog/tags/word_loop.inc"

}  // namespace plain

constinit const tKernels kPlainKernels = plain::kKernels;
