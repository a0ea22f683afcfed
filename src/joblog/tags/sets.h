// What the instruction sets' files share: the region of code compiled for a set's target, the
// tables made from the scanner's rules that sets tell lead bytes with, and the kernels each set
// gives. Included by the sets' files, and by tags.cpp, which chooses the set.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "joblog/tags/tags.h"

// Each set's reading of words is inlined into its own loops: a call for each word would cost as
// much as the reading.
#define JOBVIGIL_INLINE __attribute__((always_inline)) inline
// And what a loop does rarely is kept out of it, so that the loop keeps its constants in
// registers.
#define JOBVIGIL_APART __attribute__((noinline))

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

/// What each instruction set gives the functions of tags.h.
struct tKernels {
  std::size_t (*FindTags)(const unsigned char*, std::size_t, std::uint64_t&, std::uint16_t*);
  std::size_t (*FindWantedTags)(const unsigned char*, std::size_t, tWantedTagsCarry&, tWantedWord*,
                                unsigned&);
  std::size_t (*FindLastOpen)(const unsigned char*, std::size_t);
  tByteMasks (*ClassifyWord)(const unsigned char*);
};

/// The kernels of the set, or null when this processor cannot run it (or the build holds none
/// for it: sets other than the plain one are built for x86-64 only).
const tKernels* KernelsOf(tInstructionSet set);

extern const tKernels kPlainKernels, kSse2Kernels, kAvx2Kernels, kAvx512Kernels;

// --- The lead bytes, three ways, made from the rules -----------------------------------------

/// LeadKinds of every byte, for code that looks single bytes up.
struct tLeadKinds {
  unsigned char Of[256];
  constexpr tLeadKinds() : Of() {
    for (int b = 0; b < 256; ++b) Of[b] = static_cast<unsigned char>(LeadKinds(b));
  }
};
inline constexpr tLeadKinds kLeadKinds;

/// Gives the bytes of one class a bit each in byte shuffles' tables of their two halves
/// (`low`, `high`, sixteen entries repeated for each 16-byte lane), from bit `bits` on, which it
/// moves past them: the class is `lows`, for each high half the set of its bytes' low halves
/// (bit l for low half l), and the high halves with the same set share one bit, set in the entry
/// of each of those low halves. Gives the class's bits.
constexpr unsigned AddToHalves(const unsigned (&lows)[16], unsigned char (&low)[64],
                               unsigned char (&high)[64], int& bits) {
  const int first = bits;     // the class's bits are from here on
  unsigned bitLows[16] = {};  // the low halves that each bit stands for
  unsigned classBits = 0;
  for (int h = 0; h < 16; ++h) {
    if (lows[h] == 0) continue;
    int bit = first;
    while (bit < bits && bitLows[bit] != lows[h]) ++bit;
    if (bit == bits) bitLows[bits++] = lows[h];
    classBits |= 1u << bit;
    for (int lane = 0; lane < 64; lane += 16) {
      high[lane + h] = static_cast<unsigned char>(high[lane + h] | 1u << bit);
      for (int l = 0; l < 16; ++l) {
        if ((lows[h] >> l & 1) != 0)
          low[lane + l] = static_cast<unsigned char>(low[lane + l] | 1u << bit);
      }
    }
  }
  return classBits;
}

/// The lead bytes as byte shuffles tell them, from a byte's two halves: one table of sixteen
/// for the low half and one for the high, and a byte leads kind k where its two entries share a
/// bit of KindBits[k]. The lead bytes fall in classes by their LeadKinds; within a class, the
/// high halves whose lead bytes have the same low halves share one bit, and that bit is in the
/// entry of each of those low halves. For the rules as they are:
///
///   class        high half   lead bytes        their low halves   bit
///   NAME         4, 6        N, n              E                  1
///   COMPLETE…    4, 6        C, c              3                  2
///   ENGINE_…     4, 6        E, e              5                  4
///   every kind   0           LF, CR            A, D               8
///                F           254, 255          E, F               16
///
///   low  entries   3: 2   5: 4   A: 8   D: 8   E: 1|16   F: 16    (the others 0)
///   high entries   0: 8   4: 1|2|4   6: 1|2|4   F: 16             (the others 0)
///   KindBits       NAME 1|8|16   COMPLETESTATUS 2|8|16   ENGINE_COMPLETION_STATUS 4|8|16
///   'n' = 6E       low[E] & high[6] = 1|16 & 1|2|4 = 1   NAME's
///   'J' = 4A       low[A] & high[4] = 8 & 1|2|4    = 0   none
///   254 = FE       low[E] & high[F] = 1|16 & 16    = 16  every kind's
///
/// Repeated for each 16-byte lane, as the shuffles look up within lanes.
struct tLeadHalves {
  alignas(64) unsigned char Low[64];
  alignas(64) unsigned char High[64];
  unsigned char KindBits[kWantedKinds];
  int Bits;  // how many bits the entries use
  // The bits of a set of kinds.
  constexpr unsigned BitsOf(unsigned kinds) const {
    unsigned bits = 0;
    for (std::size_t k = 0; k < kWantedKinds; ++k)
      bits |= (kinds >> k & 1u) != 0 ? KindBits[k] : 0u;
    return bits;
  }
  constexpr tLeadHalves() : Low(), High(), KindBits(), Bits(0) {
    for (unsigned kinds = 1; kinds <= kEveryWantedKind; ++kinds) {
      unsigned lows[16] = {};  // for each high half, bit l for each low half l of the class
      for (int b = 0; b < 256; ++b) {
        if (LeadKinds(static_cast<unsigned char>(b)) == kinds) lows[b >> 4] |= 1u << (b & 15);
      }
      const unsigned bits = AddToHalves(lows, Low, High, Bits);
      for (std::size_t k = 0; k < kWantedKinds; ++k) {
        if ((kinds >> k & 1) != 0) KindBits[k] = static_cast<unsigned char>(KindBits[k] | bits);
      }
    }
  }
};
inline constexpr tLeadHalves kLeadHalves;
// AVX2 tells a shared bit by a signed compare with zero, so bit 7 stays free.
static_assert(kLeadHalves.Bits <= 7, "the lead bytes fit the shuffles' tables");

