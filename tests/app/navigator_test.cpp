#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/navigator.h"

using namespace velmora;

namespace {

using Calls = std::vector<std::string>;

// Records every service the navigator asks for, in order. Hotspot loads and saves record the page and
// item the navigator holds at that moment.
class RecordingView : public TViewServices {
public:
    bool FileExists(const std::string& path) override { return files.count(path) > 0; }
    void LoadStagePicture(const std::string& path) override {
        calls.push_back("stage " + path);
        if (path == failingPicture) throw std::runtime_error("bad picture");
    }
    void LoadItemPicture(const std::string& path) override {
        calls.push_back("item " + path);
        if (path == failingPicture) throw std::runtime_error("bad picture");
    }
    void PrefetchItemPicture(const std::string& path) override { calls.push_back("prefetch " + path); }
    void SetControlVisible(std::string_view name, bool visible) override {
        calls.push_back(std::string(visible ? "show " : "hide ") + std::string(name));
    }
    void SetCounterText(const std::string& text) override { calls.push_back("counter " + text); }
    void SetBusyCursor(bool busy) override { calls.push_back(busy ? "busy" : "default"); }
    void ClearLayers() override { calls.push_back("clear"); }
    void LoadZnaki() override {
        calls.push_back("znaki " + Numbers());
        if (hotspotsFail) throw std::runtime_error("bad hotspot file");
    }
    void L_LoadClick() override { calls.push_back("load " + Numbers()); }
    void L_SaveClick() override { calls.push_back("save " + Numbers()); }
    void CloseMainWindow() override { calls.push_back("close"); }

    std::string Numbers() const {
        return std::to_string(navigator->CurrentPage) + "_" + std::to_string(navigator->CurrentItem);
    }
    Calls Take() { return std::exchange(calls, {}); }

