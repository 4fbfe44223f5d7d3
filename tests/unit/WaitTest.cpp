// The one wait: what it looks at first, when its limit counts, and that a cancel wins.
#include "app/Wait.h"

#include <gtest/gtest.h>

#include "tests/unit/FakeSystem.h"

namespace tarnwell::testing {
namespace {

TEST(Wait, WhatIsAlreadyDoneCostsNoYield) {
  FakeSystem sys;
  Waiter waiter(sys, sys);
  EXPECT_EQ(waiter.Until([] { return true; }, 0u, 0), WaitEnd::Done);
  EXPECT_EQ(sys.yields, 0);
}

TEST(Wait, TheLimitCountsFromTheStartInStepsOfTheIdleWait) {
  FakeSystem sys;
  Waiter waiter(sys, sys);
  EXPECT_EQ(waiter.Until([] { return false; }, 1000u, 0x77), WaitEnd::TimedOut);
  EXPECT_EQ(sys.yields, 1000 / 20);
  EXPECT_EQ(sys.wakeOns.back(), NativeWaitable{0x77});
}

TEST(Wait, ACancelInTheYieldWinsOverWhatHappensInTheSameYield) {
  FakeSystem sys;
  Waiter waiter(sys, sys);
  bool done = false;
  bool cancelled = false;
  sys.onYield = [&](int pass) {
    if (pass == 3) done = cancelled = true;
  };
  EXPECT_EQ(waiter.Until([&] { return done; }, std::nullopt, 0, [&] { return cancelled; }),
            WaitEnd::Cancelled);
  EXPECT_EQ(sys.yields, 3);
}

}  // namespace
}  // namespace tarnwell::testing
