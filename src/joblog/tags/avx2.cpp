// AVX2, where the processor has it: a word is two 32-byte vectors, and lead bytes are told by
// byte shuffles. Every processor with AVX2 also counts bits and trailing zeros with
// instructions of their own.
#include <immintrin.h>

#include "joblog/tags/sets.h"

JOBVIGIL_TARGET_BEGIN("avx2,bmi,popcnt")
namespace avx2 {

struct tWord {
  __m256i Low, High;
};

JOBVIGIL_INLINE __m256i Load(const unsigned char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// The same, loaded once into a register: GCC would load it again as the operand of each of its
// uses, and where a loop's loads are what bounds it that costs.
JOBVIGIL_INLINE __m256i LoadOnce(const unsigned char* at) {
  __m256i bytes = Load(at);
  __asm__("" : "+x"(bytes));
  return bytes;
}

JOBVIGIL_INLINE tWord LoadWord(const unsigned char* at) { return {Load(at), Load(at + 32)}; }

// The word's mask from a truth (all ones or zero) for each byte of its two halves.
JOBVIGIL_INLINE std::uint64_t Mask(__m256i low, __m256i high) {
  return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(low))} |
         std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32;
}

JOBVIGIL_INLINE std::uint64_t Equal(tWord word, unsigned char b) {
  const __m256i bytes = _mm256_set1_epi8(static_cast<char>(b));
  return Mask(_mm256_cmpeq_epi8(word.Low, bytes), _mm256_cmpeq_epi8(word.High, bytes));
}

// Where the entries of the bytes' two halves in kLeadHalves' tables share a bit of one of the
// kinds (a set, as LeadKinds gives).
JOBVIGIL_INLINE __m256i LeadTruths(__m256i bytes, unsigned kinds) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i shared = _mm256_and_si256(
      _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(kLeadHalves.Low)),
                          _mm256_and_si256(bytes, nibble)),
      _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(kLeadHalves.High)),
                          _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble)));
  // Every kind's bits are all the entries hold.
  const unsigned bits = kLeadHalves.BitsOf(kinds);
  if (bits == kLeadHalves.BitsOf(kEveryWantedKind))
    return _mm256_cmpgt_epi8(shared, _mm256_setzero_si256());
  const __m256i kindBits = _mm256_set1_epi8(static_cast<char>(bits));
  return _mm256_cmpgt_epi8(_mm256_and_si256(shared, kindBits), _mm256_setzero_si256());
}

JOBVIGIL_INLINE std::uint64_t LeadOf(tWord word, unsigned kinds) {
  return Mask(LeadTruths(word.Low, kinds), LeadTruths(word.High, kinds));
}

// CandidatesOf for the 32 bytes from `at`, all in vectors: the bytes before each are loaded
// one and two bytes early, so that a word costs one mask and not one for each class.
JOBVIGIL_INLINE __m256i CandidateTruths(const unsigned char* at, unsigned kinds) {
  const __m256i bytes = Load(at), one = Load(at - 1), two = Load(at - 2);
  const __m256i lead = LeadTruths(bytes, kinds);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i open = _mm256_set1_epi8('<');
  const __m256i afterOpen = _mm256_cmpeq_epi8(one, open);
  const __m256i afterOpenNul =
      _mm256_and_si256(_mm256_cmpeq_epi8(two, open), _mm256_cmpeq_epi8(one, zero));
  return _mm256_or_si256(
      _mm256_and_si256(afterOpen, lead),
      _mm256_and_si256(afterOpenNul, _mm256_or_si256(lead, _mm256_cmpeq_epi8(bytes, zero))));
}

JOBVIGIL_INLINE std::uint64_t CandidatesOf(const unsigned char* at, unsigned kinds) {
  return Mask(CandidateTruths(at, kinds), CandidateTruths(at + 32, kinds));
}

// The bytes of kWideLeadHalves' set, where the halves' entries share a bit (not all ones).
JOBVIGIL_INLINE __m256i WideLeadBits(__m256i bytes) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  return _mm256_and_si256(
      _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(kWideLeadHalves.Low)),
                          _mm256_and_si256(bytes, nibble)),
      _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(kWideLeadHalves.High)),
                          _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble)));
}

// Whether the two words from `at` are UTF-16 text of 8-bit characters (the bytes at odd offsets
// from it, and the byte before it, all NUL), and if so whether they may hold a candidate. In such
// text a candidate can only be the character after a "<", where it may lead a name or is NUL.
// The characters are packed to bytes, and so are those one character earlier: packing orders
// both alike, so that each byte of `before` is the character before the byte of `chars` at the
// same place. Both are told by one test, and no branch comes before it: with one, GCC built the
// constants again in the loop for every pair of words.
JOBVIGIL_INLINE tWideWords WideWords(const unsigned char* at) {
  const __m256i a = LoadOnce(at), b = LoadOnce(at + 32), c = LoadOnce(at + 64),
                d = LoadOnce(at + 96);
  // Loaded two bytes early, its bytes at odd offsets are the byte before `at` and the high
  // bytes of `a`.
  const __m256i early = LoadOnce(at - 2);
  const __m256i highs = _mm256_and_si256(
      _mm256_or_si256(_mm256_or_si256(_mm256_or_si256(a, b), _mm256_or_si256(c, d)), early),
      _mm256_set1_epi16(static_cast<short>(0xFF00)));
  const __m256i open = _mm256_set1_epi8('<');
  const __m256i afterFirst = _mm256_cmpeq_epi8(_mm256_packus_epi16(early, Load(at + 30)), open);
  const __m256i afterSecond =
      _mm256_cmpeq_epi8(_mm256_packus_epi16(Load(at + 62), Load(at + 94)), open);
  // One vector of characters is classified for both words: at each place the first word's
  // character where a "<" comes before it, else the second's. A place where a "<" comes before
  // both is taken as a candidate, to be read as bytes.
  const __m256i chars =
      _mm256_blendv_epi8(_mm256_packus_epi16(c, d), _mm256_packus_epi16(a, b), afterFirst);
  const __m256i found = _mm256_or_si256(
      _mm256_and_si256(WideLeadBits(chars), _mm256_or_si256(afterFirst, afterSecond)),
      _mm256_and_si256(afterFirst, afterSecond));
  const __m256i either = _mm256_or_si256(highs, found);
  if (_mm256_testz_si256(either, either)) return WideWithoutCandidates;
  return _mm256_testz_si256(highs, highs) ? WideWithCandidates : NotWide;
}

JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) {
  return static_cast<std::size_t>(std::popcount(bits));
}
JOBVIGIL_INLINE int TrailingZeros(std::uint64_t bits) { return std::countr_zero(bits); }

// Measured slower on Zen 3 with it.
constexpr bool kSparseFirst = false;

// Measured faster on Zen 3 where candidates are frequent: a kind's whole is one mask, where
// the word's are five.
constexpr bool kKindsInVectors = true;

constexpr bool kWideWords = true;

#include "joblog/tags/word_loop.inc"

}  // namespace avx2
JOBVIGIL_TARGET_END

constinit const tKernels kAvx2Kernels = avx2::kKernels;
