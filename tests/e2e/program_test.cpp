// The whole program as a user starts it: the velmora executable with its data directory beside it,
// under the offscreen platform, told to quit once the stage has painted.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "tests/e2e/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unusual_files.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

struct TRun {
    bool finished = false;
    int exitCode = -1;
    QString errors;
};

TRun RunProgram(const QString& program, const QStringList& args, const QString& quitValue = "1",
               int timeoutMs = 60000) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELMORA_QUIT_AFTER_FIRST_PAINT", quitValue);
    process.setProcessEnvironment(env);
    process.start(program, args);
    TRun run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// Every file under dir with its size and modification time.
std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> Snapshot(const fs::path& dir) {
    std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) files[entry.path().string()] = {entry.file_size(), entry.last_write_time()};
    return files;
}

TEST(Program, StartsOnTheDemoCatalogueInBothModesAndWritesNothing) {
    const fs::path program = VELMORA_PROGRAM;
    const fs::path dane = program.parent_path() / "dane";
    ASSERT_TRUE(fs::exists(dane / "p_menu.jpg")) << "the build draws the demo catalogue beside the program";
    const auto before = Snapshot(dane);
    for (const QStringList& args : {QStringList{}, QStringList{"DEBUG"}, QStringList{"debug"}}) {
        const TRun run = RunProgram(QString::fromStdString(program.string()), args);
        EXPECT_TRUE(run.finished) << args.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    }
    EXPECT_EQ(Snapshot(dane), before);
}

// Where the stage's top-left corner lies in a window of that size: centred, truncating toward zero.
QPoint StageOrigin(QSize window) { return QPoint((window.width() - 1024) / 2, (window.height() - 768) / 2); }

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 16 && std::abs(qGreen(a) - qGreen(b)) <= 16 &&
           std::abs(qBlue(a) - qBlue(b)) <= 16;
}

// Stage points off the introduction's text view, inside the part of the stage that even the offscreen
// platform's small screen shows.
const QPoint StagePoints[] = {{150, 90}, {200, 300}, {120, 500}, {230, 650}, {600, 90}, {850, 95}};

TEST(Program, ShowsTheMenuPictureOnTheStage) {
    const fs::path program = VELMORA_PROGRAM;
    const QImage menu(QString::fromStdString((program.parent_path() / "dane/p_menu.jpg").string()));
    ASSERT_FALSE(menu.isNull());
    TempDir dir;
    const QString shotPath = QString::fromStdString(dir.File("menu.png"));
    const TRun run = RunProgram(QString::fromStdString(program.string()), {}, shotPath);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QImage shot(shotPath);
    ASSERT_FALSE(shot.isNull());
    const QPoint origin = StageOrigin(shot.size());
    for (const QPoint& p : StagePoints) {
        const QPoint at = origin + p;
        ASSERT_TRUE(shot.rect().contains(at));
        EXPECT_TRUE(Near(shot.pixel(at), menu.pixel(p))) << p.x() << "," << p.y() << ": " << std::hex
                                                          << shot.pixel(at) << " vs " << menu.pixel(p);
    }
}

TEST(Program, StartsBesideAnEmptyOrMissingDataDirectory) {
    TempDir dir;
    const fs::path copy = testing::CopyProgramTo(VELMORA_PROGRAM, dir.Dir());
    // Without "dane" at all, then with an empty one: the stage stays black and the program still runs.
    for (const bool withDane : {false, true}) {
        if (withDane) fs::create_directory(dir.File("dane"));
        const QString shotPath = QString::fromStdString(dir.File(withDane ? "shots/empty.png" : "shots/none.png"));
        fs::create_directories(dir.File("shots"));
        const TRun run = RunProgram(QString::fromStdString(copy.string()), {}, shotPath);
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        // No menu picture: the chapter column shows the image control's black; the item view, shown
        // as created, covers the rest.
        const QImage shot(shotPath);
        ASSERT_FALSE(shot.isNull());
        for (const QPoint& p : StagePoints) {
            if (p.x() >= 244) continue;
            EXPECT_EQ(shot.pixel(StageOrigin(shot.size()) + p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
        }
    }
    EXPECT_EQ(dir.EntryCount(), 4);  // the program, its window, dane and the shots: nothing written beside them
    EXPECT_TRUE(fs::is_empty(dir.File("dane")));
}

// A FIFO in place of the menu picture or of the page list reads as a missing file: nothing waits
// for a writer, so the window still appears at once.
TEST(Program, StartsAtOnceWithAFifoInPlaceOfADataFile) {
    const fs::path program = VELMORA_PROGRAM;
    for (const char* name : {"p_menu.jpg", "info.ini"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const fs::path copy = testing::CopyProgramTo(program, dir.Dir());
        fs::copy(program.parent_path() / "dane", dir.File("dane"), fs::copy_options::recursive);
        ASSERT_TRUE(fs::remove(dir.File("dane/") + name));
        ASSERT_TRUE(testing::MakeFifo(dir.File("dane/") + name));
        const auto start = std::chrono::steady_clock::now();
        const TRun run = RunProgram(QString::fromStdString(copy.string()), {}, "1", 15000);
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(run.finished) << "no first paint within 15 s";
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        ::testing::Test::RecordProperty(std::string("program_fifo_") + name + "_us", static_cast<int>(taken.count() * 1e6));
    }
}

}  // namespace
}  // namespace velmora
