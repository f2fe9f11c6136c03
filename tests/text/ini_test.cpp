#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "text/ansi_upper_case.h"
#include "text/hashed_string_list.h"
#include "text/mem_ini_file.h"
#include "text/string_hash.h"

using namespace velmora;
using velmora::testing::TempDir;

namespace {

// A store loaded from the given file text.
class IniFixture : public ::testing::Test {
protected:
    TMemIniFile& Load(const std::string& text) {
        TempDir::Write(FDir.File("t.ini"), text);
        FIni = std::make_unique<TMemIniFile>(FDir.File("t.ini"));
        return *FIni;
    }
    TempDir FDir;
    std::unique_ptr<TMemIniFile> FIni;
};

using IniLoading = IniFixture;
using IniWriting = IniFixture;

}  // namespace

TEST_F(IniLoading, TrimsHeadersAndKeyLinesAndSkipsComments) {
    auto& ini = Load("[ 1 ]\r\n top = 15 \r\n;top=3\r\n\t\x01 left\x1f=\x02 9 \x20\r\n a b = c = d \r\n");
    EXPECT_EQ(ini.GetValue("1", "top", "x"), "15");
    EXPECT_EQ(ini.GetValue("1", "left", "x"), "9");
    EXPECT_EQ(ini.GetValue("1", "a b", "x"), "c = d");  // split at the first "=" only
    EXPECT_EQ(ini.FileText(), "[1]\r\ntop=15\r\nleft=9\r\na b=c = d\r\n\r\n");
}

TEST_F(IniLoading, DuplicateSectionsAndKeysResolveToTheLastOne) {
    auto& ini = Load("[1]\ntop=5\nwidth=1\n[1]\nleft=3\n[2]\ntop=5\ntop=7\nTOP=8\nleft=1\n");
    // The later section 1 hides the earlier one entirely.
    EXPECT_EQ(ini.GetValue("1", "top", "default"), "default");
    EXPECT_EQ(ini.GetValue("1", "left", ""), "3");
    EXPECT_EQ(ini.GetValue("2", "top", ""), "8");
    // Both copies of section 1 are kept and written back in order.
    EXPECT_EQ(ini.Sections().Count(), 3);
    EXPECT_EQ(ini.FileText(), "[1]\r\ntop=5\r\nwidth=1\r\n\r\n[1]\r\nleft=3\r\n\r\n[2]\r\ntop=5\r\ntop=7\r\nTOP=8\r\nleft=1\r\n\r\n");
}

TEST_F(IniLoading, NamesMatchRegardlessOfCaseInTheCodePage) {
    // "ŁÓDŹ" and "łódź" in Windows-1250.
    auto& ini = Load("[INFO]\r\nCount=2\r\n[\xA3\xD3\x44\x8F]\r\n\xA5=1\r\n");
    EXPECT_EQ(ini.GetNumber("info", "count", 0), 2);
    EXPECT_EQ(ini.GetValue("\xB3\xF3\x64\x9F", "\xB9", ""), "1");
    EXPECT_EQ(ini.GetValue("info", "count2", "none"), "none");
    EXPECT_EQ(ini.GetValue("inf", "count", "none"), "none");
}

TEST_F(IniLoading, LinesOutsideSectionsStrayLinesAndOddHeaders) {
    auto& ini = Load("top=1\nstray\n[\n[s]\n=abc\nword\n#k=2\n[\n[]\nz=9\n");
    EXPECT_EQ(ini.Sections().Count(), 2);  // "[" alone opens nothing; "[]" is a section named ""
    EXPECT_EQ(ini.GetValue("s", "top", "d"), "d");
    EXPECT_EQ(ini.GetValue("s", "", "d"), "abc");  // a key with an empty name
    EXPECT_EQ(ini.GetValue("s", "word", "d"), "d");  // stray lines are never keys
    EXPECT_EQ(ini.GetValue("s", "#k", "d"), "2");    // "#" is no comment
    EXPECT_EQ(ini.GetValue("", "z", "d"), "9");
    EXPECT_EQ(ini.FileText(), "[s]\r\n=abc\r\nword\r\n#k=2\r\n[\r\n\r\n[]\r\nz=9\r\n\r\n");
}

