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

// The region of code compiled for an instruction set's target: each function defined between
// the two may use the instructions the features name.
#define JOBVIGIL_PRAGMA(text) _Pragma(#text)
#ifdef __clang__
#define JOBVIGIL_TARGET_BEGIN(features) \
  JOBVIGIL_PRAGMA(clang attribute push(__attribute__((target(features))), apply_to = function))
#define JOBVIGIL_TARGET_END JOBVIGIL_PRAGMA(clang attribute pop)
#else
#define JOBVIGIL_TARGET_BEGIN(features) \
  JOBVIGIL_PRAGMA(GCC push_options) JOBVIGIL_PRAGMA(GCC target(features))
#define JOBVIGIL_TARGET_END JOBVIGIL_PRAGMA(GCC pop_options)
#endif

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

// The number of zero bits below the lowest set one, 63 for none, for processors that may lack
// an instruction that gives 64 for none: the compiler would branch on none before each bsf,
// and a word's fourth offset or so is none as often as not in a log dense with tags.
JOBVIGIL_INLINE int TrailingZerosPortably(std::uint64_t bits) {
  return std::countr_zero(bits | std::uint64_t{1} << 63);
}

// --- The lead bytes, three ways, made from the rules -----------------------------------------

// IsLeadByte of every byte, for code that looks single bytes up.
struct tLeadBytes {
  unsigned char Of[256];
  constexpr tLeadBytes() : Of() {
    for (int b = 0; b < 256; ++b) Of[b] = IsLeadByte(static_cast<unsigned char>(b));
  }
};
constexpr tLeadBytes kLeadBytes;

// The lead bytes as byte shuffles tell them, from a byte's two halves: one table of sixteen for
// the low half and one for the high, and a byte is a lead byte where its two entries share a
// bit. The high halves of lead bytes that have the same low halves share one bit, and that bit
// is in the entry of each of those low halves. For the rules as they are:
//
//   high half   lead bytes       their low halves   bit
//   0           LF, CR           A, D               1
//   4, 6        C E N, c e n     3, 5, E            2
//   F           254, 255         E, F               4
//
//   low  entries   3: 2   5: 2   A: 1   D: 1   E: 2|4   F: 4   (the others 0)
//   high entries   0: 1   4: 2   6: 2   F: 4               (the others 0)
//   'n' = 6E       low[E] & high[6] = 2|4 & 2 = 2    a lead byte
//   'J' = 4A       low[A] & high[4] = 1 & 2   = 0    not one
//   254 = FE       low[E] & high[F] = 2|4 & 4 = 4    a lead byte
//
// Repeated for each 16-byte lane, as the shuffles look up within lanes.
struct tLeadHalves {
  alignas(64) unsigned char Low[64];
  alignas(64) unsigned char High[64];
  int Bits;  // how many bits the entries use
  constexpr tLeadHalves() : Low(), High(), Bits(0) {
    unsigned lows[16] = {};  // for each high half, bit l for each low half l of a lead byte
    for (int b = 0; b < 256; ++b) {
      if (IsLeadByte(static_cast<unsigned char>(b))) lows[b >> 4] |= 1u << (b & 15);
    }
    unsigned bitLows[16] = {};  // the low halves that each bit stands for
    for (int high = 0; high < 16; ++high) {
      if (lows[high] == 0) continue;
      int bit = 0;
      while (bit < Bits && bitLows[bit] != lows[high]) ++bit;
      if (bit == Bits) bitLows[Bits++] = lows[high];
      for (int lane = 0; lane < 64; lane += 16) {
        High[lane + high] = static_cast<unsigned char>(1u << bit);
        for (int low = 0; low < 16; ++low) {
          if ((lows[high] >> low & 1) != 0)
            Low[lane + low] = static_cast<unsigned char>(Low[lane + low] | 1u << bit);
        }
      }
    }
  }
};
constexpr tLeadHalves kLeadHalves;
// AVX2 tells a shared bit by a signed compare with zero, so bit 7 stays free.
static_assert(kLeadHalves.Bits <= 7, "the lead bytes fit the shuffles' tables");

