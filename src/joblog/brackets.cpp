#include "joblog/brackets.h"

#include <bit>
#include <cstring>
#include <iterator>

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define JOBVIGIL_X86_64
#endif

namespace {

// Each instruction set's classification is inlined into its own loops: a call for each word
// would cost as much as the classification.
#define JOBVIGIL_INLINE __attribute__((always_inline)) inline

std::uint64_t AddWithCarry(std::uint64_t a, std::uint64_t b, std::uint64_t& carry) {
  std::uint64_t sum;
  const bool first = __builtin_add_overflow(a, b, &sum);
  const bool second = __builtin_add_overflow(sum, carry, &sum);
  carry = static_cast<std::uint64_t>(first || second);
  return sum;
}

// The "<" of a word that open tags. One opens a tag when the bracket before it is a ">", or when
// there is none and the word begins in content: a carry that starts at each ">" and runs
// through every byte but "<" lands on exactly those. Byte 0 is written first, the carry runs
// to the right, and it leaves the word as 1 when the word ends in content:
//
//   bytes            <  a  <  b  >  c  <  d     (the word begins in content: carry in 1)
//   Open             1  .  1  .  .  .  1  .
//   Close            .  .  .  .  1  .  .  .
//   ~Open            .  1  .  1  1  1  .  1
//   ~Open+Close+1    1  1  .  1  .  .  1  1     (carries out of the ">" and the "c" land on
//                                                the third "<"; none is left: in a tag)
//   opens            1  .  .  .  .  .  1  .     (the second "<" is inside the tag)
std::uint64_t CombineMasks(tByteMasks masks, std::uint64_t& inContent) {
  return masks.Open & AddWithCarry(~masks.Open, masks.Close, inContent);
}

// The number of bits set, for processors that may lack an instruction for it (the compiler's
// own would be a call into its runtime).
JOBVIGIL_INLINE std::size_t CountBitsPortably(std::uint64_t bits) {
  bits -= (bits >> 1) & 0x5555555555555555u;
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<std::size_t>((bits * 0x0101010101010101u) >> 56);
}

// FindTags and FindNameTags alike.
using tFindTags = std::size_t (*)(const unsigned char*, std::size_t, std::uint64_t&,
                                  std::uint16_t*);
using tClassifyWord = tByteMasks (*)(const unsigned char*);
using tNameStarts = std::uint64_t (*)(const unsigned char*);
using tFindLastOpen = std::size_t (*)(const unsigned char*, std::size_t);

// IsAfterOpenByte of every byte, to look single bytes up without a branch.
struct tAfterOpenBytes {
  unsigned char Of[256];
  constexpr tAfterOpenBytes() : Of() {
    for (int b = 0; b < 256; ++b) Of[b] = IsAfterOpenByte(static_cast<unsigned char>(b));
  }
};
constexpr tAfterOpenBytes kAfterOpenBytes;

// Processors without the vector code below: "vectors" of one byte, told by the byte table.
namespace plain {

using tBytes = unsigned char;
using tTruths = bool;
constexpr std::size_t kVectorBytes = 1;
constexpr bool kSparseFirst = true;
JOBVIGIL_INLINE tBytes Load(const unsigned char* at) { return *at; }
JOBVIGIL_INLINE tTruths Equal(tBytes bytes, unsigned char b) { return bytes == b; }
JOBVIGIL_INLINE tTruths IsAfterOpen(tBytes bytes) { return kAfterOpenBytes.Of[bytes] != 0; }
JOBVIGIL_INLINE tTruths And(tTruths a, tTruths b) { return a && b; }
JOBVIGIL_INLINE tTruths Or(tTruths a, tTruths b) { return a || b; }
JOBVIGIL_INLINE std::uint64_t Bits(tTruths truths) { return truths ? 1 : 0; }
JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) { return CountBitsPortably(bits); }

#include "joblog/brackets_loop.inc"

}  // namespace plain

#ifdef JOBVIGIL_X86_64

