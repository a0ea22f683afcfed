// How the scanner's tests that try each instruction set put the best one back.
#pragma once

#include "joblog/tags/tags.h"

/// Held by such a test: when it ends, even by a failed ASSERT, the scanner is back on the best
/// set this processor runs, as the program starts, for the tests after it.
struct tBestSetAtEnd {
  ~tBestSetAtEnd() {
    for (const tInstructionSet set : {ScanAvx512, ScanAvx2, ScanSse2, ScanPlain})
      if (UseInstructionSet(set)) return;
  }
};
