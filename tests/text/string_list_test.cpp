#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"
#include "tests/support/unusual_files.h"
#include "text/file_errors.h"
#include "text/mem_ini_file.h"
#include "text/string_list.h"

using namespace velmora;
using velmora::testing::TempDir;

namespace {

std::vector<std::string> Split(std::string_view text) {
    TStringList list;
    list.SplitLines(text);
    return list.Lines();
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(SplitLines, EveryKindOfLineBreak) {
    EXPECT_EQ(Split("a\rb\nc\r\n\nd"), (Lines{"a", "b", "c", "", "d"}));
    EXPECT_EQ(Split("a\n\rb"), (Lines{"a", "", "b"}));  // LF CR ends two lines
    EXPECT_EQ(Split("a\r\r\nb\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(Split("x\r\n"), (Lines{"x"}));
    EXPECT_EQ(Split("\r\n"), (Lines{""}));
    EXPECT_EQ(Split("\n\n"), (Lines{"", ""}));
    EXPECT_EQ(Split(""), Lines{});
    EXPECT_EQ(Split(" \t \xB9\xFF "), (Lines{" \t \xB9\xFF "}));  // lines stay as they are
}

TEST(SplitLines, NulEndsTheText) {
    using namespace std::string_view_literals;
    EXPECT_EQ(Split("ab\0cd\nef"sv), (Lines{"ab"}));
    EXPECT_EQ(Split("ab\n\0cd"sv), (Lines{"ab"}));
    EXPECT_EQ(Split("\0ab"sv), Lines{});
    EXPECT_EQ(Split("ab\r\0"sv), (Lines{"ab"}));
}

TEST(StringList, JoinAndIndexing) {
    TStringList list;
    EXPECT_EQ(list.JoinLines(), "");
    list.Add("a");
    list.Add("");
    EXPECT_EQ(list.Add("c"), 2);
    EXPECT_EQ(list.JoinLines(), "a\r\n\r\nc\r\n");
    list.SetStrings(1, "b");
    EXPECT_EQ(list.Strings(1), "b");
    try {
        list.Strings(3);
        FAIL() << "no error for index 3";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
    EXPECT_THROW(list.Strings(-1), EListError);
    EXPECT_THROW(list.SetStrings(3, "x"), EListError);
}

TEST(StringListFiles, SaveThenLoadKeepsEveryByte) {
    TempDir dir;
    TStringList list;
    list.Add("A-1.jpg\tA-1 niebezpieczny zakr\xEAt w prawo");
    list.Add("");
    list.Add("  \xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF  ");
    list.SaveLines(dir.File("znaki.txt"));
    EXPECT_EQ(TempDir::Read(dir.File("znaki.txt")), list.JoinLines());
    TStringList back;
    back.Add("replaced");
    back.LoadLines(dir.File("znaki.txt"));
    EXPECT_EQ(back.Lines(), list.Lines());
    EXPECT_EQ(dir.EntryCount(), 1);  // no temporary left beside it
}

TEST(StringListFiles, OpenErrorsNameThePathAndTheCause) {
    TempDir dir;
    TStringList list;
    try {
        list.LoadLines(dir.File("missing.txt"));
        FAIL();
    } catch (const EFileOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.File("missing.txt") + "\". No such file or directory");
    }
    try {
        list.LoadLines(dir.File(""));
        FAIL();
    } catch (const EFileOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.File("") + "\". Is a directory");
    }
}

// Writing replaces a file only once the new contents are complete; every failure leaves the old file.
class SaveFailure : public ::testing::Test {
protected:
    void SetUp() override {
        TempDir::Write(FDir.File("1_1.ini"), kOld);
        FIni = std::make_unique<TMemIniFile>(FDir.File("1_1.ini"));
        FIni->SetValue("1", "opis", std::string(4000, 'x'));
    }
    void ExpectOldFileAlone() {
        EXPECT_EQ(TempDir::Read(FDir.File("1_1.ini")), kOld);
        EXPECT_EQ(FDir.EntryCount(), 1);
        // The store in memory is unchanged.
        EXPECT_EQ(FIni->GetValue("info", "count", ""), "1");
        EXPECT_EQ(FIni->GetValue("1", "opis", "").size(), 4000u);
    }
    static constexpr const char* kOld = "[info]\r\ncount=1\r\n\r\n";
    TempDir FDir;
    std::unique_ptr<TMemIniFile> FIni;
};

TEST_F(SaveFailure, PathInAMissingDirectory) {
    TMemIniFile ini(FDir.File("no/such/dir/x.ini"));
    ini.SetNumber("info", "count", 0);
    try {
        ini.SaveFile();
        FAIL();
    } catch (const EFileCreateError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + FDir.File("no/such/dir/x.ini") + "\". No such file or directory");
    }
    EXPECT_THROW(TStringList().SaveLines(FDir.File("no/x.txt")), EFileCreateError);
    ExpectOldFileAlone();
}

// A file size limit makes writing fail past `bytes`, as a full disk would; a child process inherits it.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &FOld), 0);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = FOld;
        small.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    struct rlimit FOld {};
    void (*FOldHandler)(int) = SIG_DFL;
};

TEST_F(SaveFailure, WriteFailsHalfway) {
    std::string message;
    {
        TFileSizeLimit limit(1000);
        try {
            FIni->SaveFile();
        } catch (const EFileCreateError& e) {
            message = e.what();
        }
    }
    EXPECT_EQ(message, "Cannot create file \"" + FDir.File("1_1.ini") + "\". File too large");
    ExpectOldFileAlone();
}

TEST_F(SaveFailure, TargetIsADirectory) {
    TMemIniFile ini(FDir.File("sub"));
    std::filesystem::create_directory(FDir.File("sub"));
    TempDir::Write(FDir.File("sub/keep"), "k");
    EXPECT_THROW(ini.SaveFile(), EFileCreateError);
    EXPECT_EQ(TempDir::Read(FDir.File("sub/keep")), "k");
    EXPECT_EQ(FDir.EntryCount(), 2);
}

// The message SaveFile raises when run by a user without root's rights. Root may write anywhere, so
// as root the save runs in a child process that has given them up.
std::string SaveAsNonWriter(TMemIniFile& ini) {
    auto attempt = [&ini]() -> std::string {
        try {
            ini.SaveFile();
        } catch (const EFileCreateError& e) {
            return e.what();
        }
        return "saved";
    };
    if (::geteuid() != 0) return attempt();
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        std::string message = attempt();
        ssize_t written = ::write(fds[1], message.data(), message.size());
        ::_exit(written == static_cast<ssize_t>(message.size()) ? 0 : 3);
    }
    ::close(fds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed";
    return message;
}

TEST_F(SaveFailure, ReadOnlyDirectory) {
    namespace fs = std::filesystem;
    fs::permissions(FDir.Dir(), fs::perms(0555));
    fs::permissions(FDir.File("1_1.ini"), fs::perms(0644));
    std::string message = SaveAsNonWriter(*FIni);
    EXPECT_EQ(message, "Cannot create file \"" + FDir.File("1_1.ini") + "\". Permission denied");
    ExpectOldFileAlone();
    // A write-protected file in a directory open to everyone stays too.
    fs::permissions(FDir.Dir(), fs::perms::all);
    fs::permissions(FDir.File("1_1.ini"), fs::perms(0444));
    EXPECT_EQ(SaveAsNonWriter(*FIni), message);
    fs::permissions(FDir.Dir(), fs::perms::owner_all);
    ExpectOldFileAlone();
}

// A folder that takes no temporary file: a file that may be written is then overwritten in place,
// once its space is reserved; one that may not, or one without room for the new text, stays.
TEST_F(SaveFailure, ReadOnlyDirectoryFallsBackToWritingTheFileInPlace) {
    namespace fs = std::filesystem;
    const std::string file = FDir.File("1_1.ini");
    const std::string cause = "Cannot create file \"" + file + "\". ";
    fs::permissions(FDir.Dir(), fs::perms(0555));
    fs::permissions(file, fs::perms(0444));
    EXPECT_EQ(SaveAsNonWriter(*FIni), cause + "Permission denied");
    ExpectOldFileAlone();
    fs::permissions(file, fs::perms(0666));
    {
        TFileSizeLimit limit(1000);
        EXPECT_EQ(SaveAsNonWriter(*FIni), cause + "File too large");
    }
    ExpectOldFileAlone();
    EXPECT_EQ(SaveAsNonWriter(*FIni), "saved");
    EXPECT_EQ(TempDir::Read(file), FIni->FileText());
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0666));
    EXPECT_EQ(FDir.EntryCount(), 1);
    // Shorter text leaves no tail of the longer one.
    FIni->ClearAll();
    FIni->SetNumber("info", "count", 0);
    EXPECT_EQ(SaveAsNonWriter(*FIni), "saved");
    EXPECT_EQ(TempDir::Read(file), "[info]\r\ncount=0\r\n\r\n");
    fs::permissions(FDir.Dir(), fs::perms::owner_all);
}