// The lead bytes as compares, for SSE2, which has no byte shuffle: a letter that leads in both
// cases is one compare with the byte's 0x20 bit set (a-z and A-Z made alike), the lead bytes from
// some byte up to 255 one unsigned maximum, and each other lead byte one compare. For the rules
// as they are: c, e, n folded; 254 and up; 10 and 13.
struct tLeadCompares {
  unsigned char Folded[26];
  std::size_t FoldedCount;
  unsigned AtLeast;  // 256 for none
  unsigned char Single[256];
  std::size_t SingleCount;
  constexpr tLeadCompares() : Folded(), FoldedCount(0), AtLeast(256), Single(), SingleCount(0) {
    bool covered[256] = {};
    for (unsigned char letter = 'a'; letter <= 'z'; ++letter) {
      const auto upper = static_cast<unsigned char>(letter - 0x20);
      if (!kLeadBytes.Of[letter] || !kLeadBytes.Of[upper]) continue;
      Folded[FoldedCount++] = letter;
      covered[letter] = covered[upper] = true;
    }
    while (AtLeast > 1 && kLeadBytes.Of[AtLeast - 1] && !covered[AtLeast - 1]) --AtLeast;
    for (unsigned b = 0; b < AtLeast; ++b) {
      if (kLeadBytes.Of[b] && !covered[b]) Single[SingleCount++] = static_cast<unsigned char>(b);
    }
  }
};
constexpr tLeadCompares kLeadCompares;
static_assert(kLeadCompares.FoldedCount > 0, "every wanted name begins with a letter");

// How an instruction set tells lead bytes: by kLeadBytes, kLeadHalves or kLeadCompares.
enum tLeadTest { LeadByTable, LeadByHalves, LeadByCompares };

// What each instruction set's loops give the functions of brackets.h.
struct tKernels {
  std::size_t (*FindTags)(const unsigned char*, std::size_t, std::uint64_t&, std::uint16_t*);
  std::size_t (*FindWantedTags)(const unsigned char*, std::size_t, tWantedTagsCarry&,
                                std::uint16_t*);
  std::size_t (*FindLastOpen)(const unsigned char*, std::size_t);
  tByteMasks (*ClassifyWord)(const unsigned char*);
};

// --- One vocabulary for each instruction set ---------------------------------------------------
//
// Each brings, in a struct V, what brackets_loop.inc needs of it (listed there), and the loop
// is compiled for it in its own target region.

// Processors without the vector code below: "vectors" of one byte.
namespace plain {

struct V {
  using tBytes = unsigned char;
  using tTruths = bool;
  static constexpr std::size_t kVectorBytes = 1;
  static constexpr bool kSparseFirst = true;
  static constexpr tLeadTest kLeadTest = LeadByTable;
  static JOBVIGIL_INLINE tBytes Load(const unsigned char* at) { return *at; }
  static JOBVIGIL_INLINE tTruths Equal(tBytes bytes, unsigned char b) { return bytes == b; }
  static JOBVIGIL_INLINE tTruths And(tTruths a, tTruths b) { return a && b; }
  static JOBVIGIL_INLINE tTruths Or(tTruths a, tTruths b) { return a || b; }
  static JOBVIGIL_INLINE tTruths Lookup(const unsigned char* table, tBytes bytes) {
    return table[bytes] != 0;
  }
  static JOBVIGIL_INLINE std::uint64_t Bits(tTruths truths) { return truths ? 1 : 0; }
  static JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) {
    return CountBitsPortably(bits);
  }
  static JOBVIGIL_INLINE int TrailingZeros(std::uint64_t bits) {
    return TrailingZerosPortably(bits);
  }
};

#include "joblog/brackets_loop.inc"

}  // namespace plain

#ifdef JOBVIGIL_X86_64

