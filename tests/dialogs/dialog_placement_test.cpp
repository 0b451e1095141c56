#include "dialogs/dialog_placement.h"

#include <gtest/gtest.h>

namespace dbt {
namespace {

TEST(CentredOrigin, CentresByHalvesThatDropTheRemainder) {
  // Owner 100..701 x 50..452: centre 400, 251. Dialog 0..563 x 0..417: halves 281, 208.
  const ScreenPoint origin = CentredOrigin({100, 50, 701, 452}, {0, 0, 563, 417});
  EXPECT_EQ(origin.x, 400 - 281);
  EXPECT_EQ(origin.y, 251 - 208);
}

TEST(CentredOrigin, IgnoresTheScreensEdges) {
  // An owner partly left of and above the screen puts the dialog there as well.
  const ScreenPoint origin = CentredOrigin({-301, -101, 99, 99}, {0, 0, 500, 400});
  EXPECT_EQ(origin.x, -301 + 200 - 250);
  EXPECT_EQ(origin.y, -101 + 100 - 200);
}

TEST(CentredOrigin, HalvesOfReversedRectanglesTruncateTowardsZero) {
  const ScreenPoint origin = CentredOrigin({10, 10, 5, 5}, {7, 7, 0, 0});
  EXPECT_EQ(origin.x, 10 + (-5 / 2) - (-7 / 2));  // 10 - 2 + 3
  EXPECT_EQ(origin.x, 11);
  EXPECT_EQ(origin.y, 11);
}

}  // namespace
}  // namespace dbt