    std::set<std::string> files;
    std::string failingPicture;
    bool hotspotsFail = false;
    Calls calls;
    const TNavigator* navigator = nullptr;
};

const std::string App = "/app/";

std::string Stage(const std::string& name) { return App + "dane/p_" + name + ".jpg"; }
std::string Item(int page, int item) {
    return App + "dane/p_" + std::to_string(page) + "_" + std::to_string(item) + ".jpg";
}

Calls Visibility(const std::string& kind) {
    Calls c{kind == "menu" ? "show opis" : "hide opis"};
    const std::string page = kind == "page" ? "show " : "hide ";
    for (const char* name : {"SubPrevBtn", "SubNextBtn", "sub_image", "InfoLabel"}) c.push_back(page + name);
    for (int n = 1; n <= 10; ++n) c.push_back((kind == "index" ? "show spis_" : "hide spis_") + std::to_string(n));
    return c;
}

Calls Concat(std::initializer_list<Calls> parts) {
    Calls all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A catalogue with a menu, an index and pages 2 (5 items) and 3 (4 items), every picture present.
class NavigatorTest : public ::testing::Test {
protected:
    explicit NavigatorTest(bool editor = false) : nav(view, App, editor) {
        view.navigator = &nav;
        nav.InfoIni = std::make_unique<TMemIniFile>("");
        nav.InfoIni->SetNumber("2", "Items", 5);
        nav.InfoIni->SetNumber("3", "Items", 4);
        for (const char* s : {"menu", "spis", "2", "3"}) view.files.insert(Stage(s));
        for (int i = 1; i <= 5; ++i) view.files.insert(Item(2, i));
        for (int i = 1; i <= 4; ++i) view.files.insert(Item(3, i));
    }
    // Shows page p item i without recording it.
    void Goto(int page, int item) {
        nav.spis_Click(page);
        while (nav.CurrentItem != item) nav.SubNextBtnClick();
        view.Take();
    }
    Calls ShowItem(int page, int item, int count, const std::string& loader) {
        return {"clear", "busy", "item " + Item(page, item),
                "counter " + std::to_string(item) + " / " + std::to_string(count), loader + " " + std::to_string(page) + "_" + std::to_string(item),
                "default"};
    }

    RecordingView view;
    TNavigator nav;
};

class EditorNavigatorTest : public NavigatorTest {
protected:
    EditorNavigatorTest() : NavigatorTest(true) {}
};

}  // namespace

TEST_F(NavigatorTest, StartShowsTheMenu) {
    EXPECT_EQ(nav.CurrentPage, 0);
    EXPECT_EQ(nav.CurrentItem, 0);
    EXPECT_EQ(nav.GetFile("menu"), "/app/dane/p_menu.jpg");
    EXPECT_EQ(nav.LoadImage("menu"), TNavigator::TShowResult::Shown);
    EXPECT_EQ(view.Take(), Concat({{"busy", "stage " + Stage("menu"), "clear"}, Visibility("menu"), {"default"}}));
    EXPECT_EQ(nav.CurrentPage, 0);
    EXPECT_EQ(nav.CurrentItem, 1);
}

TEST_F(NavigatorTest, MissingMenuPictureChangesNothing) {
    view.files.clear();
    EXPECT_EQ(nav.LoadImage("menu"), TNavigator::TShowResult::ScreenMissing);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_EQ(nav.CurrentItem, 0);
}

TEST_F(NavigatorTest, IndexHidesTheItemControlsAndShowsTheEntries) {
    Goto(2, 3);
    nav.SpisBtnClick();
    EXPECT_EQ(view.Take(),
              Concat({{"save 2_3", "busy", "stage " + Stage("spis"), "clear"}, Visibility("index"), {"default"}}));
    EXPECT_EQ(nav.CurrentPage, 0);
    EXPECT_EQ(nav.CurrentItem, 1);
}

TEST_F(NavigatorTest, ChapterShowsThePageAndItsFirstItem) {
    nav.LoadImage("spis");
    view.Take();
    nav.spis_Click(3);
    EXPECT_EQ(view.Take(), Concat({{"busy", "prefetch " + Item(3, 1), "stage " + Stage("3"), "clear"}, Visibility("page"), {"default"},
                                   ShowItem(3, 1, 4, "znaki")}));
    EXPECT_EQ(nav.CurrentPage, 3);
    EXPECT_EQ(nav.CurrentItem, 1);
}

TEST_F(NavigatorTest, ItemsWrapAroundInBothDirections) {
    Goto(3, 4);
    nav.SubNextBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 3_4"}, ShowItem(3, 1, 4, "znaki")}));
    nav.SubPrevBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 3_1"}, ShowItem(3, 4, 4, "znaki")}));
    EXPECT_EQ(nav.CurrentItem, 4);
    nav.SubPrevBtnClick();
    EXPECT_EQ(nav.CurrentItem, 3);
}

TEST_F(NavigatorTest, ItemCountIsReadAfreshAndDefaultsToOne) {
    Goto(3, 2);
    nav.InfoIni->SetNumber("3", "Items", 2);
    nav.SubNextBtnClick();
    EXPECT_EQ(nav.CurrentItem, 1);
    nav.InfoIni->SetValue("3", "Items", "many");
    view.Take();
    nav.SubNextBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 3_1"}, ShowItem(3, 1, 1, "znaki")}));
    nav.SubPrevBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 3_1"}, ShowItem(3, 1, 1, "znaki")}));
}

TEST_F(NavigatorTest, NoPageListMeansOneItemPerPage) {
    nav.InfoIni.reset();
    nav.spis_Click(2);
    EXPECT_EQ(view.calls.back(), "default");
    EXPECT_EQ(view.calls[view.calls.size() - 3], "counter 1 / 1");
}

TEST_F(NavigatorTest, ZeroItemsCountsOneOfZeroAndNextReturnsToTheFirst) {
    nav.InfoIni->SetNumber("3", "Items", 0);
    nav.spis_Click(3);
    EXPECT_EQ(view.calls[view.calls.size() - 3], "counter 1 / 0");
    view.Take();
    nav.SubNextBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 3_1"}, ShowItem(3, 1, 0, "znaki")}));
    // Previous asks for item 0, which has no picture: the item shown stays current.
    nav.SubPrevBtnClick();
    EXPECT_EQ(view.Take(), (Calls{"save 3_1", "clear", "busy", "znaki 3_1", "default"}));
    EXPECT_EQ(nav.CurrentItem, 1);
}

TEST_F(NavigatorTest, CounterShowsTheArgumentButThePathUsesTheCurrentItem) {
    Goto(2, 2);
    EXPECT_TRUE(nav.LoadSubImage(7));
    EXPECT_EQ(view.Take(), (Calls{"clear", "busy", "item " + Item(2, 2), "counter 7 / 5", "znaki 2_2", "default"}));
}

TEST_F(NavigatorTest, MissingChapterPictureLeavesEverythingAsItWas) {
    Goto(2, 3);
    nav.spis_Click(7);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_EQ(nav.CurrentPage, 2);
    EXPECT_EQ(nav.CurrentItem, 3);
    view.files.erase(Stage("spis"));
    nav.SpisBtnClick();
    EXPECT_EQ(view.Take(), Calls{"save 2_3"});
    EXPECT_EQ(nav.CurrentPage, 2);
}

TEST_F(NavigatorTest, MissingItemPictureKeepsTheShownItemCurrent) {
    Goto(2, 3);
    view.files.erase(Item(2, 4));
    nav.SubNextBtnClick();
    // The hotspots go, then those of the item still shown come back; picture and counter stay.
    EXPECT_EQ(view.Take(), (Calls{"save 2_3", "clear", "busy", "znaki 2_3", "default"}));
    EXPECT_EQ(nav.CurrentItem, 3);
    view.files.erase(Item(2, 2));
    nav.SubPrevBtnClick();
    EXPECT_EQ(nav.CurrentItem, 3);
}

TEST_F(NavigatorTest, ChapterWithoutItemPictureKeepsThePreviousNumbers) {
    Goto(2, 3);
    view.files.erase(Item(3, 1));
    nav.spis_Click(3);
    EXPECT_EQ(view.Take(), Concat({{"busy", "prefetch " + Item(3, 1), "stage " + Stage("3"), "clear"}, Visibility("page"), {"default"},
                                   {"clear", "busy", "znaki 2_3", "default"}}));
    EXPECT_EQ(nav.CurrentPage, 2);
    EXPECT_EQ(nav.CurrentItem, 3);
    // From the index nothing is reloaded: page 0 has no hotspots.
    nav.SpisBtnClick();
    view.Take();
    nav.spis_Click(3);
    EXPECT_EQ(view.calls.back(), "clear");
    EXPECT_EQ(nav.CurrentPage, 0);
    EXPECT_EQ(nav.CurrentItem, 1);
}

// A picture that cannot be decoded leaves the navigator as a missing one would: the numbers, controls
// and hotspots of what is still shown, so that a later save lands where it belongs.
TEST_F(NavigatorTest, UndecodableStagePictureChangesNothingButTheCursor) {
    Goto(2, 3);
    view.failingPicture = Stage("3");
    EXPECT_THROW(nav.spis_Click(3), std::runtime_error);
    EXPECT_EQ(view.Take(), (Calls{"busy", "prefetch " + Item(3, 1), "stage " + Stage("3"), "default"}));
    EXPECT_EQ(nav.CurrentPage, 2);
    EXPECT_EQ(nav.CurrentItem, 3);
    view.failingPicture = Stage("spis");
    EXPECT_THROW(nav.SpisBtnClick(), std::runtime_error);
    EXPECT_EQ(view.Take(), (Calls{"save 2_3", "busy", "stage " + Stage("spis"), "default"}));
    EXPECT_EQ(nav.CurrentPage, 2);
    EXPECT_EQ(nav.CurrentItem, 3);
}

TEST_F(NavigatorTest, UndecodableItemPictureKeepsTheShownItemCurrent) {
    Goto(2, 3);
    view.failingPicture = Item(2, 4);
    EXPECT_THROW(nav.SubNextBtnClick(), std::runtime_error);
    EXPECT_EQ(view.Take(), (Calls{"save 2_3", "clear", "busy", "item " + Item(2, 4), "default", "busy", "znaki 2_3",
                                  "default"}));
    EXPECT_EQ(nav.CurrentItem, 3);
    view.failingPicture = Item(2, 2);
    EXPECT_THROW(nav.SubPrevBtnClick(), std::runtime_error);
    EXPECT_EQ(nav.CurrentItem, 3);
    // A chapter whose first item fails goes back to the item shown before it.
    view.failingPicture = Item(3, 1);
    EXPECT_THROW(nav.spis_Click(3), std::runtime_error);
    EXPECT_EQ(view.calls.back(), "default");
    EXPECT_EQ(view.calls[view.calls.size() - 2], "znaki 2_3");
    EXPECT_EQ(nav.CurrentPage, 2);
    EXPECT_EQ(nav.CurrentItem, 3);
}

TEST_F(NavigatorTest, AHotspotFileThatFailsLeavesItsItemCurrent) {
    Goto(2, 3);
    view.hotspotsFail = true;
    EXPECT_THROW(nav.SubNextBtnClick(), std::runtime_error);
    EXPECT_EQ(view.Take(), Concat({{"save 2_3"}, ShowItem(2, 4, 5, "znaki")}));
    EXPECT_EQ(nav.CurrentItem, 4);
    EXPECT_THROW(nav.spis_Click(3), std::runtime_error);
    EXPECT_EQ(nav.CurrentPage, 3);
    EXPECT_EQ(nav.CurrentItem, 1);
}

TEST_F(NavigatorTest, CloseSavesAPageOnlyThenCloses) {
    nav.LoadImage("menu");
    view.Take();
    nav.CloseBtnClick();
    EXPECT_EQ(view.Take(), Calls{"close"});
    Goto(3, 2);
    nav.CloseBtnClick();
    EXPECT_EQ(view.Take(), (Calls{"save 3_2", "close"}));
}

TEST_F(EditorNavigatorTest, LeavingAnItemByItsLinksSavesItFirst) {
    EXPECT_TRUE(nav.EditorMode());
    Goto(2, 3);
    nav.SubNextBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 2_3"}, ShowItem(2, 4, 5, "load")}));
    nav.SubPrevBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 2_4"}, ShowItem(2, 3, 5, "load")}));
    nav.SpisBtnClick();
    EXPECT_EQ(view.calls.front(), "save 2_3");
}

TEST_F(EditorNavigatorTest, ChapterLinkAndIndexFromTheMenuSaveNothingButAChapterLinkSavesTheItemLeft) {
    nav.LoadImage("menu");
    nav.SpisBtnClick();
    nav.spis_Click(2);
    for (const auto& call : view.calls) EXPECT_NE(call.rfind("save", 0), 0u) << call;
    Goto(2, 3);
    view.Take();
    nav.spis_Click(3);
    EXPECT_EQ(view.calls.front(), "save 2_3");
    EXPECT_EQ(view.calls.back(), "default");
    EXPECT_EQ(view.calls[view.calls.size() - 2], "load 3_1");
}

TEST_F(EditorNavigatorTest, OneItemPageReloadsAfterSaving) {
    nav.InfoIni->ClearAll();
    Goto(3, 1);
    nav.SubNextBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 3_1"}, ShowItem(3, 1, 1, "load")}));
    nav.SubPrevBtnClick();
    EXPECT_EQ(view.Take(), Concat({{"save 3_1"}, ShowItem(3, 1, 1, "load")}));
}

TEST_F(EditorNavigatorTest, ShowPlaceGoesStraightToAnItemAndSavesTheOneLeft) {
    Goto(2, 3);
    EXPECT_EQ(nav.ShowPlace(3, 2), TNavigator::TShowResult::Shown);
    EXPECT_EQ(view.Take(), Concat({{"save 2_3", "busy", "prefetch " + Item(3, 2), "stage " + Stage("3"), "clear"},
                                   Visibility("page"), {"default"}, ShowItem(3, 2, 4, "load")}));
    // On the same page only the item changes.
    EXPECT_EQ(nav.ShowPlace(3, 4), TNavigator::TShowResult::Shown);
    EXPECT_EQ(view.Take(), Concat({{"save 3_2"}, ShowItem(3, 4, 4, "load")}));
    // A place whose page or item picture is missing leaves everything as shown.
    view.files.erase(Item(2, 5));
    EXPECT_EQ(nav.ShowPlace(2, 5), TNavigator::TShowResult::ItemMissing);
    EXPECT_EQ(nav.ShowPlace(7, 1), TNavigator::TShowResult::ScreenMissing);
    EXPECT_EQ(view.Take(), (Calls{"save 3_4", "save 3_4"}));
    EXPECT_EQ(nav.CurrentPage, 3);
    EXPECT_EQ(nav.CurrentItem, 4);
}
