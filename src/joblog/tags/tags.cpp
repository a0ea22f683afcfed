// The choice of the instruction set that finds tags, and the calls into its kernels. The sets
// themselves are in this folder, one file each.
#include "joblog/tags/tags.h"

#include "joblog/tags/sets.h"

namespace {

tInstructionSet ChosenSet() {
#ifdef JOBVIGIL_SCAN_CODE
  // A benchmark's build, timing the instruction set it names.
  if (KernelsOf(JOBVIGIL_SCAN_CODE) != nullptr) return JOBVIGIL_SCAN_CODE;
#endif
  tInstructionSet best = ScanPlain;
  for (const tInstructionSet set : {ScanSse2, ScanAvx2, ScanAvx512}) {
    if (KernelsOf(set) != nullptr) best = set;
  }
  return best;
}

const tKernels* gKernels = KernelsOf(ChosenSet());

}  // namespace

bool UseInstructionSet(tInstructionSet set) {
  const tKernels* kernels = KernelsOf(set);
  if (kernels == nullptr) return false;
  gKernels = kernels;
  return true;
}

std::size_t FindTags(const unsigned char* bytes, std::size_t words, std::uint64_t& inContent,
                     std::uint16_t* tags) {
  return gKernels->FindTags(bytes, words, inContent, tags);
}

std::size_t FindWantedTags(const unsigned char* bytes, std::size_t words, tWantedTagsCarry& carry,
                           tWantedWord* found, unsigned& held) {
  return gKernels->FindWantedTags(bytes, words, carry, found, held);
}

std::size_t FindLastOpen(const unsigned char* bytes, std::size_t size) {
  return gKernels->FindLastOpen(bytes, size);
}

tByteMasks ClassifyWordWith(tInstructionSet set, const unsigned char* word) {
  return KernelsOf(set)->ClassifyWord(word);
}
