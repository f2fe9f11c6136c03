#include "app/command_line.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/catalogue_check.h"
#include "app/intro_html.h"
#include "app/web_export.h"
#include "core/publisher.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0"
#endif

namespace velmora {

namespace {

// Qt's own options as QGuiApplication and its platforms take them; true when a value follows.
struct TQtOption {
    std::string_view Name;
    bool TakesValue;
};

constexpr TQtOption QtOptions[] = {
    {"-platform", true},     {"-platformpluginpath", true}, {"-platformtheme", true}, {"-plugin", true},
    {"-qwindowgeometry", true}, {"-qwindowicon", true},     {"-qwindowtitle", true},  {"-style", true},
    {"-stylesheet", true},   {"-session", true},            {"-display", true},       {"-geometry", true},
    {"-title", true},        {"-name", true},               {"-reverse", false},      {"-widgetcount", false},
    {"-nograb", false},      {"-dograb", false},            {"-sync", false},
};

const TQtOption* FindQtOption(std::string_view arg) {
    // Qt also takes "-style=fusion" and the doubled dash.
    if (arg.starts_with("--")) arg.remove_prefix(1);
    const std::string_view name = arg.substr(0, arg.find('='));
    const auto found = std::find_if(std::begin(QtOptions), std::end(QtOptions),
                                    [name](const TQtOption& o) { return o.Name == name; });
    return found == std::end(QtOptions) ? nullptr : found;
}

TCommandLine Failure(std::string error) {
    TCommandLine command;
    command.Action = TCommandAction::Fail;
    command.Error = std::move(error);
    return command;
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
    TCommandLine command;
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
    size_t i = 0;
    if (!args.empty() && args[0] == "DEBUG") {
        command.EditorMode = true;
        i = 1;
    }
    bool check = false, formatGiven = false, exportHtml = false;
    std::string dir;
    // --data and --check may both name the catalogue, but only the same one.
    const auto setDir = [&](std::string_view given) -> bool {
        std::string value(given);
        if (value.empty()) return false;
        if (!dir.empty() && dir != value) {
            command.Error = "two directories given: " + dir;
            command.Error += " and " + value;
            return false;
        }
        dir = value;
        return true;
    };
    for (; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const size_t eq = arg.find('=');
        const std::string_view name = arg.starts_with("--") ? arg.substr(0, eq) : arg;
        const bool inlineValue = arg.starts_with("--") && eq != std::string_view::npos;
        const auto value = [&]() -> std::string_view {
            if (inlineValue) return arg.substr(eq + 1);
            if (i + 1 < args.size()) return args[++i];
            return {};
        };
        if (arg == "--help" || arg == "-h") {
            command.Action = TCommandAction::Help;
            return command;
        }
        if (arg == "--version") {
            command.Action = TCommandAction::Version;
            return command;
        }
        if (name == "--data") {
            if (!setDir(value()))
                return Failure(command.Error.empty() ? "option --data needs a directory" : command.Error);
        } else if (name == "--check") {
            check = true;
            if (inlineValue || (i + 1 < args.size() && !args[i + 1].starts_with("-"))) {
                if (!setDir(value()))
                    return Failure(command.Error.empty() ? "option --check needs a directory after =" : command.Error);
            }
        } else if (name == "--export-html") {
            const std::string_view out = value();
            if (out.empty()) return Failure("option --export-html needs a folder to write the site into");
            command.ExportDir = std::string(out);
            exportHtml = true;
        } else if (arg == "--force") {
            command.Force = true;
        } else if (name == "--format") {
            const std::string_view format = value();
            if (format == "json") {
                command.Format = TCheckFormat::Json;
            } else if (format == "text") {
                command.Format = TCheckFormat::Text;
            } else {
                return Failure(format.empty() ? "option --format needs text or json"
                                              : "unknown format " + std::string(format) + " (text or json)");
            }
            formatGiven = true;
        } else if (name == "--scale") {
            const std::string_view given = value();
            // One or two digits, so that no number can overflow on its way in.
            const bool digits = !given.empty() && given.size() <= 2 &&
                                std::all_of(given.begin(), given.end(), [](char c) { return c >= '0' && c <= '9'; });
            const int32_t scale = digits ? std::stoi(std::string(given)) : 0;
            if (scale < 1 || scale > MaxStageScale) return Failure("option --scale needs a whole number from 1 to 8");
            command.Scale = scale;
        } else if (const TQtOption* qt = FindQtOption(arg); qt != nullptr) {
            if (qt->TakesValue && arg.find('=') == std::string_view::npos) ++i;
        } else if (arg.starts_with("-")) {
            return Failure("unknown option " + std::string(arg));
        }
    }
    if (formatGiven && !check) return Failure("option --format goes with --check");
    if (check && exportHtml) return Failure("options --check and --export-html do not go together");
    if (command.Force && !exportHtml) return Failure("option --force goes with --export-html");
    if (!dir.empty()) {
        if (!IsDirectory(dir)) return Failure("no such directory: " + dir);
        if (dir.back() != '/') dir += '/';
        command.DataDir = dir;
    }
    if (check) command.Action = TCommandAction::Check;
    if (exportHtml) command.Action = TCommandAction::ExportHtml;
    return command;
}

std::string HelpText() {
    return "Usage: velmora [DEBUG] [--data DIR]\n"
           "       velmora --check [DIR] [--format text|json]\n"
           "       velmora --export-html OUT [--data DIR] [--force]\n"
           "\n"
           "Shows the catalogue of road signs. With DEBUG as the first argument the hotspot editor is on.\n"
           "\n"
           "  --data DIR       open the catalogue in DIR instead of the one beside the program\n"
           "                   (or in the installed share/velmora/dane)\n"
           "  --check [DIR]    check the catalogue in DIR (by default the one the program opens)\n"
           "                   without starting: one line per finding, then a summary; exit\n"
           "                   status 1 when there is an error\n"
           "  --format FORMAT  how --check reports: text (the default) or json\n"
           "  --export-html OUT\n"
           "                   write the catalogue as a static web site into the folder OUT,\n"
           "                   which is created or must be empty; what --check calls an error\n"
           "                   is left out with a warning; exit status 1 when it is not written\n"
           "  --force          let --export-html replace an earlier export in OUT (only the\n"
           "                   files its manifest names)\n"
           "  --scale N        show the stage N times its size (1 to 8); by default it is\n"
           "                   enlarged by the largest whole number that fits the screen\n"
           "  -h, --help       show this help and exit\n"
           "  --version        show the version and exit\n"
           "\n"
           "Qt's own options, such as -platform offscreen, are passed on to Qt.\n";
}

std::string VersionText() { return std::string("velmora ") + VELMORA_VERSION + "\n"; }

std::string ProgramDirectory() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::canonical("/proc/self/exe", error);
    if (error) return {};
    std::string dir = exe.parent_path().string();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

int RunCommand(const TCommandLine& command, const std::string& defaultDataDir, std::FILE* out, std::FILE* err) {
    switch (command.Action) {
        case TCommandAction::Help:
            std::fputs(HelpText().c_str(), out);
            return 0;
        case TCommandAction::Version:
            std::fputs(VersionText().c_str(), out);
            return 0;
        case TCommandAction::Fail:
            std::fprintf(err, "velmora: %s\nTry 'velmora --help' for more information.\n", command.Error.c_str());
            return ExitUsage;
        case TCommandAction::Check: {
            const std::string dir = command.DataDir.empty() ? defaultDataDir : command.DataDir;
            if (!IsDirectory(dir)) {
                std::fprintf(err, "velmora: no such directory: %s\n", dir.c_str());
                return ExitUsage;
            }
            const std::vector<TFinding> findings = CheckCatalogue(dir);
            if (command.Format == TCheckFormat::Json) {
                std::fputs(FindingsJson(findings).c_str(), out);
            } else {
                for (const TFinding& finding : findings) std::fprintf(out, "%s\n", FindingLine(finding).c_str());
                std::fprintf(out, "%s: %s\n", dir.c_str(), FindingsSummary(findings).c_str());
            }
            return HasErrors(findings) ? 1 : 0;
        }
        case TCommandAction::ExportHtml:
            return RunWebExport(command, defaultDataDir, PublisherUrl, IntroRtfToHtml, out, err);
        case TCommandAction::Run:
            break;
    }
    return 0;
}

}  // namespace velmora