TEST_F(IniLoading, ByteOrderMarkHidesTheFirstHeader) {
    auto& ini = Load("\xEF\xBB\xBF[1]\r\ntop=4\r\n[2]\r\ntop=5\r\n");
    EXPECT_EQ(ini.GetValue("1", "top", "d"), "d");
    EXPECT_EQ(ini.GetValue("2", "top", "d"), "5");
}

TEST_F(IniLoading, MissingFilesAndDirectoriesGiveAnEmptyStore) {
    TMemIniFile missing(FDir.File("none.ini"));
    EXPECT_EQ(missing.Sections().Count(), 0);
    EXPECT_EQ(missing.GetNumber("info", "count", 7), 7);
    TMemIniFile directory(FDir.Dir());
    EXPECT_EQ(directory.Sections().Count(), 0);
    TMemIniFile unnamed("");
    EXPECT_EQ(unnamed.GetValue("a", "b", "c"), "c");
}

TEST(ParseInteger, AcceptedForms) {
    const std::pair<const char*, int32_t> rows[] = {
        {"0x1A", 26}, {"0X1a", 26}, {"$1a", 26}, {"x1A", 26}, {"X1a", 26},
        {"-$10", -16}, {"-0x10", -16}, {"+x10", 16}, {"0017", 17}, {"  42", 42},
        {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX}, {"+0", 0}, {"-0", 0},
        {"$FFFFFFFF", -1}, {"0xFFFFFFFF", -1}, {"$80000000", INT32_MIN}, {"-$FFFFFFFF", 1},
        {"2147483640", 2147483640}, {"0x0", 0}, {"0X00ff", 255},
    };
    for (const auto& [text, value] : rows) {
        auto parsed = ParseInteger(text);
        ASSERT_TRUE(parsed.has_value()) << text;
        EXPECT_EQ(*parsed, value) << text;
    }
}

TEST(ParseInteger, RejectedForms) {
    const char* rows[] = {"",     "12 ",  "2147483648", "-2147483649", "-",    "+",        "$",
                          "0x",   "x",    "-$",         "1a",          "a1",   " ",        "\t1",
                          "- 1",  "1-",   "$100000000", "0x100000000", "1.0",  "21474836470",
                          "$-1",  "0xx1", "++1",        "1e3",         "$G",   "0x-5",     "0x 5",
                          "0x$5", " 0x"};
    for (const char* text : rows) EXPECT_FALSE(ParseInteger(text).has_value()) << '"' << text << '"';
}

TEST_F(IniLoading, GetNumberFallsBackToTheDefault) {
    auto& ini = Load("[p]\na=12 \nb=\nc=0x1A\nd=-7\n");
    EXPECT_EQ(ini.GetNumber("p", "a", 5), 12);  // trimmed when read from the file
    EXPECT_EQ(ini.GetNumber("p", "b", 5), 5);
    EXPECT_EQ(ini.GetNumber("p", "c", 5), 26);
    EXPECT_EQ(ini.GetNumber("p", "d", 5), -7);
    EXPECT_EQ(ini.GetNumber("p", "e", 5), 5);
    EXPECT_EQ(ini.GetNumber("q", "a", -1), -1);
}

TEST_F(IniWriting, SetValueKeepsBlanksInMemoryButNotAcrossAFile) {
    TMemIniFile ini(FDir.File("blanks.ini"));
    ini.SetValue("s", "k", "  padded  ");
    ini.SetValue("s", " n ", "v");
    EXPECT_EQ(ini.GetValue("s", "k", ""), "  padded  ");
    EXPECT_EQ(ini.GetValue("s", " n ", ""), "v");
    ini.SaveFile();
    TMemIniFile again(FDir.File("blanks.ini"));
    EXPECT_EQ(again.GetValue("s", "k", ""), "padded");
    EXPECT_EQ(again.GetValue("s", "n", ""), "v");
}

TEST_F(IniWriting, SetValueReplacesInPlaceAndAppendsNewNames) {
    auto& ini = Load("[a]\ntop=1\nleft=2\n[A]\ntop=3\n");
    ini.SetValue("a", "TOP", "9");  // the later section, the line where it was
    ini.SetValue("a", "width", "4");
    ini.SetValue("New", "k", "v");
    ini.SetNumber("New", "n", -12);
    EXPECT_EQ(ini.FileText(),
              "[a]\r\ntop=1\r\nleft=2\r\n\r\n[A]\r\nTOP=9\r\nwidth=4\r\n\r\n[New]\r\nk=v\r\nn=-12\r\n\r\n");
}

