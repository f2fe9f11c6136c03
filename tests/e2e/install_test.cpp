// The install a distribution packages: `cmake --install` into a temporary prefix, the desktop files
// validated where the tools are installed, then the installed program on the installed demo data.
#include <QImage>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "tests/e2e/program_run.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::RunToEnd;
using testing::TempDir;

QRgb StagePixel(const std::string& shot, QPoint at) {
    const QImage image(QString::fromStdString(shot));
    if (image.isNull()) return 0;
    return image.pixel(QPoint((image.width() - 1024) / 2, (image.height() - 768) / 2) + at);
}

TEST(Install, PutsEverythingWhereADistributionExpectsItAndRunsFromThere) {
    TempDir dir;
    const std::string prefix = dir.Dir() + "usr";
    const auto install = RunToEnd(VELMORA_CMAKE, {"--install", VELMORA_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.ExitCode, 0) << install.Out << install.Err;
    const std::string share = prefix + "/share/";
    const std::string program = prefix + "/bin/velmora";
    const std::string desktop = share + "applications/org.holvenor.velmora.desktop";
    const std::string metainfo = share + "metainfo/org.holvenor.velmora.metainfo.xml";
    for (const std::string& file : {program, desktop, metainfo, share + "icons/hicolor/scalable/apps/org.holvenor.velmora.svg",
                                    share + "velmora/dane/p_menu.jpg", share + "velmora/dane/info.ini"})
        EXPECT_TRUE(fs::is_regular_file(file)) << file;

    struct Validator {
        const char* tool;
        std::vector<std::string> args;
    };
    for (const Validator& v : {Validator{"desktop-file-validate", {desktop}},
                               Validator{"appstreamcli", {"validate", "--no-net", "--pedantic", metainfo}}}) {
        const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(v.tool));
        if (tool.isEmpty()) {
            std::cout << "[ SKIPPED  ] " << v.tool << " is not installed (test.sh installs it)\n";
            continue;
        }
        const auto run = RunToEnd(tool.toStdString(), v.args);
        EXPECT_EQ(run.ExitCode, 0) << v.tool << ": " << run.Out << run.Err;
        EXPECT_EQ(run.Out.find("hint:"), std::string::npos) << run.Out;
    }

    // No dane beside the installed program: it finds the installed data, for --check and the window.
    const auto check = RunToEnd(program, {"--check"}, {{"QT_QPA_PLATFORM", nullptr}, {"DISPLAY", nullptr}});
    EXPECT_EQ(check.ExitCode, 0) << check.Out << check.Err;
    EXPECT_NE(check.Out.find(share + "velmora/dane/: 0 errors"), std::string::npos) << check.Out;

    const QImage menu(QString::fromStdString(share + "velmora/dane/p_menu.jpg"));
    ASSERT_FALSE(menu.isNull());
    const QPoint at(150, 90);
    const std::string shot = dir.File("installed.png");
    const auto shown = RunToEnd(program, {}, {{"QT_QPA_PLATFORM", "offscreen"}, {"VELMORA_QUIT_AFTER_FIRST_PAINT", shot.c_str()}});
    ASSERT_EQ(shown.ExitCode, 0) << shown.Err;
    EXPECT_TRUE(testing::NearColor(StagePixel(shot, at), menu.pixel(at), 16));

    // --data wins over the installed data, in the editor too.
    const QRgb green = qRgb(30, 160, 90);
    fs::copy(share + "velmora/dane", dir.File("mine"), fs::copy_options::recursive);
    fs::remove(dir.File("mine/p_menu.jpg"));
    testing::WriteFlatJpeg(dir.File("mine/p_menu.jpg"), 1024, 768, green);
    const std::string mine = dir.File("mine.png");
    const auto edited = RunToEnd(program, {"DEBUG", "--data", dir.File("mine")},
                                 {{"QT_QPA_PLATFORM", "offscreen"}, {"VELMORA_QUIT_AFTER_FIRST_PAINT", mine.c_str()}});
    ASSERT_EQ(edited.ExitCode, 0) << edited.Err;
    EXPECT_TRUE(testing::NearColor(StagePixel(mine, at), green, 12));
}

}  // namespace
}  // namespace velmora
