// Processors other than x86-64 have the plain instruction set only.
#include "joblog/tags/sets.h"

const tKernels* KernelsOf(tInstructionSet set) {
  return set == ScanPlain ? &kPlainKernels : nullptr;
}