TEST_F(IniWriting, LookUpsSeeEveryChange) {
    auto& ini = Load("[s]\nk=1\n");
    EXPECT_EQ(ini.GetValue("s", "k", ""), "1");  // builds the indexes
    ini.SetValue("s", "k2", "2");
    ini.SetValue("t", "k", "3");
    EXPECT_EQ(ini.GetValue("s", "k2", ""), "2");
    EXPECT_EQ(ini.GetValue("t", "k", ""), "3");
    ini.ClearAll();
    EXPECT_EQ(ini.GetValue("s", "k", "gone"), "gone");
    EXPECT_EQ(ini.FileText(), "");
    ini.SetNumber("info", "count", 0);
    EXPECT_EQ(ini.GetNumber("info", "count", 5), 0);
}

TEST_F(IniWriting, SaveFileWritesExactBytes) {
    TMemIniFile ini(FDir.File("h.ini"));
    ini.SetNumber("info", "count", 1);
    ini.SetNumber("1", "width", 100);
    ini.SaveFile();
    EXPECT_EQ(TempDir::Read(FDir.File("h.ini")), "[info]\r\ncount=1\r\n\r\n[1]\r\nwidth=100\r\n\r\n");

    TempDir::Write(FDir.File("old.ini"), "; comment\n[x]\nk=v\n");
    TMemIniFile cleared(FDir.File("old.ini"));
    cleared.ClearAll();
    cleared.SaveFile();
    EXPECT_TRUE(std::filesystem::exists(FDir.File("old.ini")));
    EXPECT_EQ(TempDir::Read(FDir.File("old.ini")), "");
}

