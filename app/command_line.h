#pragma once
// The program's command line, read in one place before Qt sees it, so that --help, --version and
// --check run without a display. "DEBUG" as the first argument, byte for byte, is the editor switch;
// other words that are no option are ignored, as they always were. Qt's own options (-platform
// offscreen, -style ...) are left to Qt; any other option, or a directory that is missing, is an
// error reported on standard error with exit status 2.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace velmora {

enum class TCommandAction : uint8_t { Run, Help, Version, Check, ExportHtml, Fail };
enum class TCheckFormat : uint8_t { Text, Json };

struct TCommandLine {
    TCommandAction Action = TCommandAction::Run;
    bool EditorMode = false;
    // The catalogue of --data or --check, with its trailing "/"; empty for the one the program finds.
    std::string DataDir;
    TCheckFormat Format = TCheckFormat::Text;
    // The folder of --export-html, as given, and whether --force lets an earlier export there go.
    std::string ExportDir;
    bool Force = false;
    // The stage's scale of --scale, 1 to MaxStageScale; 0 lets the screen decide.
    int32_t Scale = 0;
    std::string Error;  // what went wrong, for Fail
};

inline constexpr int ExitUsage = 2;
inline constexpr int32_t MaxStageScale = 8;

TCommandLine ParseCommandLine(int argc, const char* const* argv);

std::string HelpText();
std::string VersionText();

// The directory of the running executable with its trailing "/", without Qt; empty when unknown.
std::string ProgramDirectory();

// Carries out every action but Run: prints to out and err and returns the exit status. A check or an
// export without a directory of its own takes defaultDataDir.
int RunCommand(const TCommandLine& command, const std::string& defaultDataDir, std::FILE* out, std::FILE* err);

}  // namespace velmora
