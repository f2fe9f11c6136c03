// The real program on a 2560 x 1600 X screen (xvfb-run), driven by real pointer and key events
// (xdotool) and looked at through screenshots (ImageMagick's import): the stage is shown at twice its
// size, centred; a click on a chapter link and on a hotspot at doubled coordinates lands on them; the
// stage equals the stage and item pictures enlarged x 2 pixel for pixel; the preview is doubled too
// and closes on Escape; the close link ends the program.
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "raster/bitmap32.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr int Scale = 2;
// The stage's corner on the screen: centred in 1280 x 800 stage pixels, then doubled.
constexpr int OriginX = (2560 / Scale - 1024) / 2 * Scale;
constexpr int OriginY = (1600 / Scale - 768) / 2 * Scale;

struct TRect2 {
    int Left, Top, Width, Height;
    bool Contains(int x, int y) const { return x >= Left && y >= Top && x < Left + Width && y < Top + Height; }
};

class TScreen {
public:
    explicit TScreen(QProcessEnvironment env) : FEnv(std::move(env)) {}

    bool Run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
        QProcess process;
        process.setProcessEnvironment(FEnv);
        process.start(program, args);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return false;
        }
        if (out != nullptr) *out = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    QImage Shot() {
        QByteArray png;
        if (!Run("import", {"-window", "root", "png:-"}, &png)) return {};
        return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    }
    // Stage pixel (x, y), as a device pixel of the doubled stage.
    bool Click(int x, int y) {
        return Run("xdotool", {"mousemove", QString::number(OriginX + Scale * x), QString::number(OriginY + Scale * y),
                               "click", "1"});
    }
    void Key(const QString& name) { EXPECT_TRUE(Run("xdotool", {"key", name})); }
    // Screenshots until one passes check, for at most seconds; the last one's complaint otherwise.
    std::string WaitFor(const std::function<std::string(const QImage&)>& check, int seconds = 30) {
        std::string complaint = "no screenshot";
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < until) {
            const QImage shot = Shot();
            if (!shot.isNull()) {
                complaint = check(shot);
                if (complaint.empty()) return {};
            }
            QThread::msleep(200);
        }
        return complaint;
    }

private:
    QProcessEnvironment FEnv;
};

// Empty when every stage pixel inside area (and outside the holes) shows the picture's pixel at
// (x - area.Left + dx, y - area.Top + dy) as a 2 x 2 block.
std::string CompareDoubled(const QImage& shot, const TBitmap32& picture, TRect2 area, std::vector<TRect2> holes = {}) {
    for (int y = area.Top; y < area.Top + area.Height; ++y)
        for (int x = area.Left; x < area.Left + area.Width; ++x) {
            bool hole = false;
            for (const TRect2& h : holes) hole = hole || h.Contains(x, y);
            if (hole) continue;
            const QRgb want = *picture.PixelAddress(x - area.Left, y - area.Top) & 0xFFFFFFu;
            for (int d = 0; d < Scale * Scale; ++d) {
                const QRgb got = shot.pixel(OriginX + Scale * x + d % Scale, OriginY + Scale * y + d / Scale) & 0xFFFFFFu;
                if (got != want) {
                    char text[120];
                    std::snprintf(text, sizeof text, "stage %d,%d: %06x on the screen, %06x in the picture", x, y, got, want);
                    return text;
                }
            }
        }
    return {};
}