// SSE2, which every x86-64 processor has: four vectors a word, and no byte shuffles.
namespace sse2 {

struct V {
  using tBytes = __m128i;
  using tTruths = __m128i;
  static constexpr std::size_t kVectorBytes = 16;
  static constexpr bool kSparseFirst = true;  // four vectors and no byte shuffle: a word costs much
  static constexpr tLeadTest kLeadTest = LeadByCompares;
  static JOBVIGIL_INLINE tBytes Load(const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  }
  static JOBVIGIL_INLINE tTruths Equal(tBytes bytes, unsigned char b) {
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(b)));
  }
  static JOBVIGIL_INLINE tTruths And(tTruths a, tTruths b) { return _mm_and_si128(a, b); }
  static JOBVIGIL_INLINE tTruths Or(tTruths a, tTruths b) { return _mm_or_si128(a, b); }
  static JOBVIGIL_INLINE tBytes FoldCase(tBytes bytes) {
    return _mm_or_si128(bytes, _mm_set1_epi8(0x20));
  }
  static JOBVIGIL_INLINE tTruths AtLeast(tBytes bytes, unsigned char b) {
    return _mm_cmpeq_epi8(_mm_max_epu8(bytes, _mm_set1_epi8(static_cast<char>(b))), bytes);
  }
  static JOBVIGIL_INLINE std::uint64_t Bits(tTruths truths) {
    return static_cast<std::uint16_t>(_mm_movemask_epi8(truths));
  }
  static JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) {
    return CountBitsPortably(bits);
  }
  static JOBVIGIL_INLINE int TrailingZeros(std::uint64_t bits) {
    return TrailingZerosPortably(bits);
  }
};

#include "joblog/brackets_loop.inc"

}  // namespace sse2

// AVX2, where the processor has it: two vectors a word. Every processor with AVX2 also counts
// bits and trailing zeros with instructions of their own.
JOBVIGIL_TARGET_BEGIN("avx2,bmi,popcnt")
namespace avx2 {

struct V {
  using tBytes = __m256i;
  using tTruths = __m256i;
  static constexpr std::size_t kVectorBytes = 32;
  static constexpr bool kSparseFirst = false;  // measured slower on Zen 3 with it
  static constexpr tLeadTest kLeadTest = LeadByHalves;
  static JOBVIGIL_INLINE tBytes Load(const unsigned char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  }
  static JOBVIGIL_INLINE tTruths Equal(tBytes bytes, unsigned char b) {
    return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(static_cast<char>(b)));
  }
  static JOBVIGIL_INLINE tTruths And(tTruths a, tTruths b) { return _mm256_and_si256(a, b); }
  static JOBVIGIL_INLINE tTruths Or(tTruths a, tTruths b) { return _mm256_or_si256(a, b); }
  // Where the entries of the bytes' two halves in the tables share a bit.
  static JOBVIGIL_INLINE tTruths ShareBit(tBytes bytes, const unsigned char* low,
                                          const unsigned char* high) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i shared = _mm256_and_si256(
        _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(low)),
                            _mm256_and_si256(bytes, nibble)),
        _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(high)),
                            _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble)));
    return _mm256_cmpgt_epi8(shared, _mm256_setzero_si256());
  }
  static JOBVIGIL_INLINE std::uint64_t Bits(tTruths truths) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(truths));
  }
  static JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) {
    return static_cast<std::size_t>(std::popcount(bits));
  }
  static JOBVIGIL_INLINE int TrailingZeros(std::uint64_t bits) { return std::countr_zero(bits); }
};

#include "joblog/brackets_loop.inc"

}  // namespace avx2
JOBVIGIL_TARGET_END

