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