TEST(StageScale, TwiceTheStageOn2560x1600) {
    for (const char* tool : {"xvfb-run", "xauth", "xdotool", "import"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is missing: the test needs xvfb, xauth, xdotool and imagemagick";
    const fs::path program = VELMORA_PROGRAM;
    const fs::path dane = program.parent_path() / "dane";
    TBitmap32 stage, item;
    stage.LoadPictureFile((dane / "p_1.jpg").string());
    item.LoadPictureFile((dane / "p_1_1.jpg").string());

    // The program runs inside xvfb-run, which says where its display is.
    testing::TempDir dir;
    const std::string info = dir.File("display");
    QProcess session;
    QProcessEnvironment sessionEnv = QProcessEnvironment::systemEnvironment();
    sessionEnv.remove("QT_QPA_PLATFORM");  // the tests' offscreen platform is not for the program
    // The X keyboard library hands strndup strings that end at their length rather than at a NUL;
    // the sanitizer's strict string check reads on past them.
    if (sessionEnv.contains("ASAN_OPTIONS"))
        sessionEnv.insert("ASAN_OPTIONS", sessionEnv.value("ASAN_OPTIONS") + ":strict_string_checks=0");
    session.setProcessEnvironment(sessionEnv);
    session.start("xvfb-run", {"-a", "-s", "-screen 0 2560x1600x24", "sh", "-c",
                               QString("echo \"$DISPLAY $XAUTHORITY $$\" > '%1.part' && mv '%1.part' '%1' && exec '%2'")
                                   .arg(QString::fromStdString(info), QString::fromStdString(program.string()))});
    ASSERT_TRUE(session.waitForStarted());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(info) && std::chrono::steady_clock::now() < until) QThread::msleep(50);
    ASSERT_TRUE(fs::exists(info)) << "xvfb-run did not start";
    const QStringList where = QString::fromStdString(testing::TempDir::Read(info)).trimmed().split(' ');
    ASSERT_EQ(where.size(), 3);
    // However the test ends, the program goes, so that xvfb-run takes its X server down with it.
    const pid_t programPid = where[2].toInt();
    struct TEnd {
        QProcess& Session;
        pid_t Pid;
        ~TEnd() {
            if (Session.state() == QProcess::NotRunning) return;
            ::kill(Pid, SIGTERM);
            if (!Session.waitForFinished(10000)) Session.kill();
            Session.waitForFinished();
        }
    } end{session, programPid};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", where[0]);
    env.insert("XAUTHORITY", where[1]);
    env.remove("QT_QPA_PLATFORM");
    TScreen screen(env);
    EXPECT_TRUE(screen.Run("xdotool", {"search", "--sync", "--name", "Velmora - Holvenor"}));

    // Chapter 1 at the middle of its link; the pointer then rests there and frames it. The window
    // may be named before it is mapped, and a click before that is lost: click again then.
    const TRect2 view{244, 78, 780, 651};
    // The item picture is larger than the view: its bars take the last 25 pixels.
    const TRect2 shown{244, 78, std::min(780 - 25, item.Width()), std::min(651 - 25, item.Height())};
    std::string pageShown = "not clicked";
    for (int attempt = 0; attempt < 4 && !pageShown.empty(); ++attempt) {
        EXPECT_TRUE(screen.Click(120, 190));
        pageShown = screen.WaitFor([&](const QImage& shot) {
            if (shot.size() != QSize(2560, 1600)) return std::string("the screen is not 2560 x 1600");
            std::string outside = CompareDoubled(shot, stage, TRect2{0, 0, 1024, 768},
                                                 {view, TRect2{506, 729, 249, 37}, TRect2{0, 176, 243, 31}});
            return outside.empty() ? CompareDoubled(shot, item, shown) : outside;
        }, 8);
    }
    EXPECT_EQ(pageShown, "");

    // Hotspot A-1 (left 24, top 88, 218 x 192): its preview, doubled and centred, shows the band.
    EXPECT_TRUE(screen.Click(244 + 24 + 100, 78 + 88 + 90));
    constexpr int PreviewX = (1280 - 806) / 2 * Scale, PreviewY = (800 - 657) / 2 * Scale;
    const auto band = [&](const QImage& shot) { return shot.pixel(PreviewX + 5 * Scale, PreviewY + 600 * Scale) & 0xFFFFFFu; };
    EXPECT_EQ(screen.WaitFor([&](const QImage& shot) {
        // Red 80, green 99, blue 139 below a black line two device pixels high.
        if (band(shot) != 0x50638Bu) return std::string("no preview band");
        if ((shot.pixel(PreviewX + 400, PreviewY + 1) & 0xFFFFFFu) != 0 || (shot.pixel(PreviewX + 400, PreviewY + 2) & 0xFFFFFFu) == 0)
            return std::string("the preview's top line is not 2 pixels");
        return std::string();
    }), "");
    screen.Key("Escape");
    EXPECT_EQ(screen.WaitFor([&](const QImage& shot) { return band(shot) == 0x50638Bu ? "the preview is still open" : std::string(); }), "");

    // The close link ends the program, and with it the session (xdotool may lose its display then).
    screen.Click(120, 630);
    if (!session.waitForFinished(30000)) {
        session.kill();
        session.waitForFinished();
        FAIL() << "the close link did not end the program";
    }
    EXPECT_EQ(session.exitCode(), 0) << session.readAllStandardError().toStdString();
}

}  // namespace
}  // namespace velmora

// The program as the only client of a display server that resets when its last client leaves: the
// screen's probe must not leave the server alone before the window's connection is made.
TEST(StageScale, StartsAsTheOnlyClientOfAFreshDisplay) {
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty()) GTEST_SKIP() << "xvfb-run is missing";
    QProcess session;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("VELMORA_QUIT_AFTER_FIRST_PAINT", "1");
    if (env.contains("ASAN_OPTIONS")) env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":strict_string_checks=0");
    session.setProcessEnvironment(env);
    session.start("xvfb-run", {"-a", "-s", "-screen 0 1280x1024x24", "sh", "-c",
                               QString("sleep 1; for i in 1 2 3 4 5 6; do '%1' > /dev/null 2>&1 || exit 1; done")
                                   .arg(QString::fromUtf8(VELMORA_PROGRAM))});
    ASSERT_TRUE(session.waitForFinished(120000));
    EXPECT_EQ(session.exitCode(), 0) << "the program failed to start on a fresh display";
}

