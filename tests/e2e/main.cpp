// The programs link with -municode, so the entry point is wmain; GoogleTest takes wide arguments.
#include <gtest/gtest.h>

#include "tests/support/PrintedOnly.h"

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  tarnwell::testing::PrintFailuresOnly();
  return RUN_ALL_TESTS();
}