TEST(StringHash, HashesUpperCasedBytesWithRotation) {
    EXPECT_EQ(TStringHash::HashOf(""), 0u);
    EXPECT_EQ(TStringHash::HashOf("AB"), 0x146u);
    EXPECT_EQ(TStringHash::HashOf("ab"), 0x146u);
    EXPECT_EQ(TStringHash::BucketOf(0x146u), 0x46);
    // 26 bytes rotate every bit round the word more than once.
    EXPECT_EQ(TStringHash::HashOf("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 0x6c955547u);
    EXPECT_EQ(TStringHash::HashOf("abcdefghijklmnopqrstuvwxyz"), 0x6c955547u);
    EXPECT_EQ(TStringHash::HashOf("\xB9\xB3\x9C"), 0x850u);
}

TEST(StringHash, LaterEntriesOfAChainComeFirst) {
    TStringHash hash;
    EXPECT_EQ(hash.Find(1, [](int32_t) { return true; }), -1);
    hash.Add(0x146, 0);
    hash.Add(0x246, 1);  // same bucket, other hash
    hash.Add(0x146, 2);
    EXPECT_EQ(hash.Find(0x146, [](int32_t) { return true; }), 2);
    EXPECT_EQ(hash.Find(0x146, [](int32_t v) { return v == 0; }), 0);
    EXPECT_EQ(hash.Find(0x246, [](int32_t) { return true; }), 1);
    EXPECT_EQ(hash.Find(0x346, [](int32_t) { return true; }), -1);
    hash.Clear();
    EXPECT_EQ(hash.Find(0x146, [](int32_t) { return true; }), -1);
}

TEST(StringHash, ChainsSurviveGrowingPastSmallTables) {
    // Every entry lands in one of 8 buckets, so chains grow long while the table widens.
    TStringHash hash;
    for (int32_t i = 0; i < 3000; ++i) hash.Add(static_cast<uint32_t>(i % 8 + 256 * (i % 5)), i);
    for (int32_t key = 0; key < 40; ++key) {
        const uint32_t h = static_cast<uint32_t>(key % 8 + 256 * (key % 5));
        // The last value added under h, then the first one, found by walking the whole chain.
        EXPECT_EQ(hash.Find(h, [](int32_t) { return true; }), 2960 + key);
        EXPECT_EQ(hash.Find(h, [&](int32_t v) { return v == key; }), key);
    }
    hash.Clear();
    EXPECT_EQ(hash.Find(0, [](int32_t) { return true; }), -1);
    hash.Add(0, 7);
    EXPECT_EQ(hash.Find(0, [](int32_t) { return true; }), 7);
}

TEST(HashedStringList, LargeListsWithDuplicates) {
    THashedStringList list;
    for (int i = 0; i < 2000; ++i) list.Add(std::to_string(i % 700) + "=" + std::to_string(i));
    for (int k = 0; k < 700; ++k) {
        const int last = k < 600 ? 1400 + k : 700 + k;
        ASSERT_EQ(list.IndexOfName(std::to_string(k)), last) << k;
        ASSERT_EQ(list.IndexOf(std::to_string(k) + "=" + std::to_string(k)), k);
    }
    EXPECT_EQ(list.IndexOfName("700"), -1);
}

TEST(HashedStringList, EntriesAppendedAfterALookUpAreFoundAsAfterARebuild) {
    THashedStringList list;
    list.Add("k=1");
    ASSERT_EQ(list.IndexOf("x"), -1);  // builds both indexes
    ASSERT_EQ(list.IndexOfName("k"), 0);
    list.Add("K=2");
    list.Add("x");
    EXPECT_EQ(list.IndexOfName("k"), 1);
    EXPECT_EQ(list.IndexOf("X"), 2);  // the remembered miss is forgotten
    list.AddWithLines("X");
    EXPECT_EQ(list.IndexOf("x"), 3);
}

TEST(HashedStringList, FindsTheLastEqualEntryAndTellsCollisionsApart) {
    THashedStringList list;
    list.Add("a");
    list.Add("AE");
    list.Add("P\x01");  // the same full hash as "AE"
    list.Add("A");
    EXPECT_EQ(list.IndexOf("a"), 3);
    EXPECT_EQ(list.IndexOf("ae"), 1);
    EXPECT_EQ(list.IndexOf("p\x01"), 2);
    EXPECT_EQ(list.IndexOf("b"), -1);
    list.SetStrings(3, "b");
    EXPECT_EQ(list.IndexOf("a"), 0);
    EXPECT_EQ(list.IndexOf("B"), 3);
    EXPECT_THROW(list.Strings(4), std::exception);
}

TEST(HashedStringList, NamesAreTheTextBeforeTheFirstEquals) {
    THashedStringList list;
    list.Add("top=1");
    list.Add("top");        // no name
    list.Add("a=b=c");
    list.Add("TOP=2=3");
    list.Add("=x");
    EXPECT_EQ(list.IndexOfName("top"), 3);
    EXPECT_EQ(list.IndexOfName("a"), 2);
    EXPECT_EQ(list.IndexOfName("a=b"), -1);
    EXPECT_EQ(list.IndexOfName(""), 4);
    EXPECT_EQ(list.IndexOfName("to"), -1);
    EXPECT_EQ(list.IndexOf("top"), 1);
}

TEST(AnsiUpperCase, MapsTheCodePagesLetters) {
    const auto& t = AnsiUpperTable();
    const std::pair<int, int> rows[] = {{'a', 'A'}, {'z', 'Z'}, {0xB9, 0xA5}, {0x9C, 0x8C}, {0x9F, 0x8F},
                                        {0xBF, 0xAF}, {0xB3, 0xA3}, {0xBE, 0xBC}, {0x9A, 0x8A}, {0x9E, 0x8E},
                                        {0xE0, 0xC0}, {0xFE, 0xDE}, {0xF3, 0xD3}, {0xEA, 0xCA}};
    for (auto [lower, upper] : rows) EXPECT_EQ(t[lower], upper) << std::hex << lower;
    // Capitals, digits, signs and non-letters stay.
    for (int c : {int('A'), int('0'), int('='), int('['), 0xF7, 0xFF, 0xDF, 0xA5, 0xC0, 0xB5, 0x80}) EXPECT_EQ(t[c], c) << c;
    int changed = 0;
    for (int c = 0; c < 256; ++c) changed += t[c] != c;
    EXPECT_EQ(changed, 26 + 10 + 30);
    EXPECT_TRUE(AnsiSameText("\xB3\xF3\x64\x9F", "\xA3\xD3\x44\x8F"));
    EXPECT_FALSE(AnsiSameText("ab", "abc"));
}