namespace velmora {
namespace {

// The program on an X screen whose desktop asks for a font resolution (the root window's Xft.dpi, as
// a high-resolution desktop sets it): the screen, seen once the menu shows.
QImage MenuOnScreen(const char* screenSize, int dpi) {
    testing::TempDir dir;
    const std::string info = dir.File("display");
    QProcess session;
    QProcessEnvironment sessionEnv = QProcessEnvironment::systemEnvironment();
    sessionEnv.remove("QT_QPA_PLATFORM");
    session.setProcessEnvironment(sessionEnv);
    session.start("xvfb-run", {"-a", "-s", QString("-screen 0 %1x24").arg(screenSize), "sh", "-c",
                               QString("echo \"$DISPLAY $XAUTHORITY\" > '%1.part' && mv '%1.part' '%1' && exec sleep 60")
                                   .arg(QString::fromStdString(info))});
    if (!session.waitForStarted()) return {};
    struct TEnd {
        QProcess& Process;
        ~TEnd() {
            Process.kill();
            Process.waitForFinished();
        }
    } endSession{session};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(info) && std::chrono::steady_clock::now() < until) QThread::msleep(50);
    const QStringList where = QString::fromStdString(testing::TempDir::Read(info)).trimmed().split(' ');
    if (where.size() != 2) return {};

    // The test's own connection sets the resources and keeps the server from resetting meanwhile.
    qputenv("XAUTHORITY", where[1].toUtf8());
    xcb_connection_t* x = xcb_connect(where[0].toUtf8().constData(), nullptr);
    if (xcb_connection_has_error(x) != 0) return {};
    struct TDisconnect {
        xcb_connection_t* X;
        ~TDisconnect() { xcb_disconnect(X); }
    } endConnection{x};
    if (dpi > 0) {
        const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, xcb_setup_roots_iterator(xcb_get_setup(x)).data->root,
                            XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 8, static_cast<uint32_t>(resources.size()),
                            resources.data());
        xcb_flush(x);
    }

    QProcessEnvironment env = sessionEnv;
    env.insert("DISPLAY", where[0]);
    env.insert("XAUTHORITY", where[1]);
    if (env.contains("ASAN_OPTIONS")) env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":strict_string_checks=0");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QString::fromUtf8(VELMORA_PROGRAM), {});
    struct TEndProgram {
        QProcess& Process;
        ~TEndProgram() {
            Process.terminate();
            if (!Process.waitForFinished(10000)) Process.kill();
            Process.waitForFinished();
        }
    } endProgram{program};
    TScreen screen(env);
    if (!screen.Run("xdotool", {"search", "--sync", "--onlyvisible", "--name", "Velmora - Holvenor"})) return {};
    // Two shots alike in a row: the window has been painted.
    QImage last;
    for (int i = 0; i < 40; ++i) {
        QThread::msleep(150);
        QImage shot = screen.Shot();
        if (!shot.isNull() && shot == last) return shot;
        last = std::move(shot);
    }
    return {};
}

// Dark pixels of a screen's rectangle: how much text it shows.
int Ink(const QImage& shot, QRect area) {
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ink += qGray(shot.pixel(x, y)) < 96;
    return ink;
}

}  // namespace
}  // namespace velmora

// The stage stays 1 : 1 on a screen too small to double it, and doubled on one large enough, whatever
// font resolution the desktop asks for; the introduction's text keeps its size in stage pixels.
TEST(StageScale, TheDesktopsFontResolutionNeitherEnlargesTheStageNorItsText) {
    using namespace velmora;
    for (const char* tool : {"xvfb-run", "xauth", "xdotool", "import"})
        if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is missing";
    TBitmap32 menu;
    menu.LoadPictureFile((fs::path(VELMORA_PROGRAM).parent_path() / "dane" / "p_menu.jpg").string());
    const TRect2 banner{0, 0, 1024, 70};
    const QRect text(128 + 260, 128 + 120, 720, 560);

    const QImage plain = MenuOnScreen("1280x1024", 0);
    ASSERT_FALSE(plain.isNull()) << "no screen of the program at 96 dpi";
    for (const int dpi : {96, 120, 192}) {
        SCOPED_TRACE(dpi);
        const QImage shot = MenuOnScreen("1280x1024", dpi);
        ASSERT_FALSE(shot.isNull());
        // The banner at (128, 128), pixel for pixel.
        for (int y = banner.Top; y < banner.Height; y += 7)
            for (int x = banner.Left; x < banner.Width; x += 3)
                ASSERT_EQ(shot.pixel(128 + x, 128 + y) & 0xFFFFFFu, *menu.PixelAddress(x, y) & 0xFFFFFFu) << x << "," << y;
        // The same text in the same place; glyphs may be smoothed differently off 96 dpi.
        EXPECT_NEAR(Ink(shot, text), Ink(plain, text), Ink(plain, text) / 10);
    }
    // Doubled, the screen is the same with or without the desktop's doubled resolution.
    const QImage large = MenuOnScreen("2560x1600", 0);
    ASSERT_FALSE(large.isNull());
    EXPECT_EQ(CompareDoubled(large, menu, banner), "");
    EXPECT_TRUE(MenuOnScreen("2560x1600", 192) == large) << "the desktop's 192 dpi changed the doubled stage";
}