TEST(SaveReplacement, KeepsPermissionsAndWritesThroughLinks) {
    TempDir dir;
    TempDir::Write(dir.File("real.ini"), "old");
    std::filesystem::permissions(dir.File("real.ini"), std::filesystem::perms(0640));
    std::filesystem::create_symlink(dir.File("real.ini"), dir.File("link.ini"));
    TMemIniFile ini(dir.File("link.ini"));
    ini.SetNumber("info", "count", 0);
    ini.SaveFile();
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(TempDir::Read(dir.File("real.ini")), "[info]\r\ncount=0\r\n\r\n");
    EXPECT_EQ(std::filesystem::status(dir.File("real.ini")).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(dir.EntryCount(), 2);
}

// Whatever stands in the data directory under a file's name, reading it neither blocks nor fills
// memory. A FIFO or a device is no file to the store, which opens empty on it.
TEST(StringListFiles, UnusualFilesAreRefusedAtOnce) {
    using namespace velmora::testing;
    const struct {
        TUnusualFile File;
        const char* IniCause;  // nullptr: the store opens empty
        const char* LinesCause;
    } rows[] = {
        {UnusualFiles[0], nullptr, "Not a regular file"},
        {UnusualFiles[1], nullptr, "Not a regular file"},
        {UnusualFiles[2], "File too large", "File too large"},
    };
    ASSERT_STREQ(rows[2].File.Kind, "sparse_2GiB");
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.File.Kind);
        const std::string path = dir.File(std::string(row.File.Kind) + ".ini");
        ASSERT_TRUE(row.File.Make(path));
        std::string iniMessage = "opened";
        ExpectPrompt(std::string("ini_") + row.File.Kind, TimeTaken(path, [&] {
                         try {
                             TMemIniFile ini(path);
                             if (ini.Sections().Count() == 0) iniMessage = "empty";
                         } catch (const EFileOpenError& e) {
                             iniMessage = e.what();
                         }
                     }));
        EXPECT_EQ(iniMessage, row.IniCause ? "Cannot open file \"" + path + "\". " + row.IniCause : "empty");

        std::string linesMessage = "loaded";
        ExpectPrompt(std::string("lines_") + row.File.Kind, TimeTaken(path, [&] {
                         try {
                             TStringList().LoadLines(path);
                         } catch (const EFileOpenError& e) {
                             linesMessage = e.what();
                         }
                     }));
        EXPECT_EQ(linesMessage, "Cannot open file \"" + path + "\". " + row.LinesCause);
    }
}
