// The whole program as a user starts it: the velmora executable with its data directory beside it,
// under the offscreen platform, told to quit once the stage has painted.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

struct TRun {
    bool finished = false;
    int exitCode = -1;
    QString errors;
};

TRun RunProgram(const QString& program, const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELMORA_QUIT_AFTER_FIRST_PAINT", "1");
    process.setProcessEnvironment(env);
    process.start(program, args);
    TRun run;
    run.finished = process.waitForFinished(60000);
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

TEST(Program, StartsBesideAnEmptyOrMissingDataDirectory) {
    TempDir dir;
    const fs::path copy = dir.File("velmora");
    fs::copy_file(VELMORA_PROGRAM, copy);
    // Without "dane" at all, then with an empty one: the stage stays black and the program still runs.
    for (const bool withDane : {false, true}) {
        if (withDane) fs::create_directory(dir.File("dane"));
        const TRun run = RunProgram(QString::fromStdString(copy.string()), {});
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    }
    EXPECT_EQ(dir.EntryCount(), 2);  // the program and dane, nothing written beside them
    EXPECT_TRUE(fs::is_empty(dir.File("dane")));
}

}  // namespace
}  // namespace velmora
