#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "tests/support/temp_dir.h"

using namespace velmora;
using velmora::testing::TempDir;

namespace {

TCommandLine Parse(std::vector<std::string> args) {
    std::vector<const char*> argv = {"velmora"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// Everything written to a temporary stream.
std::string Contents(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
}

}  // namespace

TEST(CommandLine, ArgumentsToAction) {
    TempDir dir;
    const std::string d = dir.Dir() + "cat";
    std::filesystem::create_directory(d);
    TempDir::Write(dir.File("file"), "x");
    const std::string other = dir.Dir();
    using A = TCommandAction;
    using F = TCheckFormat;
    struct Row {
        std::vector<std::string> args;
        A action;
        bool editor;
        std::string dataDir;
        F format;
        std::string error;
        int scale = 0;
    };
    const Row rows[] = {
        {{"--scale", "2"}, A::Run, false, "", F::Text, "", 2},
        {{"DEBUG", "--scale=8"}, A::Run, true, "", F::Text, "", 8},
        {{"--scale", "1", "--data", d}, A::Run, false, d + "/", F::Text, "", 1},
        {{"--scale", "0"}, A::Fail, false, "", F::Text, "option --scale needs a whole number from 1 to 8"},
        {{"--scale", "9"}, A::Fail, false, "", F::Text, "option --scale needs a whole number from 1 to 8"},
        {{"--scale=2.5"}, A::Fail, false, "", F::Text, "option --scale needs a whole number from 1 to 8"},
        {{"--scale", "-2"}, A::Fail, false, "", F::Text, "option --scale needs a whole number from 1 to 8"},
        {{"--scale"}, A::Fail, false, "", F::Text, "option --scale needs a whole number from 1 to 8"},
        {{}, A::Run, false, "", F::Text, ""},
        {{"DEBUG"}, A::Run, true, "", F::Text, ""},
        {{"debug"}, A::Run, false, "", F::Text, ""},  // words that are no option stay ignored
        {{"DEBUG", "--data", d}, A::Run, true, d + "/", F::Text, ""},
        {{"--data", d, "DEBUG"}, A::Run, false, d + "/", F::Text, ""},  // the switch is the first argument only
        {{"--data=" + d + "/"}, A::Run, false, d + "/", F::Text, ""},
        {{"DEBUG", "-platform", "offscreen", "-style=fusion", "-reverse"}, A::Run, true, "", F::Text, ""},
        {{"--check"}, A::Check, false, "", F::Text, ""},
        {{"--check", d, "--format", "json"}, A::Check, false, d + "/", F::Json, ""},
        {{"--check", "--format=json", "--data", d}, A::Check, false, d + "/", F::Json, ""},
        {{"--help", "--bogus"}, A::Help, false, "", F::Text, ""},
        {{"-h"}, A::Help, false, "", F::Text, ""},
        {{"DEBUG", "--version"}, A::Version, true, "", F::Text, ""},
        {{"--bogus", "--help"}, A::Fail, false, "", F::Text, "unknown option --bogus"},
        {{"-x"}, A::Fail, false, "", F::Text, "unknown option -x"},
        {{"--data"}, A::Fail, false, "", F::Text, "option --data needs a directory"},
        {{"--data="}, A::Fail, false, "", F::Text, "option --data needs a directory"},
        {{"--data", d + "/missing"}, A::Fail, false, "", F::Text, "no such directory: " + d + "/missing"},
        {{"--check", "--data", dir.File("file")}, A::Fail, false, "", F::Text, "no such directory: " + dir.File("file")},
        {{"--data", d, "--check", other}, A::Fail, false, "", F::Text, "two directories given: " + d + " and " + other},
        {{"--format", "json"}, A::Fail, false, "", F::Text, "option --format goes with --check"},
        {{"--check", "--format", "xml"}, A::Fail, false, "", F::Text, "unknown format xml (text or json)"},
    };
    for (const Row& row : rows) {
        std::string args;
        for (const std::string& a : row.args) args += a + " ";
        SCOPED_TRACE(args);
        const TCommandLine c = Parse(row.args);
        EXPECT_EQ(c.Action, row.action);
        EXPECT_EQ(c.EditorMode, row.editor);
        EXPECT_EQ(c.DataDir, row.dataDir);
        EXPECT_EQ(c.Format, row.format);
        EXPECT_EQ(c.Error, row.error);
        EXPECT_EQ(c.Scale, row.scale);
    }
}

TEST(CommandLine, RunCommandStreamsAndExitStatus) {
    TempDir dir;
    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out;  // what stdout starts with
        std::string err;
    };
    const std::string d = dir.Dir();
    const Row rows[] = {
        {{"--version"}, 0, "velmora ", ""},
        {{"--help"}, 0, "Usage: velmora [DEBUG] [--data DIR]\n", ""},
        {{"--bogus"}, 2, "", "velmora: unknown option --bogus\nTry 'velmora --help' for more information.\n"},
        // An empty directory: no menu and no index picture.
        {{"--check", d}, 1, d + "p_menu.jpg: error: the menu picture is missing", ""},
        {{"--check"}, 2, "", "velmora: no such directory: " + d + "none/\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.front());
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        ASSERT_TRUE(out && err);
        EXPECT_EQ(RunCommand(Parse(row.args), d + "none/", out, err), row.status);
        const std::string printed = Contents(out);
        EXPECT_EQ(printed.substr(0, row.out.size()), row.out);
        EXPECT_EQ(Contents(err), row.err);
        if (row.status == 1) {
            EXPECT_TRUE(printed.ends_with(d + ": 2 errors, 0 warnings\n")) << printed;
        }
        std::fclose(out);
        std::fclose(err);
    }
}
