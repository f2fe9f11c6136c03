// The stage's scale for a table of screens: sizes in Qt's pixels at the device pixel ratio the
// desktop asks for, and the scale forced on the command line.
#include <gtest/gtest.h>

#include "app/stage_scale.h"

namespace velmora {
namespace {

TEST(StageScale, ChosenForScreensAndRatios) {
    struct Row {
        int Width, Height;
        qreal Ratio;
        int Forced, Scale;
    };
    const Row rows[] = {
        {1024, 768, 1, 0, 1},     {1280, 1024, 1, 0, 1},   {2047, 1536, 1, 0, 1},  // one pixel short
        {2048, 1535, 1, 0, 1},    {2048, 1536, 1, 0, 2},   {2560, 1440, 1, 0, 1},  // 1440 < 2 x 768
        {2560, 1600, 1, 0, 2},    {3840, 2160, 1, 0, 2},   {5120, 2880, 1, 0, 3},
        {7680, 4320, 1, 0, 5},    {30720, 17280, 1, 0, 8},  // at most 8
        // The desktop's ratio is part of the scale: 1920 x 1080 at 2 is 3840 x 2160 device pixels.
        {1920, 1080, 2, 0, 2},    {1280, 800, 2, 0, 2},    {2560, 1440, 1.5, 0, 2},
        {1280, 720, 1.5, 0, 1},   {800, 600, 0, 0, 1},     // no ratio reported: as 1
        {800, 600, 1, 1, 1},      {800, 600, 1, 3, 3},     {3840, 2160, 1, 1, 1},  // --scale wins
        {3840, 2160, 1, 9, 2},    // out of range: the screen decides
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.Width << "x" << row.Height << " @" << row.Ratio << " forced " << row.Forced);
        EXPECT_EQ(StageScale(QSize(row.Width, row.Height), row.Ratio, row.Forced), row.Scale);
    }
}

}  // namespace
}  // namespace velmora
