// The command line of the real program: what needs no window runs without a display, and --data
// opens a catalogue from anywhere in both modes.
#include <QImage>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/program_run.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::RunToEnd;
using testing::TempDir;

// No display of any kind: a run that touched the window system would fail.
const std::vector<std::pair<const char*, const char*>> NoDisplay = {
    {"DISPLAY", nullptr}, {"WAYLAND_DISPLAY", nullptr}, {"QT_QPA_PLATFORM", nullptr}};

TEST(ProgramCommandLine, OptionsRunWithoutADisplay) {
    TempDir dir;
    const std::string empty = dir.Dir() + "empty";
    fs::create_directory(empty);
    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out;  // what standard output starts with
        std::string err;  // what standard error starts with
    };
    const Row rows[] = {
        {{"--help"}, 0, "Usage: velmora [DEBUG] [--data DIR]\n", ""},
        {{"--version"}, 0, "velmora " VELMORA_VERSION "\n", ""},
        {{"DEBUG", "--version"}, 0, "velmora ", ""},
        {{"--bogus"}, 2, "", "velmora: unknown option --bogus\n"},
        {{"DEBUG", "--data"}, 2, "", "velmora: option --data needs a directory\n"},
        {{"--data", empty + "/none"}, 2, "", "velmora: no such directory: " + empty + "/none\n"},
        {{"--check", empty}, 1, empty + "/p_menu.jpg: error: the menu picture is missing", ""},
        {{"--check", empty, "--format", "json"}, 1, "[\n  {\"path\": \"" + empty + "/p_menu.jpg\", \"line\": null", ""},
        {{"--check"}, 0, "", ""},  // the demo catalogue beside the program
    };
    for (const Row& row : rows) {
        std::string args;
        for (const std::string& a : row.args) args += a + " ";
        SCOPED_TRACE(args);
        const auto run = RunToEnd(VELMORA_PROGRAM, row.args, NoDisplay);
        EXPECT_EQ(run.ExitCode, row.status) << run.Err;
        EXPECT_EQ(run.Out.substr(0, row.out.size()), row.out);
        EXPECT_EQ(run.Err.substr(0, row.err.size()), row.err);
        if (row.status == 2) {
            EXPECT_EQ(run.Out, "");
        }
    }
    const auto demo = RunToEnd(VELMORA_PROGRAM, {"--check"}, NoDisplay);
    EXPECT_NE(demo.Out.find("dane/: 0 errors"), std::string::npos) << demo.Out;
}

// The commands start without the window's libraries: the loader's own account of what it loads.
TEST(ProgramCommandLine, CommandsLoadNothingOfQt) {
    TempDir dir;
    const std::vector<std::string> commands[] = {
        {"--version"}, {"--check"}, {"--export-html", dir.File("site")}};
    std::vector<std::pair<const char*, const char*>> env = NoDisplay;
    env.emplace_back("LD_DEBUG", "libs");
    for (const std::vector<std::string>& args : commands) {
        SCOPED_TRACE(args.front());
        const auto run = RunToEnd(VELMORA_PROGRAM, args, env);
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_NE(run.Err.find("libstdc++"), std::string::npos) << "no account of the libraries loaded";
        EXPECT_EQ(run.Err.find("libQt6"), std::string::npos) << run.Err;
    }
}

TEST(ProgramCommandLine, AWindowThatCannotBeLoadedIsReported) {
    TempDir dir;
    const std::string alone = dir.File("velmora");
    fs::copy_file(VELMORA_PROGRAM, alone);
    const auto run = RunToEnd(alone, {}, {{"QT_QPA_PLATFORM", "offscreen"}});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err.rfind("velmora: the window cannot be loaded (velmora-window.so):\n  ", 0), 0u) << run.Err;
    EXPECT_NE(run.Err.find(dir.File("velmora-window.so")), std::string::npos) << run.Err;
    // Its commands still work.
    EXPECT_EQ(RunToEnd(alone, {"--version"}, NoDisplay).ExitCode, 0);
}

TEST(ProgramCommandLine, DataOpensACatalogueAnywhereInBothModes) {
    TempDir dir;
    const QRgb green = qRgb(30, 160, 90);
    testing::WriteFlatJpeg(dir.File("elsewhere/p_menu.jpg"), 1024, 768, green);
    for (const std::vector<std::string>& mode : {std::vector<std::string>{}, std::vector<std::string>{"DEBUG"}}) {
        SCOPED_TRACE(mode.empty() ? "viewing" : "editor");
        std::vector<std::string> args = mode;
        args.insert(args.end(), {"--data", dir.File("elsewhere")});
        const std::string shot = dir.File(mode.empty() ? "viewing.png" : "editor.png");
        const auto run = RunToEnd(VELMORA_PROGRAM, args,
                                  {{"QT_QPA_PLATFORM", "offscreen"}, {"VELMORA_QUIT_AFTER_FIRST_PAINT", shot.c_str()}});
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        const QImage image(QString::fromStdString(shot));
        ASSERT_FALSE(image.isNull());
        const QPoint stage((image.width() - 1024) / 2, (image.height() - 768) / 2);
        EXPECT_TRUE(testing::NearColor(image.pixel(stage + QPoint(150, 90)), green, 12));
    }
}

}  // namespace
}  // namespace velmora