// AVX-512BW, where the processor has it: a word is one vector, and its truths are bit masks.
JOBVIGIL_TARGET_BEGIN("avx512bw,bmi,popcnt")
namespace avx512 {

struct V {
  using tBytes = __m512i;
  using tTruths = __mmask64;
  static constexpr std::size_t kVectorBytes = 64;
  static constexpr bool kSparseFirst = false;
  static constexpr tLeadTest kLeadTest = LeadByHalves;
  static JOBVIGIL_INLINE tBytes Load(const unsigned char* at) { return _mm512_loadu_si512(at); }
  static JOBVIGIL_INLINE tTruths Equal(tBytes bytes, unsigned char b) {
    return _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(static_cast<char>(b)));
  }
  static JOBVIGIL_INLINE tTruths And(tTruths a, tTruths b) { return a & b; }
  static JOBVIGIL_INLINE tTruths Or(tTruths a, tTruths b) { return a | b; }
  static JOBVIGIL_INLINE tTruths ShareBit(tBytes bytes, const unsigned char* low,
                                          const unsigned char* high) {
    const __m512i nibble = _mm512_set1_epi8(0x0F);
    const __m512i shared = _mm512_and_si512(
        _mm512_shuffle_epi8(_mm512_load_si512(low), _mm512_and_si512(bytes, nibble)),
        _mm512_shuffle_epi8(_mm512_load_si512(high),
                            _mm512_and_si512(_mm512_srli_epi16(bytes, 4), nibble)));
    return _mm512_test_epi8_mask(shared, shared);
  }
  static JOBVIGIL_INLINE std::uint64_t Bits(tTruths truths) { return truths; }
  static JOBVIGIL_INLINE std::size_t CountBits(std::uint64_t bits) {
    return static_cast<std::size_t>(std::popcount(bits));
  }
  static JOBVIGIL_INLINE int TrailingZeros(std::uint64_t bits) { return std::countr_zero(bits); }
};

#include "joblog/brackets_loop.inc"

}  // namespace avx512
JOBVIGIL_TARGET_END

// The instruction sets in the order of tInstructionSet, and whether this processor runs each.
constexpr const tKernels* kKernelsOf[] = {&plain::kKernels, &sse2::kKernels, &avx2::kKernels,
                                          &avx512::kKernels};

bool Runs(tInstructionSet set) {
  // Asked from a global's initializer too, which may run before the compiler's own
  // processor detection has.
  __builtin_cpu_init();
  switch (set) {
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

constexpr const tKernels* kKernelsOf[] = {&plain::kKernels};

bool Runs(tInstructionSet set) { return set == ScanPlain; }

#endif

tInstructionSet ChosenSet() {
#ifdef JOBVIGIL_SCAN_CODE
  // A benchmark's build, timing the instruction set it names.
  if (Runs(JOBVIGIL_SCAN_CODE)) return JOBVIGIL_SCAN_CODE;
#endif
  tInstructionSet best = ScanPlain;
  for (std::size_t set = 0; set < std::size(kKernelsOf); ++set) {
    if (Runs(static_cast<tInstructionSet>(set))) best = static_cast<tInstructionSet>(set);
  }
  return best;
}

const tKernels* gKernels = kKernelsOf[ChosenSet()];

}  // namespace

bool UseInstructionSet(tInstructionSet set) {
  if (static_cast<std::size_t>(set) >= std::size(kKernelsOf) || !Runs(set)) return false;
  gKernels = kKernelsOf[set];
  return true;
}

std::size_t FindTags(const unsigned char* bytes, std::size_t words, std::uint64_t& inContent,
                     std::uint16_t* tags) {
  return gKernels->FindTags(bytes, words, inContent, tags);
}

std::size_t FindWantedTags(const unsigned char* bytes, std::size_t words, tWantedTagsCarry& carry,
                           std::uint16_t* tags) {
  return gKernels->FindWantedTags(bytes, words, carry, tags);
}

std::size_t FindLastOpen(const unsigned char* bytes, std::size_t size) {
  return gKernels->FindLastOpen(bytes, size);
}

tByteMasks ClassifyWordWith(tInstructionSet set, const unsigned char* word) {
  return kKernelsOf[set]->ClassifyWord(word);
}
