#pragma once
// Runs the velmora executable (or any program) to its end and keeps what it printed.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace velmora::testing {

struct TProgramRun {
    bool Finished = false;
    int ExitCode = -1;  // -1 when it crashed or was killed
    std::string Out;
    std::string Err;
};

// env: variables to set; a value of nullptr removes the variable.
inline TProgramRun RunToEnd(const std::string& program, const std::vector<std::string>& args,
                            const std::vector<std::pair<const char*, const char*>>& env = {},
                            int timeoutMs = 60000) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env) {
        if (value == nullptr)
            environment.remove(QString::fromLatin1(name));
        else
            environment.insert(QString::fromLatin1(name), QString::fromUtf8(value));
    }
    process.setProcessEnvironment(environment);
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    process.start(QString::fromStdString(program), list);
    TProgramRun run;
    run.Finished = process.waitForFinished(timeoutMs);
    if (!run.Finished) {
        process.kill();
        process.waitForFinished();
    }
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = process.readAllStandardOutput().toStdString();
    run.Err = process.readAllStandardError().toStdString();
    return run;
}

// Copies the program with the window's module it loads from beside itself into dir; the copy's path.
inline std::string CopyProgramTo(const std::string& program, const std::string& dir) {
    namespace fs = std::filesystem;
    const fs::path from(program);
    fs::copy_file(from, fs::path(dir) / from.filename());
    fs::copy_file(from.parent_path() / "velmora-window.so", fs::path(dir) / "velmora-window.so");
    return (fs::path(dir) / from.filename()).string();
}

}  // namespace velmora::testing
