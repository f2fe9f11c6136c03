// The search index on a small catalogue: which hotspots a query finds and in which order, what is
// left out (items the program cannot show, hotspots without a description), and an item replaced
// after the editor saved it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/catalogue_walk.h"
#include "app/search_index.h"
#include "tests/support/hotspot_file.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;

std::string Section(int n, int left, const std::string& opis) {
    return testing::HotspotSection(n, left, 5, 20, 20, opis);
}

std::string HotspotFile(const std::vector<std::string>& opis) {
    std::string text = "[info]\r\ncount=" + std::to_string(opis.size()) + "\r\n";
    for (size_t i = 0; i < opis.size(); ++i) text += Section(int(i) + 1, 10 * int(i), opis[i]);
    return text;
}

// Page 1 has two items, page 2 one; page 3 has no picture, so its item is never shown.
std::string WriteCatalogue(const TempDir& dir) {
    const std::string d = dir.Dir() + "dane/";
    TempDir::Write(d + "info.ini", "[1]\r\nItems=2\r\n");
    for (const char* name : {"p_1", "p_1_1", "p_1_2", "p_2", "p_2_1", "p_3_1"}) TempDir::Write(d + name + ".jpg", "x");
    // Windows-1250: "zakręt", "Przejście".
    TempDir::Write(d + "znaki.txt",
                   "A-1.jpg\tNiebezpieczny zakr\xEAt w prawo\r\n"
                   "A-2.jpg\tNiebezpieczny zakr\xEAt w lewo\r\n"
                   "A-11a.jpg\tKoleiny\r\n"
                   "B-20.jpg\tStop\r\n"
                   "B-2.jpg\tZakaz skr\xEAtu w lewo\r\n"
                   "D-6.jpg\tPrzej\x9C" "cie dla pieszych\r\n");
    TempDir::Write(d + "1_1.ini", HotspotFile({"A-1", "B-20", "", "D-6"}));
    TempDir::Write(d + "1_2.ini", HotspotFile({"A-2", "A-1"}));
    // "1a" and "-11a" take their caption from the line of "A-11a.jpg", by the substring rule.
    TempDir::Write(d + "2_1.ini", HotspotFile({"B-2", "znaki-nakazu/A-11a", "1a", "-11a"}));
    TempDir::Write(d + "3_1.ini", HotspotFile({"B-20"}));
    return d;
}

// "A-1 1/2#1": description, page / item, hotspot.
std::vector<std::string> Found(const TSearchIndex& index, const std::string& query) {
    std::vector<std::string> found;
    for (const TSearchResult& r : index.Search(query).Shown)
        found.push_back(r.Opis + " " + std::to_string(r.Place.Page) + "/" + std::to_string(r.Place.Item) + "#" +
                        std::to_string(r.Place.Hotspot));
    return found;
}

using Places = std::vector<std::string>;

