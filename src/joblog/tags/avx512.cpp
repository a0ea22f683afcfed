// AVX-512BW, where the processor has it: a word is one vector, its compares give its masks, and
// lead bytes are told by byte shuffles.
#include <immintrin.h>

#include "joblog/tags/sets.h"

JOBVIGIL_TARGET_BEGIN("avx512bw,bmi,popcnt")
namespace avx512 {

struct tWord {
  __m512i Bytes;
};

JOBVIGIL_INLINE tWord LoadWord(const unsigned char* at) { return {_mm512_loadu_si512(at)}; }

JOBVIGIL_INLINE std::uint64_t Equal(tWord word, unsigned char b) {
  return _mm512_cmpeq_epi8_mask(word.Bytes, _mm512_set1_epi8(static_cast<char>(b)));
}

// Where the entries of the bytes' two halves in kLeadHalves' tables share a bit of one of the
// kinds (a set, as LeadKinds gives).
JOBVIGIL_INLINE std::uint64_t LeadOf(tWord word, unsigned kinds) {
  const __m512i nibble = _mm512_set1_epi8(0x0F);
  const __m512i shared = _mm512_and_si512(
      _mm512_shuffle_epi8(_mm512_load_si512(kLeadHalves.Low), _mm512_and_si512(word.Bytes, nibble)),
      _mm512_shuffle_epi8(_mm512_load_si512(kLeadHalves.High),
                          _mm512_and_si512(_mm512_srli_epi16(word.Bytes, 4), nibble)));
  return _mm512_test_epi8_mask(shared,
                               _mm512_set1_epi8(static_cast<char>(kLeadHalves.BitsOf(kinds))));
}

// The bytes before each are loaded one and two bytes early.
JOBVIGIL_INLINE std::uint64_t CandidatesOf(const unsigned char* at, unsigned kinds) {
  const tWord word = LoadWord(at), one = LoadWord(at - 1), two = LoadWord(at - 2);
  const std::uint64_t lead = LeadOf(word, kinds);
  return (Equal(one, '<') & lead) | (Equal(two, '<') & Equal(one, 0) & (lead | Equal(word, 0)));
}

// As AVX2 does it (avx2.cpp), the two words each one vector: packing orders the characters
// and those one before them alike, and one test with no branch before it tells both.
JOBVIGIL_INLINE tWideWords WideWords(const unsigned char* at) {
  const __m512i a = _mm512_loadu_si512(at), b = _mm512_loadu_si512(at + 64);
  // Loaded two bytes early, its bytes at odd offsets are the byte before `at` and the high
  // bytes of `a`.
  const __m512i early = _mm512_loadu_si512(at - 2);
  const __mmask32 highs = _mm512_test_epi16_mask(_mm512_or_si512(_mm512_or_si512(a, b), early),
                                                 _mm512_set1_epi16(static_cast<short>(0xFF00)));
  const __m512i chars = _mm512_packus_epi16(a, b);
  const __m512i before = _mm512_packus_epi16(early, _mm512_loadu_si512(at + 62));
  const __m512i nibble = _mm512_set1_epi8(0x0F);
  const __m512i shared = _mm512_and_si512(
      _mm512_shuffle_epi8(_mm512_load_si512(kWideLeadHalves.Low), _mm512_and_si512(chars, nibble)),
      _mm512_shuffle_epi8(_mm512_load_si512(kWideLeadHalves.High),
                          _mm512_and_si512(_mm512_srli_epi16(chars, 4), nibble)));
  const __mmask64 found =
      _mm512_test_epi8_mask(shared, shared) & _mm512_cmpeq_epi8_mask(before, _mm512_set1_epi8('<'));
  if ((found | highs) == 0) return WideWithoutCandidates;
  return highs == 0 ? WideWithCandidates : NotWide;
}

JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) {
  return static_cast<std::size_t>(std::popcount(bits));
}
JOBVIGIL_INLINE int TrailingZeros(std::uint64_t bits) { return std::countr_zero(bits); }

constexpr bool kSparseFirst = false;

// Its compares give masks, which cost little to combine.
constexpr bool kKindsInVectors = false;

constexpr bool kWideWords = true;

#include "joblog/tags/word_loop.inc"

}  // namespace avx512
JOBVIGIL_TARGET_END

constinit const tKernels kAvx512Kernels = avx512::kKernels;
