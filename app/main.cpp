// The program: the command line, the commands that need no window, and the window loaded from its
// module only when it is shown, so that a command starts without Qt's libraries.
#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/data_set.h"
#include "app/window_module.h"

int main(int argc, char** argv) {
    // Read before Qt takes its own options out of the arguments.
    const velmora::TCommandLine command = velmora::ParseCommandLine(argc, argv);
    const std::string programDir = velmora::ProgramDirectory();
    const std::string dataDir = !command.DataDir.empty() ? command.DataDir
                                : programDir.empty()     ? std::string()
                                                         : velmora::FindDataDir(programDir);
    if (command.Action != velmora::TCommandAction::Run) return velmora::RunCommand(command, dataDir, stdout, stderr);
    return velmora::RunWindowModule(argc, argv, command, dataDir, programDir, stderr);
}
