// The shared reader of whole files: its limit holds whatever size a file tells, and every refusal
// leaves the bytes empty.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "core/bounded_file_read.h"
#include "tests/support/temp_dir.h"

using namespace velmora;
using velmora::testing::TempDir;

TEST(ReadBoundedFile, LimitHoldsForTheSizeToldAndForWhatIsRead) {
    TempDir dir;
    TempDir::Write(dir.File("ten"), "0123456789");
    TempDir::Write(dir.File("empty"), "");
    struct Row {
        std::string Path;
        size_t Limit;
        int Error;
    };
    // /proc files tell a size of 0 and hold more: only the reading sees how large they are.
    const Row rows[] = {
        {dir.File("ten"), 10, 0},
        {dir.File("ten"), 9, EFBIG},
        {dir.File("empty"), 0, 0},
        {"/proc/self/status", MaxTextFileBytes, 0},
        {"/proc/self/status", 16, EFBIG},
        {dir.File("missing"), 10, ENOENT},
        {dir.Dir(), 10, EISDIR},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Path + " limit " + std::to_string(row.Limit));
        std::string text = "old";
        std::vector<uint8_t> bytes{1, 2, 3};
        EXPECT_EQ(ReadBoundedFile(row.Path, row.Limit, text), row.Error);
        EXPECT_EQ(ReadBoundedFile(row.Path, row.Limit, bytes), row.Error);
        if (row.Error != 0) {
            EXPECT_TRUE(text.empty());
            EXPECT_TRUE(bytes.empty());
        } else if (row.Path == dir.File("ten")) {
            EXPECT_EQ(text, "0123456789");
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text);
        } else if (row.Path.starts_with("/proc/")) {
            EXPECT_TRUE(text.starts_with("Name:")) << text;
            EXPECT_GT(bytes.size(), 16u);
        }
    }
}

TEST(ReadBoundedFile, ErrorTexts) {
    EXPECT_EQ(FileErrorText(NotRegularFileError), "Not a regular file");
    EXPECT_EQ(FileErrorText(EFBIG), "File too large");
    EXPECT_EQ(FileErrorText(EISDIR), "Is a directory");
}
