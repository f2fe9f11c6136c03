// The stage's scale for a table of screens: sizes in Qt's pixels at the device pixel ratio the
// desktop asks for, and the scale forced on the command line.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/display_connection.h"
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

TEST(StageScale, FactorOverThePlatformsRatioMakesTheScaleExactly) {
    for (const double ratio : {1.0, 1.25, 1.5, 1.75, 2.0, 100 / 96.0, 110 / 96.0, 3.0})
        for (const int scale : {1, 2, 3, 5}) {
            SCOPED_TRACE(testing::Message() << scale << " over " << ratio);
            EXPECT_EQ(StageFactor(scale, ratio) * ratio, scale);
            EXPECT_NEAR(StageFactor(scale, ratio), scale / ratio, 1e-12);
        }
    // No double times 0.7 is 3, nor times 85 / 96 is 1.
    EXPECT_EQ(StageFactor(3, 0.7), 0);
    EXPECT_EQ(StageFactor(1, 85 / 96.0), 0);
}

// The desktop's font resolution, from the root window's resources and from a settings manager.
TEST(DisplayConnection, FontResolutionsAreReadFromResourcesAndSettings) {
    struct Row {
        const char* Resources;
        bool Valid;
        double Dpi;  // 0: not set
    };
    const Row resources[] = {
        {"", true, 0}, {"Xft.dpi:\t192\n", true, 192}, {"Xcursor.size: 24\nXft.dpi: 96\nXft.antialias: 1", true, 96},
        {"  Xft.dpi :\t120.5  ", true, 120.5}, {"Xft.dpi: 96\nXft.dpi: 144\n", true, 144},  // the last wins
        {"Xft.dpix: 144\n*dpi: 144\n", true, 0}, {"Xft.dpi: many\n", false, 0}, {"Xft.dpi: 96 dpi\n", false, 0},
    };
    for (const Row& row : resources) {
        SCOPED_TRACE(row.Resources);
        std::optional<double> dpi;
        EXPECT_EQ(ResourceResolution(row.Resources, &dpi), row.Valid);
        if (row.Valid) {
            EXPECT_EQ(dpi.value_or(0), row.Dpi);
        }
    }

    // Settings in the protocol's layout: order byte, serial, count, then each setting.
    const auto settings = [](bool big, std::vector<std::pair<std::string, std::vector<uint8_t>>> entries) {
        std::vector<uint8_t> out{uint8_t(big), 0, 0, 0, 0, 0, 0, 7};
        const auto put32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (big ? 24 - 8 * i : 8 * i)));
        };
        put32(uint32_t(entries.size()));
        for (auto& [name, value] : entries) {
            const uint8_t type = value.size() == 4 ? 0 : value.size() == 8 ? 2 : 1;
            out.push_back(type);
            out.push_back(0);
            out.push_back(uint8_t(big ? name.size() >> 8 : name.size()));
            out.push_back(uint8_t(big ? name.size() : name.size() >> 8));
            out.insert(out.end(), name.begin(), name.end());
            while (out.size() % 4 != 0) out.push_back(0);
            put32(0);
            if (type == 1) put32(uint32_t(value.size()));
            out.insert(out.end(), value.begin(), value.end());
            while (out.size() % 4 != 0) out.push_back(0);
        }
        return out;
    };
    const auto int32 = [](bool big, uint32_t v) {
        return big ? std::vector<uint8_t>{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}
                   : std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    };
    for (const bool big : {false, true}) {
        SCOPED_TRACE(big ? "most significant byte first" : "least significant byte first");
        std::optional<double> dpi;
        const auto full = settings(big, {{"Net/ThemeName", {'A', 'd', 'w', 'a', 'i', 't', 'a'}},
                                         {"Gtk/Color", std::vector<uint8_t>(8, 1)},
                                         {"Xft/DPI", int32(big, 192 * 1024)}});
        EXPECT_TRUE(SettingsResolution(full.data(), full.size(), &dpi));
        EXPECT_EQ(dpi.value_or(0), 192);
        const auto none = settings(big, {{"Xft/Hinting", int32(big, 1)}});
        EXPECT_TRUE(SettingsResolution(none.data(), none.size(), &dpi));
        EXPECT_FALSE(dpi.has_value());
        // Cut anywhere short, or naming more settings than it holds, the property is malformed.
        for (size_t cut = 0; cut < full.size(); cut += 3) EXPECT_FALSE(SettingsResolution(full.data(), cut, &dpi)) << cut;
        auto lying = none;
        lying[big ? 11 : 8] = 2;
        EXPECT_FALSE(SettingsResolution(lying.data(), lying.size(), &dpi));
        const auto asText = settings(big, {{"Xft/DPI", {'9', '6'}}});
        EXPECT_FALSE(SettingsResolution(asText.data(), asText.size(), &dpi));
    }
}

}  // namespace
}  // namespace velmora
