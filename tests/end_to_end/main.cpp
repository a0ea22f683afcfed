#include <gtest/gtest.h>

#include "support.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  e2e::ReadTestArguments(argc, argv);
  return RUN_ALL_TESTS();
}
