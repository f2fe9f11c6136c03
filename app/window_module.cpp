#include "app/window_module.h"

#include <dlfcn.h>

#include "app/command_line.h"

namespace velmora {

std::vector<std::string> WindowModulePaths(const std::string& programDir) {
    if (programDir.empty()) return {WindowModuleFile};  // left to the loader's own search
    return {programDir + WindowModuleFile, programDir + VELMORA_INSTALLED_MODULE_DIR + "/" + WindowModuleFile};
}

int RunWindowModule(int argc, char** argv, const TCommandLine& command, const std::string& dataDir,
                    const std::string& programDir, std::FILE* err) {
    std::string reasons;
    for (const std::string& path : WindowModulePaths(programDir)) {
        // Bound lazily, as the program's own calls into Qt were: only what the start uses is looked up.
        void* module = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (module == nullptr) {
            const char* why = dlerror();
            reasons += "\n  ";
            reasons += why != nullptr ? why : path;
            continue;
        }
        const auto windowMain = reinterpret_cast<TWindowMain>(dlsym(module, WindowEntryPoint));
        if (windowMain == nullptr) {
            std::fprintf(err, "velmora: %s has no window: %s\n", path.c_str(), dlerror());
            return 1;
        }
        // The module stays loaded to the end: Qt's exit handlers run after main returns.
        return windowMain(argc, argv, dataDir.c_str(), command.EditorMode ? 1 : 0, command.Scale);
    }
    std::fprintf(err, "velmora: the window cannot be loaded (%s):%s\n", WindowModuleFile, reasons.c_str());
    return 1;
}

}  // namespace velmora
