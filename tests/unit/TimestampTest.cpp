// The log's time stamps: ISO 8601 in UTC, every field at its width.
#include "app/Timestamp.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

TEST(Timestamp, EveryFieldIsPaddedToItsWidth) {
  EXPECT_EQ(IsoTimestamp({2026, 12, 7, 18, 49, 19, 904}), "2026-12-07T18:49:19.904Z");
  EXPECT_EQ(IsoTimestamp({601, 1, 2, 3, 4, 5, 6}), "0601-01-02T03:04:05.006Z");
  EXPECT_EQ(IsoTimestamp({30827, 12, 31, 23, 59, 59, 999}), "30827-12-31T23:59:59.999Z");
}

}  // namespace
}  // namespace tarnwell
