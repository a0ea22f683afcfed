// SSE2, which every x86-64 processor has: a word is four 16-byte vectors, and there is no byte
// shuffle, so lead bytes are told by compares.
#include <immintrin.h>

#include "joblog/tags/sets.h"

namespace sse2 {

struct tWord {
  __m128i Part[4];
};

JOBVIGIL_INLINE __m128i Load(const unsigned char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

JOBVIGIL_INLINE tWord LoadWord(const unsigned char* at) {
  tWord word;
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) word.Part[i] = Load(at + 16 * i);
  return word;
}

// The word's mask from a truth (all ones or zero) for each byte of each part.
JOBVIGIL_INLINE std::uint64_t Mask(const __m128i (&truths)[4]) {
  std::uint64_t bits = 0;
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i)
    bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(truths[i]))} << (16 * i);
  return bits;
}

JOBVIGIL_INLINE __m128i Bytes(unsigned b) { return _mm_set1_epi8(static_cast<char>(b)); }

JOBVIGIL_INLINE std::uint64_t Equal(tWord word, unsigned char b) {
  __m128i truths[4];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) truths[i] = _mm_cmpeq_epi8(word.Part[i], Bytes(b));
  return Mask(truths);
}

// Where bytes may lead one of the kinds (a set, as LeadKinds gives): a letter's two cases compare
// as one with the 0x20 bit set, the bytes from AtLeast on compare by their unsigned maximum, and
// each other lead byte by itself.
JOBVIGIL_INLINE __m128i LeadTruths(__m128i bytes, unsigned kinds) {
  const __m128i folded = _mm_or_si128(bytes, Bytes(0x20));
  __m128i lead = _mm_setzero_si128();
#pragma GCC unroll 26
  for (std::size_t k = 0; k < kLeadCompares.FoldedCount; ++k) {
    if ((kLeadCompares.FoldedKinds[k] & kinds) != 0)
      lead = _mm_or_si128(lead, _mm_cmpeq_epi8(folded, Bytes(kLeadCompares.Folded[k])));
  }
#pragma GCC unroll 16
  for (std::size_t k = 0; k < kLeadCompares.SingleCount; ++k) {
    if ((kLeadCompares.SingleKinds[k] & kinds) != 0)
      lead = _mm_or_si128(lead, _mm_cmpeq_epi8(bytes, Bytes(kLeadCompares.Single[k])));
  }
  if (kLeadCompares.AtLeast < 256 && (kLeadCompares.AtLeastKinds & kinds) != 0) {
    const __m128i least = Bytes(kLeadCompares.AtLeast);
    lead = _mm_or_si128(lead, _mm_cmpeq_epi8(_mm_max_epu8(bytes, least), bytes));
  }
  return lead;
}

JOBVIGIL_INLINE std::uint64_t LeadOf(tWord word, unsigned kinds) {
  __m128i truths[4];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) truths[i] = LeadTruths(word.Part[i], kinds);
  return Mask(truths);
}

// All in vectors: the bytes before each are loaded one and two bytes early, so that a word
// costs one mask and not one for each class.
JOBVIGIL_INLINE std::uint64_t CandidatesOf(const unsigned char* at, unsigned kinds) {
  __m128i truths[4];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    const __m128i bytes = Load(at + 16 * i), one = Load(at + 16 * i - 1),
                  two = Load(at + 16 * i - 2);
    const __m128i lead = LeadTruths(bytes, kinds);
    const __m128i afterOpen = _mm_cmpeq_epi8(one, Bytes('<'));
    const __m128i afterOpenNul =
        _mm_and_si128(_mm_cmpeq_epi8(two, Bytes('<')), _mm_cmpeq_epi8(one, Bytes(0)));
    truths[i] = _mm_or_si128(
        _mm_and_si128(afterOpen, lead),
        _mm_and_si128(afterOpenNul, _mm_or_si128(lead, _mm_cmpeq_epi8(bytes, Bytes(0)))));
  }
  return Mask(truths);
}

// Processors with no more than SSE2 may lack the instructions that count bits.
JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) { return CountBitsPortably(bits); }
JOBVIGIL_INLINE int TrailingZeros(std::uint64_t bits) { return TrailingZerosPortably(bits); }

// Four vectors and no byte shuffle: a whole word costs much.
constexpr bool kSparseFirst = true;

// Each kind's lead bytes are compares of their own, which its whole would repeat in
// four vectors.
constexpr bool kKindsInVectors = false;

// Measured slower on Zen 3 with it (more instructions than the words "<" by "<" cost): without a
// byte shuffle, the lead bytes' compares cost as much on packed characters as on bytes.
constexpr bool kWideWords = false;
tWideWords WideWords(const unsigned char* at);  // declared for the loop, never called

#include "joblog/tags/word_loop.inc"

}  // namespace sse2

constinit const tKernels kSse2Kernels = sse2::kKernels;
