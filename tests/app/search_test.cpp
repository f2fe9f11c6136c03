// The search panel in the window, through real keys and clicks: it opens by Ctrl+F and "/", lists a
// sign in several items once per place, shows a chosen place as the links do (the hotspot scrolled
// into view and flashed), gives the focus back on Escape, and follows what the editor saves.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>

#include "app/main_form.h"
#include "app/search_panel.h"
#include "app/warstwa_item.h"
#include "layers/frame_layer.h"
#include "layers/layer_collection.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/hotspot_file.h"
#include "tests/support/shown_main_form.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;

std::string Section(int n, int left, int top, const std::string& opis) {
    return testing::HotspotSection(n, left, top, 40, 40, opis);
}

// Item 1 of page 1 is larger than its view, with a stop sign far down and right; the warning sign is
// on items 1 and 2 of page 1, the crossing on page 2.
void WriteCatalogue(const std::string& appDir) {
    const std::string d = appDir + "dane/";
    TempDir::Write(d + "info.ini", "[1]\r\nItems=2\r\n");
    TempDir::Write(d + "znaki.txt", "A-1.jpg\tNiebezpieczny zakr\xEAt w prawo\r\nB-20.jpg\tStop\r\nD-6.jpg\tPrzej\x9C" "cie dla pieszych\r\n");
    for (const char* name : {"p_menu", "p_spis", "p_1", "p_2", "p_1_2", "p_2_1"})
        testing::WriteFlatJpeg(d + name + ".jpg", 300, 200, 0xFF808080);
    testing::WriteFlatJpeg(d + "p_1_1.jpg", 1600, 1400, 0xFF808080);
    for (const char* sign : {"A-1", "B-20", "D-6"}) testing::WriteFlatJpeg(d + "znaki/" + sign + ".jpg", 40, 30, 0xFF808080);
    TempDir::Write(d + "1_1.ini", "[info]\r\ncount=2\r\n" + Section(1, 10, 20, "A-1") + Section(2, 1400, 1200, "B-20"));
    TempDir::Write(d + "1_2.ini", "[info]\r\ncount=1\r\n" + Section(1, 50, 50, "A-1"));
    TempDir::Write(d + "2_1.ini", "[info]\r\ncount=1\r\n" + Section(1, 60, 60, "D-6"));
}

class SearchTest : public testing::TShownMainFormTest {
protected:
    void SetUp() override {
        TShownMainFormTest::SetUp();
        WriteCatalogue(FDir.Dir());
    }

    TMainForm& Open(bool editor = false) {
        ShowForm(FDir.Dir(), editor, TPointer::Untouched);
        QApplication::setActiveWindow(FForm.get());
        return *FForm;
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(FForm->windowHandle(), key, modifiers);
    }
    // Qt Test knows "/" only as a character.
    void Slash() { QTest::keyClick(FForm->windowHandle(), '/'); }
    // Opens the panel by Ctrl+F, waits for its index and types the query over what it held.
    TSearchPanel& Search(const QString& query) {
        Key(Qt::Key_F, Qt::ControlModifier);
        TSearchPanel* panel = FForm->SearchPanel();
        EXPECT_NE(panel, nullptr);
        EXPECT_TRUE(panel->isVisible());
        EXPECT_TRUE(panel->WaitForIndex());
        EXPECT_EQ(QApplication::focusWidget(), panel->Edit());
        Key(Qt::Key_A, Qt::ControlModifier);
        // Qt Test types ASCII only; a letter beyond it comes as the keyboard sends it, a key with its text.
        for (QChar c : query) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(panel->Edit(), c.toLatin1());
            } else {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(panel->Edit(), &press);
            }
        }
        return *panel;
    }
    std::vector<std::string> Rows(const TSearchPanel& panel) {
        std::vector<std::string> rows;
        for (int i = 0; i < panel.List()->count(); ++i) rows.push_back(panel.List()->item(i)->text().toStdString());
        return rows;
    }
    TWarstwaItem* Hotspot(int index) {
        return dynamic_cast<TWarstwaItem*>(FForm->sub_image->LayerCollection().LayerAt(index));
    }
    // The flash is over the hotspot and the hotspot lies inside the item view.
    void ExpectFlashedInView(int index) {
        ASSERT_NE(FForm->SearchFlash(), nullptr);
        EXPECT_EQ(FForm->SearchFlash()->Extent(), Hotspot(index)->Extent());
        const TSingleRect shown = Hotspot(index)->ExtentOnControl(Hotspot(index)->Extent());
        const TRect view = FForm->sub_image->ViewportRect();
        EXPECT_GE(shown.Left, view.Left);
        EXPECT_GE(shown.Top, view.Top);
        EXPECT_LE(shown.Right, view.Right);
        EXPECT_LE(shown.Bottom, view.Bottom);
    }

    TempDir FDir;
};

