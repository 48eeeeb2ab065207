// The layout's 96-DPI units at the monitor's DPI; tools/art draws the art at the same sizes.

#include "widgets/scale.h"

#include <gtest/gtest.h>

namespace zr::widgets {
namespace {

TEST(Scale, SizesRoundHalfAwayFromZeroAsTheArtIsDrawn) {
    const struct {
        int value, dpi, scaled;
    } rows[] = {
        {800, 96, 800}, {800, 120, 1000}, {600, 168, 1050}, {135, 120, 169}, {30, 120, 38},
        {25, 144, 38},  {29, 168, 51},    {17, 168, 30},    {-3, 120, -4},   {12, 192, 24},
    };
    for (const auto& row : rows) EXPECT_EQ(Scaled(row.value, row.dpi), row.scaled) << row.value;
}

TEST(Scale, ArtIsTakenFromTheNearestScaleAtOrAboveTheDpi) {
    const struct {
        int dpi;
        int percent;
    } rows[] = {{72, 100},  {96, 100},  {97, 125},  {120, 125}, {144, 150},
                {150, 175}, {168, 175}, {192, 200}, {288, 200}};
    for (const auto& row : rows)
        EXPECT_EQ(kArtScales[ArtScaleIndex(row.dpi)], row.percent) << row.dpi;
}

}  // namespace
}  // namespace zr::widgets
