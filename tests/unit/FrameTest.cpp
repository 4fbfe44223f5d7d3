// The frame the layout reckons with, shown around a real window of any frame.
#include "app/Frame.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

TEST(Frame, TheModelFrameSitsCentredAroundTheRealClientArea) {
  // A real frame 8 twips a side and 300 above: 16 more wide, 308 more high than the client.
  const double clientWidth = 3000;
  const double clientHeight = 1200;
  const Bounds model = frame::ModelOuter(1000, 2000, clientWidth + 16, clientHeight + 308,
                                         clientWidth, clientHeight);
  EXPECT_DOUBLE_EQ(model.width, clientWidth + 90);
  EXPECT_DOUBLE_EQ(model.height, clientHeight + 375);
  EXPECT_DOUBLE_EQ(model.left + model.width / 2, 1000 + (clientWidth + 16) / 2);
  EXPECT_DOUBLE_EQ(model.top + model.height / 2, 2000 + (clientHeight + 308) / 2);
}

TEST(Frame, MovingByTheModelPutsTheRealWindowWhereTheModelSaid) {
  const double realWidth = 16;
  const double realHeight = 308;
  const double left = 4321.5;
  const double top = 765;
  // Where the real outer edge goes for a model position, then read back as the model.
  const double realLeft = left - frame::RealEdgeOffset(realWidth, frame::kWidth);
  const double realTop = top - frame::RealEdgeOffset(realHeight, frame::kHeight);
  const Bounds back =
      frame::ModelOuter(realLeft, realTop, 3000 + realWidth, 1200 + realHeight, 3000, 1200);
  EXPECT_DOUBLE_EQ(back.left, left);
  EXPECT_DOUBLE_EQ(back.top, top);
}

}  // namespace
}  // namespace tarnwell