TEST_F(SearchTest, ChosenResultShowsItsItemWithTheHotspotInViewAndFlashed) {
    TMainForm& form = Open();
    TSearchPanel& panel = Search(QStringLiteral("b20"));
    EXPECT_EQ(Rows(panel), (std::vector<std::string>{"Stop\nB-20  \u00b7  rozdzia\u0142 1, plansza 1"}));
    EXPECT_EQ(panel.Status()->text(), QStringLiteral("1 miejsce"));
    Key(Qt::Key_Return);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_EQ(form.CurrentItem, 1);
    EXPECT_EQ(form.InfoLabel->Caption(), "1 / 2");
    // The stop sign lies at 1400, 1200 of a 1600 x 1400 picture: the view had to scroll to it.
    ExpectFlashedInView(1);
    // It goes off and on, then ends on its own; no hotspot is added or lost by it.
    bool seenHidden = false;
    for (int i = 0; i < 100 && form.SearchFlash() != nullptr; ++i) {
        seenHidden = seenHidden || !form.SearchFlash()->IsShown();
        QTest::qWait(20);
    }
    EXPECT_TRUE(seenHidden);
    EXPECT_EQ(form.SearchFlash(), nullptr);
    EXPECT_EQ(form.sub_image->LayerCollection().LayerCount(), 2);
}

TEST_F(SearchTest, SignInSeveralItemsListsEachPlaceAndUpDownEnterChooses) {
    TMainForm& form = Open();
    form.spis_Click(2);
    QWidget* const focusBefore = QApplication::focusWidget();
    // "/" opens it too, on any screen.
    Slash();
    ASSERT_NE(form.SearchPanel(), nullptr);
    TSearchPanel& panel = Search(QString::fromUtf8("ZAKRĘT"));
    ASSERT_EQ(panel.Results().size(), 2u);
    EXPECT_EQ(panel.Results()[0].Place, (TSearchPlace{1, 1, 0, {10, 20, 50, 60}}));
    EXPECT_EQ(panel.Results()[1].Place.Item, 2);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);  // stays on the last
    EXPECT_EQ(panel.List()->currentRow(), 1);
    Key(Qt::Key_Enter);
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_EQ(form.CurrentItem, 2);
    EXPECT_EQ(form.InfoLabel->Caption(), "2 / 2");
    ExpectFlashedInView(0);

    // Escape closes and hands the focus back; the query and its list stay for the next time.
    Slash();
    EXPECT_EQ(panel.Edit()->text(), QString::fromUtf8("ZAKRĘT"));
    EXPECT_EQ(panel.Edit()->selectedText(), panel.Edit()->text());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(form.CurrentItem, 2);  // Escape on a page is the index key only without the panel
    EXPECT_FALSE(form.SearchHasFocus());
    if (focusBefore != nullptr) {
        EXPECT_EQ(QApplication::focusWidget(), focusBefore);
    }
    // A click on a row chooses it.
    Search(QStringLiteral("a-1"));
    QListWidget* list = form.SearchPanel()->List();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(form.CurrentItem, 1);
    ExpectFlashedInView(0);
}

TEST_F(SearchTest, EditorSavesAreFoundAndChoosingAPlaceSavesTheItemLeft) {
    TMainForm& form = Open(true);
    form.spis_Click(1);
    TSearchPanel& panel = Search(QStringLiteral("pieszych"));
    EXPECT_EQ(panel.Results().size(), 1u);
    Key(Qt::Key_Escape);
    // The author renames the warning sign of item 1 and saves it: the index follows at once.
    form.SelectLayer(Hotspot(0));
    form._opis->setText(QStringLiteral("D-6"));
    form.L_SaveClick(form.L_Save);
    Search(QStringLiteral("pieszych"));
    ASSERT_EQ(panel.Results().size(), 2u);
    EXPECT_EQ(panel.Results()[0].Place, (TSearchPlace{1, 1, 0, {10, 20, 50, 60}}));
    EXPECT_EQ(Search(QStringLiteral("zakret")).Results().size(), 1u);
    Key(Qt::Key_Escape);

    // An edit not yet saved is saved on the way to the place chosen, as the links save it.
    form.SelectLayer(Hotspot(1));
    form._opis->setText(QStringLiteral("A-1"));
    ASSERT_TRUE(form.HotspotsEdited());
    Search(QStringLiteral("przejscie"));
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_EQ(form.CurrentPage, 2);
    EXPECT_NE(TempDir::Read(FDir.Dir() + "dane/1_1.ini").find("opis=A-1"), std::string::npos);
    // The flash is no hotspot: adding one ends it first, and a save writes hotspots only.
    ExpectFlashedInView(0);
    form.L_AddClick(form.L_Add);
    EXPECT_EQ(form.SearchFlash(), nullptr);
    form.L_SaveClick(form.L_Save);
    EXPECT_NE(TempDir::Read(FDir.Dir() + "dane/2_1.ini").find("count=2"), std::string::npos);
    EXPECT_EQ(Search(QStringLiteral("a1")).Results().size(), 2u);
    EXPECT_EQ(panel.Results()[0].Place, (TSearchPlace{1, 1, 1, {1400, 1200, 1440, 1240}}));
    Key(Qt::Key_Escape);
    // In the description edit box "/" is text (a sign in a folder); Ctrl+F still searches.
    form.SelectLayer(Hotspot(1));
    form._opis->setFocus();
    form._opis->setText(QStringLiteral("znaki"));
    Slash();
    EXPECT_EQ(form._opis->text(), QStringLiteral("znaki/"));
    EXPECT_FALSE(panel.isVisible());
    Key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(panel.isVisible());
}

TEST(SearchWords, PlacesAreCountedInPolish) {
    const std::pair<size_t, const char*> rows[] = {{1, "1 miejsce"}, {3, "3 miejsca"}, {5, "5 miejsc"},
                                                   {12, "12 miejsc"}, {22, "22 miejsca"}, {112, "112 miejsc"}};
    for (const auto& [count, text] : rows) EXPECT_EQ(PlacesText(count).toStdString(), text);
}

}  // namespace
}  // namespace velmora