/// The bytes a candidate may be in UTF-16 text of 8-bit characters, the character after a "<"
/// (WideWords): a lead byte or NUL, of any kind. As byte shuffles tell them, the same way as
/// kLeadHalves: a byte is one where its two halves' entries share a bit.
struct tWideLeadHalves {
  alignas(64) unsigned char Low[64];
  alignas(64) unsigned char High[64];
  int Bits;
  constexpr tWideLeadHalves() : Low(), High(), Bits(0) {
    unsigned lows[16] = {};  // for each high half, bit l for each low half l of such a byte
    for (int b = 0; b < 256; ++b) {
      if (b == 0 || IsLeadByte(static_cast<unsigned char>(b))) lows[b >> 4] |= 1u << (b & 15);
    }
    AddToHalves(lows, Low, High, Bits);
  }
};
inline constexpr tWideLeadHalves kWideLeadHalves;
static_assert(kWideLeadHalves.Bits <= 8, "the bytes fit the shuffles' tables");

/// What WideWords tells of two words.
enum tWideWords {
  NotWide,                // not UTF-16 text of 8-bit characters, as far as it looked
  WideWithCandidates,     // such text, and it may hold candidates
  WideWithoutCandidates,  // such text, holding none
};

/// The lead bytes as compares, for SSE2, which has no byte shuffle, each with the kinds it
/// leads: a letter that leads in both cases is one compare with the byte's 0x20 bit set (a-z and
/// A-Z made alike), the lead bytes from some byte up to 255 one unsigned maximum, and each other
/// lead byte one compare. For the rules as they are: c, e, n folded; 254 and up; 10 and 13.
struct tLeadCompares {
  unsigned char Folded[26];
  unsigned char FoldedKinds[26];
  std::size_t FoldedCount;
  unsigned AtLeast;  // 256 for none
  unsigned AtLeastKinds;
  unsigned char Single[256];
  unsigned char SingleKinds[256];
  std::size_t SingleCount;
  constexpr tLeadCompares()
      : Folded(),
        FoldedKinds(),
        FoldedCount(0),
        AtLeast(256),
        AtLeastKinds(0),
        Single(),
        SingleKinds(),
        SingleCount(0) {
    bool covered[256] = {};
    for (unsigned char letter = 'a'; letter <= 'z'; ++letter) {
      const auto upper = static_cast<unsigned char>(letter - 0x20);
      const unsigned kinds = kLeadKinds.Of[letter];
      if (kinds == 0 || kLeadKinds.Of[upper] != kinds) continue;
      FoldedKinds[FoldedCount] = static_cast<unsigned char>(kinds);
      Folded[FoldedCount++] = letter;
      covered[letter] = covered[upper] = true;
    }
    const unsigned topKinds = kLeadKinds.Of[255];
    while (AtLeast > 1 && topKinds != 0 && kLeadKinds.Of[AtLeast - 1] == topKinds &&
           !covered[AtLeast - 1])
      --AtLeast;
    AtLeastKinds = topKinds;
    for (unsigned b = 0; b < AtLeast; ++b) {
      if (kLeadKinds.Of[b] == 0 || covered[b]) continue;
      SingleKinds[SingleCount] = kLeadKinds.Of[b];
      Single[SingleCount++] = static_cast<unsigned char>(b);
    }
  }
};
inline constexpr tLeadCompares kLeadCompares;
static_assert(kLeadCompares.FoldedCount > 0, "every wanted name begins with a letter");

// --- Counting bits without the instructions for it ----------------------------------------------

/// The number of bits set, for processors that may lack an instruction for it (the compiler's
/// own would be a call into its runtime).
JOBVIGIL_INLINE std::size_t CountBitsPortably(std::uint64_t bits) {
  bits -= (bits >> 1) & 0x5555555555555555u;
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<std::size_t>((bits * 0x0101010101010101u) >> 56);
}

/// The number of zero bits below the lowest set one, 63 for none, for processors that may lack
/// an instruction that gives 64 for none: the compiler would branch on none before each bsf,
/// and a word's fourth offset or so is none as often as not in a log dense with tags.
JOBVIGIL_INLINE int TrailingZerosPortably(std::uint64_t bits) {
  return std::countr_zero(bits | std::uint64_t{1} << 63);
}
