#pragma once
// The window lives in a module of its own (velmora-window.so), loaded only when the program shows it,
// so that what needs no window (--help, --version, --check, --export-html) starts without Qt's
// libraries. The program looks for the module beside itself (a build) and then where an install puts
// it, relative to its own folder.
#include <cstdio>
#include <string>
#include <vector>

namespace velmora {

struct TCommandLine;

inline constexpr char WindowModuleFile[] = "velmora-window.so";
inline constexpr char WindowEntryPoint[] = "VelmoraWindowMain";

// The module's entry: shows the window until it closes and returns the exit status. dataDir is the
// catalogue's folder with its trailing "/", or empty for the window's own default.
using TWindowMain = int (*)(int argc, char** argv, const char* dataDir, int editorMode, int scale);

// Where the module may be, in the order it is looked for.
std::vector<std::string> WindowModulePaths(const std::string& programDir);

// Loads the module and runs its window. A module that cannot be loaded is reported on err with
// dlopen's reason, and gives exit status 1.
int RunWindowModule(int argc, char** argv, const TCommandLine& command, const std::string& dataDir,
                    const std::string& programDir, std::FILE* err);

}  // namespace velmora