TEST(SearchIndex, QueriesFindTheirHotspotsBestFirst) {
    TempDir dir;
    const TSearchIndex index = BuildSearchIndex(WriteCatalogue(dir));
    struct Row {
        const char* Query;
        Places Expected;
    };
    const Row rows[] = {
        // Whole caption words tie: the captions decide, then the places in catalogue order.
        {"zakret", {"A-2 1/2#0", "A-1 1/1#0", "A-1 1/2#1"}},
        {"ZAKR\xC4\x98T prawo", {"A-1 1/1#0", "A-1 1/2#1"}},
        {"w prawo zakr", {"A-1 1/1#0", "A-1 1/2#1"}},
        // Numbers: separators do not count; the number itself beats one that starts with it.
        {"b20", {"B-20 1/1#1"}},
        {"B-2", {"B-2 2/1#0", "B-20 1/1#1"}},
        {"a1", {"A-1 1/1#0", "A-1 1/2#1", "znaki-nakazu/A-11a 2/1#1"}},
        // A sign in a folder is still found by its number; the folder's words count as its text.
        {"a11a", {"znaki-nakazu/A-11a 2/1#1"}},
        {"nakazu", {"znaki-nakazu/A-11a 2/1#1"}},
        {"przejscie dla", {"D-6 1/1#3"}},
        {"PRZEJŚCIE", {"D-6 1/1#3"}},
        // A whole word beats a word's start, which beats the inside of a word.
        {"lewo", {"A-2 1/2#0", "B-2 2/1#0"}},
        {"skr", {"B-2 2/1#0"}},
        {"s", {"B-20 1/1#1", "B-2 2/1#0", "D-6 1/1#3"}},
        {"ejsc", {"D-6 1/1#3"}},
        // Every word must match; none, or a character outside the code page, finds nothing.
        {"zakret stop", {}},
        {"  , ", {}},
        {"stop\xE2\x98\x83", {}},
        {"stop", {"B-20 1/1#1"}},
        {"koleiny", {"-11a 2/1#3", "1a 2/1#2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Query);
        EXPECT_EQ(Found(index, row.Query), row.Expected);
    }
    // Page 3 shows nothing, and the hotspot without a description names no sign.
    EXPECT_EQ(index.PlaceCount(), 9u);
}

TEST(SearchIndex, LimitKeepsTheBestAndCountsTheRest) {
    TempDir dir;
    const TSearchIndex index = BuildSearchIndex(WriteCatalogue(dir));
    const TSearchResults results = index.Search("zakret", 2);
    ASSERT_EQ(results.Shown.size(), 2u);
    EXPECT_EQ(results.Total, 3u);
    EXPECT_EQ(results.Shown[0].Caption, "Niebezpieczny zakr\xEAt w lewo");
    EXPECT_EQ(results.Shown[1].Opis, "A-1");
    EXPECT_EQ(results.Shown[1].Place.Rect, (TSingleRect{0, 5, 20, 25}));
}

TEST(SearchIndex, ReplacedItemIsFoundAsSaved) {
    TempDir dir;
    TSearchIndex index = BuildSearchIndex(WriteCatalogue(dir));
    // Item 1 / 2 saved with a stop sign, a crossing on top, and a sign the index did not know.
    index.ReplaceItem(1, 2,
                      {{{1, 2, 3, 4}, "B-20"}, {{5, 6, 7, 8}, "D-6"}, {{0, 0, 9, 9}, "Q-9"}});
    EXPECT_EQ(Found(index, "zakret"), (Places{"A-1 1/1#0"}));
    EXPECT_EQ(Found(index, "b20"), (Places{"B-20 1/1#1", "B-20 1/2#0"}));
    EXPECT_EQ(Found(index, "pieszych"), (Places{"D-6 1/1#3", "D-6 1/2#1"}));
    EXPECT_EQ(Found(index, "q9"), (Places{"Q-9 1/2#2"}));
    // An item new to the index, and one emptied.
    index.ReplaceItem(2, 7, {{{0, 0, 1, 1}, "A-2"}});
    index.ReplaceItem(1, 1, {});
    EXPECT_EQ(Found(index, "zakret"), (Places{"A-2 2/7#0"}));
}

TEST(SearchIndex, FoldingDropsCaseAndDiacritics) {
    const std::pair<const char*, const char*> rows[] = {
        {"\xA3\xF3" "d\x9F", "lodz"},                       // Łódź
        {"\xAF\xF3\xB3w -- B-20 ", "zolw b 20"},          // Żółw -- B-20
        {"\xA5\xC6\xCA\xD1\xD3\x8C\x8F\xAF", "acenoszz"},  // ĄĆĘŃÓŚŹŻ
        {"x\xD7y\xF7z", "x y z"},                           // × and ÷ part words
    };
    for (const auto& [text, folded] : rows) EXPECT_EQ(FoldForSearch(text), folded) << folded;
    EXPECT_EQ(FoldQuery("  Zakr\xC4\x99t,B-20 "), "zakret b20");
}

}  // namespace
}  // namespace velmora
