// Values put into texts: in order, as they are, whatever they hold.
#include "app/Fill.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

TEST(Fill, ValuesGoWhereTheirNumbersStandAndAsTheyAre) {
  EXPECT_EQ(Fill("Copied %1 to %2", {"a", "b"}), "Copied a to b");
  EXPECT_EQ(Fill("%2%1%2", {"x", "y"}), "yxy");
  // A path that holds marks of its own is not read for them.
  EXPECT_EQ(Fill("at %1: %2", {"C:\\100%2\\%1", "end"}), "at C:\\100%2\\%1: end");
  // Marks without a value stand for nothing; a lone % and %0 are text.
  EXPECT_EQ(Fill("[%3] 50% %0 %", {"a"}), "[] 50% %0 %");
  EXPECT_EQ(Fill(""), "");
}

}  // namespace
}  // namespace tarnwell