// SSE2, which every x86-64 processor has: four vectors a word, and no byte shuffles.
namespace sse2 {

using tBytes = __m128i;
using tTruths = __m128i;
constexpr std::size_t kVectorBytes = 16;
constexpr bool kSparseFirst = true;  // four vectors and no byte shuffle: a word costs much
JOBVIGIL_INLINE tBytes Load(const unsigned char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
JOBVIGIL_INLINE tTruths Equal(tBytes bytes, unsigned char b) {
  return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(b)));
}
JOBVIGIL_INLINE tTruths And(tTruths a, tTruths b) { return _mm_and_si128(a, b); }
JOBVIGIL_INLINE tTruths Or(tTruths a, tTruths b) { return _mm_or_si128(a, b); }
JOBVIGIL_INLINE tTruths IsAfterOpen(tBytes bytes) {
  // n, c and e in either case are one compare each once a-z and A-Z are made alike.
  const __m128i lower = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
  return Or(Or(Or(Equal(lower, 'n'), Equal(lower, 'c')), Or(Equal(lower, 'e'), Equal(bytes, 10))),
            Or(Equal(bytes, 13), _mm_cmpeq_epi8(_mm_max_epu8(bytes, _mm_set1_epi8(-2)), bytes)));
}
JOBVIGIL_INLINE std::uint64_t Bits(tTruths truths) {
  return static_cast<std::uint16_t>(_mm_movemask_epi8(truths));
}
JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) { return CountBitsPortably(bits); }

#include "joblog/brackets_loop.inc"

}  // namespace sse2

// AfterOpen as byte shuffles tell it, from a byte's two halves: a byte is in it where the
// entries of both its halves hold one same bit. Bit 1: n, c, e in either case (high half 4 or
// 6, low half 3, 5 or 14); bit 2: line ends (0, 10 or 13); bit 4: 254 and 255 (15, 14 or 15).
// Repeated for each 16-byte lane.
alignas(64) constexpr unsigned char kLowHalfClasses[64] = {
    0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 2, 0, 0, 2, 1 | 4, 4,  //
    0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 2, 0, 0, 2, 1 | 4, 4,  //
    0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 2, 0, 0, 2, 1 | 4, 4,  //
    0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 2, 0, 0, 2, 1 | 4, 4,  //
};
alignas(64) constexpr unsigned char kHighHalfClasses[64] = {
    2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 4,  //
    2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 4,  //
    2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 4,  //
    2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 4,  //
};

// AVX2, where the processor has it: two vectors a word. Every processor with AVX2 also counts
// bits and trailing zeros with instructions of their own.
#ifdef __clang__
#pragma clang attribute push(__attribute__((target("avx2,bmi,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi,popcnt")
#endif
namespace avx2 {

using tBytes = __m256i;
using tTruths = __m256i;
constexpr std::size_t kVectorBytes = 32;
constexpr bool kSparseFirst = false;  // measured slower on Zen 3 with it
JOBVIGIL_INLINE tBytes Load(const unsigned char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}
JOBVIGIL_INLINE tTruths Equal(tBytes bytes, unsigned char b) {
  return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(static_cast<char>(b)));
}
JOBVIGIL_INLINE tTruths And(tTruths a, tTruths b) { return _mm256_and_si256(a, b); }
JOBVIGIL_INLINE tTruths Or(tTruths a, tTruths b) { return _mm256_or_si256(a, b); }
JOBVIGIL_INLINE tTruths IsAfterOpen(tBytes bytes) {
  const __m256i low = _mm256_load_si256(reinterpret_cast<const __m256i*>(kLowHalfClasses));
  const __m256i high = _mm256_load_si256(reinterpret_cast<const __m256i*>(kHighHalfClasses));
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i classes = _mm256_and_si256(
      _mm256_shuffle_epi8(low, _mm256_and_si256(bytes, nibble)),
      _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble)));
  return _mm256_cmpgt_epi8(classes, _mm256_setzero_si256());
}
JOBVIGIL_INLINE std::uint64_t Bits(tTruths truths) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(truths));
}
JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) {
  return static_cast<std::size_t>(std::popcount(bits));
}

#include "joblog/brackets_loop.inc"

}  // namespace avx2
#ifdef __clang__
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

