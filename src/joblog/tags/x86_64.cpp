// The instruction sets of x86-64 processors, and which of them this one runs.
#include <iterator>

#include "joblog/tags/sets.h"

namespace {

bool Runs(tInstructionSet set) {
  // Asked from a global's initializer too, which may run before the compiler's own processor
  // detection has.
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

}  // namespace

const tKernels* KernelsOf(tInstructionSet set) {
  constexpr const tKernels* kOf[] = {&kPlainKernels, &kSse2Kernels, &kAvx2Kernels, &kAvx512Kernels};
  if (set < 0 || static_cast<std::size_t>(set) >= std::size(kOf) || !Runs(set)) return nullptr;
  return kOf[set];
}
