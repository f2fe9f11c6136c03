#include "core/geometry.h"
#include "core/mul_div.h"

#include <gtest/gtest.h>

using namespace velmora;

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(1, 3, 2), 2);      // 1.5 -> 2
    EXPECT_EQ(MulDiv(-1, 3, 2), -2);    // -1.5 -> -2
    EXPECT_EQ(MulDiv(5, 1, 4), 1);      // 1.25 -> 1
    EXPECT_EQ(MulDiv(788, 65536, 1600), 32276);  // 32276.48
    EXPECT_EQ(MulDiv(7, 1, -2), -4);    // -3.5 -> -4
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(MulDiv, UsesA64BitProduct) {
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
    EXPECT_EQ(MulDiv(2147483647, 65536, 65536), 2147483647);
}

TEST(Geometry, IntersectionOfDisjointRectsIsZero) {
    TRect r{1, 1, 1, 1};
    EXPECT_FALSE(IntersectRects(r, TRect{0, 0, 10, 10}, TRect{10, 0, 20, 10}));
    EXPECT_EQ(r, TRect{});
    EXPECT_TRUE(IntersectRects(r, TRect{0, 0, 10, 10}, TRect{5, -5, 20, 8}));
    EXPECT_EQ(r, (TRect{5, 0, 10, 8}));
}

TEST(Geometry, RoundRectTakesHalvesToEven) {
    EXPECT_EQ(RoundRect(TSingleRect{-10.5f, 2.5f, 8.5f, 9.5f}), (TRect{-10, 2, 8, 10}));
}