// AVX-512BW, where the processor has it: a word is one vector, and its truths are bit masks.
#ifdef __clang__
#pragma clang attribute push(__attribute__((target("avx512bw,bmi,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512bw,bmi,popcnt")
#endif
namespace avx512 {

using tBytes = __m512i;
using tTruths = __mmask64;
constexpr std::size_t kVectorBytes = 64;
constexpr bool kSparseFirst = false;
JOBVIGIL_INLINE tBytes Load(const unsigned char* at) { return _mm512_loadu_si512(at); }
JOBVIGIL_INLINE tTruths Equal(tBytes bytes, unsigned char b) {
  return _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(static_cast<char>(b)));
}
JOBVIGIL_INLINE tTruths And(tTruths a, tTruths b) { return a & b; }
JOBVIGIL_INLINE tTruths Or(tTruths a, tTruths b) { return a | b; }
JOBVIGIL_INLINE tTruths IsAfterOpen(tBytes bytes) {
  const __m512i nibble = _mm512_set1_epi8(0x0F);
  const __m512i classes = _mm512_and_si512(
      _mm512_shuffle_epi8(_mm512_load_si512(kLowHalfClasses), _mm512_and_si512(bytes, nibble)),
      _mm512_shuffle_epi8(_mm512_load_si512(kHighHalfClasses),
                          _mm512_and_si512(_mm512_srli_epi16(bytes, 4), nibble)));
  return _mm512_test_epi8_mask(classes, classes);
}
JOBVIGIL_INLINE std::uint64_t Bits(tTruths truths) { return truths; }
JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) {
  return static_cast<std::size_t>(std::popcount(bits));
}

#include "joblog/brackets_loop.inc"

}  // namespace avx512
#ifdef __clang__
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

// The code for each of tScanCode, and whether this processor runs it.
constexpr tFindTags kFindTags[] = {plain::FindTags, sse2::FindTags, avx2::FindTags,
                                   avx512::FindTags};
constexpr tFindTags kFindNameTags[] = {plain::FindNameTags, sse2::FindNameTags, avx2::FindNameTags,
                                       avx512::FindNameTags};
constexpr tClassifyWord kClassifyWord[] = {plain::ClassifyWord, sse2::ClassifyWord,
                                           avx2::ClassifyWord, avx512::ClassifyWord};
constexpr tNameStarts kNameStarts[] = {plain::NameStartsOf, sse2::NameStartsOf, avx2::NameStartsOf,
                                       avx512::NameStartsOf};
constexpr tFindLastOpen kFindLastOpen[] = {plain::FindLastOpen, sse2::FindLastOpen,
                                           avx2::FindLastOpen, avx512::FindLastOpen};

bool Runs(tScanCode code) {
  // Asked from a global's initializer too, which may run before the compiler's own
  // processor detection has.
  __builtin_cpu_init();
  switch (code) {
    case ScanPlain:
    case ScanSse2:
      return true;
    case ScanAvx2:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
             __builtin_cpu_supports("popcnt");
    case ScanAvx512:
      return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("bmi") &&
             __builtin_cpu_supports("popcnt");
  }
  return false;
}

#else

constexpr tFindTags kFindTags[] = {plain::FindTags};
constexpr tFindTags kFindNameTags[] = {plain::FindNameTags};
constexpr tClassifyWord kClassifyWord[] = {plain::ClassifyWord};
constexpr tNameStarts kNameStarts[] = {plain::NameStartsOf};
constexpr tFindLastOpen kFindLastOpen[] = {plain::FindLastOpen};

bool Runs(tScanCode code) { return code == ScanPlain; }

#endif

tScanCode ChosenCode() {
#ifdef JOBVIGIL_SCAN_CODE
  // A benchmark's build, timing the code it names.
  if (Runs(JOBVIGIL_SCAN_CODE)) return JOBVIGIL_SCAN_CODE;
#endif
  tScanCode best = ScanPlain;
  for (std::size_t code = 0; code < std::size(kFindTags); ++code) {
    if (Runs(static_cast<tScanCode>(code))) best = static_cast<tScanCode>(code);
  }
  return best;
}

tScanCode gCode = ChosenCode();

}  // namespace

bool UseScanCode(tScanCode code) {
  if (static_cast<std::size_t>(code) >= std::size(kFindTags) || !Runs(code)) return false;
  gCode = code;
  return true;
}

std::size_t FindTags(const unsigned char* bytes, std::size_t words, std::uint64_t& inContent,
                     std::uint16_t* tags) {
  return kFindTags[gCode](bytes, words, inContent, tags);
}

std::size_t FindNameTags(const unsigned char* bytes, std::size_t words, std::uint64_t& openBefore,
                         std::uint16_t* tags) {
  return kFindNameTags[gCode](bytes, words, openBefore, tags);
}

std::size_t FindLastOpen(const unsigned char* bytes, std::size_t size) {
  return kFindLastOpen[gCode](bytes, size);
}

tByteMasks ClassifyWordWith(tScanCode code, const unsigned char* word) {
  return kClassifyWord[code](word);
}

std::uint64_t NameStartsWith(tScanCode code, const unsigned char* word) {
  return kNameStarts[code](word);
}
