// The main window on small catalogues written into a temporary directory: start-up on full and empty
// data, editor mode, clicking through the real widgets, hover frames, stage placement and errors
// from pictures that cannot be decoded.
#include <algorithm>
#include <filesystem>
#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/shown_main_form.h"
#include "tests/support/temp_dir.h"
#include "toolkit/application.h"
#include "toolkit/screen_cursor.h"
#include "toolkit/shell.h"

namespace velmora {
namespace {

using testing::TempDir;

// Stage and item pictures are flat colours far apart, so a JPEG's small errors cannot blur them.
constexpr QRgb MenuColor = 0xFF2040C0;
constexpr QRgb IndexColor = 0xFF20A040;
constexpr QRgb Page1Color = 0xFFC02020;
constexpr QRgb Page2Color = 0xFFE0C020;
constexpr QRgb ItemColor = 0xFF808080;

void WriteJpeg(const std::string& path, int width, int height, QRgb color) {
    testing::WriteFlatJpeg(path, width, height, color);
}

bool Near(QRgb a, QRgb b) { return testing::NearColor(a, b, 12); }

QRgb StagePixel(TMainForm& form, int x, int y) {
    const TColor32 c = form.MainImage->Bitmap().PixelAt(x, y);
    return 0xFF000000u | c;
}

// A catalogue with a menu, an index, page 1 with three items, page 2 with two and nothing else.
void WriteFullCatalogue(const std::string& appDir) {
    const std::string dane = appDir + "dane/";
    TempDir::Write(dane + "info.ini", "[1]\r\nItems=3\r\n[2]\r\nItems=2\r\n");
    TempDir::Write(dane + "znaki.txt", "a1.jpg\tNiebezpieczny zakr\xEAt\r\nb2.jpg\tStop\r\n");
    TempDir::Write(dane + "opis.rtf", "{\\rtf1\\ansi Witamy w katalogu.\\par}");
    WriteJpeg(dane + "p_menu.jpg", 1024, 768, MenuColor);
    WriteJpeg(dane + "p_spis.jpg", 1024, 768, IndexColor);
    WriteJpeg(dane + "p_1.jpg", 1024, 768, Page1Color);
    WriteJpeg(dane + "p_2.jpg", 1024, 768, Page2Color);
    WriteJpeg(dane + "p_1_1.jpg", 100, 60, ItemColor);
    WriteJpeg(dane + "p_1_2.jpg", 120, 60, ItemColor);
    WriteJpeg(dane + "p_1_3.jpg", 1500, 1200, ItemColor);
    WriteJpeg(dane + "p_2_1.jpg", 200, 80, ItemColor);
    WriteJpeg(dane + "p_2_2.jpg", 210, 80, ItemColor);
}

std::vector<std::string> ControlNames() {
    std::vector<std::string> names = {"AppPanel", "MainPanel", "MainImage", "ImageWww",  "CloseBtn", "cxLabel1",
                                      "cxLabel10", "cxLabel2", "cxLabel3",  "cxLabel4",  "cxLabel5", "cxLabel6",
                                      "cxLabel7",  "cxLabel8", "cxLabel9",  "InfoLabel", "L_Add",    "L_Delete",
                                      "L_Load",    "L_Save",   "s1",        "SubNextBtn", "SubPrevBtn", "opis",
                                      "sub_image", "_opis",    "PreviewBtn"};
    for (int n = 1; n <= 10; ++n) names.push_back("spis_" + std::to_string(n));
    return names;
}

class MainFormTest : public testing::TShownMainFormTest {
protected:
    void SetUp() override {
        TShownMainFormTest::SetUp();
        FPreviousShell = SetShellOpenHook([this](const QString& url) {
            FUrls.push_back(url);
            return true;
        });
        TApplication* app = TApplication::Instance();
        ASSERT_NE(app, nullptr);
        FPreviousBox = app->ErrorBox;
        app->ErrorBox = [this](const QString& title, const QString& text) {
            FBoxes.push_back(title + "|" + text);
        };
    }
    void TearDown() override {
        FForm.reset();
        SetShellOpenHook(FPreviousShell);
        TApplication::Instance()->ErrorBox = FPreviousBox;
        TShownMainFormTest::TearDown();
    }

    TMainForm& Open(bool editor = false, QSize screen = QSize(1024, 768), std::string appDir = {}) {
        TMainFormOptions options;
        options.AppDir = appDir.empty() ? FDir.Dir() : appDir;
        options.EditorMode = editor;
        options.ScreenSize = screen;
        FForm = std::make_unique<TMainForm>(options);
        return *FForm;
    }
    TMainForm& OpenShown(bool editor = false) { return ShowForm(FDir.Dir(), editor); }

    // A click where the window system would deliver it: to the topmost control under the point.
    void ClickStage(int x, int y) {
        const QPoint at = FForm->MainImage->mapTo(FForm.get(), QPoint(x, y));
        QTest::mouseClick(FForm->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void MoveTo(QWidget* control) {
        QTest::mouseMove(FForm->windowHandle(), control->mapTo(FForm.get(), control->rect().center()));
    }
    QRgb ShownPixel(QWidget* control, QPoint at) {
        const QImage shot = FForm->grab().toImage();
        return shot.pixel(control->mapTo(FForm.get(), at));
    }

    bool Shown(const char* name) { return !FForm->FindControl(name)->isHidden(); }
    void ExpectScreen(bool menu, bool index, bool page) {
        EXPECT_EQ(Shown("opis"), menu);
        for (const char* name : {"SubPrevBtn", "SubNextBtn", "sub_image", "InfoLabel"}) EXPECT_EQ(Shown(name), page) << name;
        for (int n = 1; n <= 10; ++n) EXPECT_EQ(Shown(("spis_" + std::to_string(n)).c_str()), index) << n;
        for (const char* name : {"cxLabel1", "cxLabel9", "s1", "cxLabel10", "CloseBtn", "ImageWww"})
            EXPECT_TRUE(Shown(name)) << name;
    }

    TempDir FDir;
    std::vector<QString> FUrls;
    std::vector<QString> FBoxes;
    TShellOpenHook FPreviousShell;
    TApplication::TErrorBoxFunc FPreviousBox;
};

// --- start-up ---------------------------------------------------------------------------------------

TEST_F(MainFormTest, StartsOnTheMenuOfAFullCatalogue) {
    WriteFullCatalogue(FDir.Dir());
    TMainForm& form = Open();
    EXPECT_EQ(form.CurrentPage, 0);
    EXPECT_EQ(form.CurrentItem, 1);
    ExpectScreen(true, false, false);
    EXPECT_EQ(form.MainImage->Bitmap().Width(), 1024);
    EXPECT_EQ(form.MainImage->Bitmap().Height(), 768);
    EXPECT_TRUE(Near(StagePixel(form, 500, 400), MenuColor));
    EXPECT_TRUE(form.opis->toPlainText().contains(QStringLiteral("Witamy w katalogu.")));
    ASSERT_EQ(form.SignList->Count(), 2);
    EXPECT_EQ(form.SignList->Strings(1), "b2.jpg\tStop");
    EXPECT_EQ(form.InfoIni->GetNumber("2", "Items", 1), 2);
    EXPECT_EQ(Screen().Cursor(), crDefault);
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(MainFormTest, StartsFromAFolderWithPolishLettersInItsName) {
    const std::string appDir = FDir.Dir() + "Katalog \xC5\xBC\xC3\xB3\xC5\x82w/";  // UTF-8 "żółw"
    WriteFullCatalogue(appDir);
    TMainForm& form = Open(false, QSize(1024, 768), appDir);
    EXPECT_EQ(form.CurrentItem, 1);
    EXPECT_TRUE(Near(StagePixel(form, 10, 10), MenuColor));
    EXPECT_TRUE(form.opis->toPlainText().contains(QStringLiteral("Witamy")));
    EXPECT_EQ(form.SignList->Count(), 2);
    form.spis_Click(1);
    EXPECT_EQ(form.InfoLabel->Caption(), "1 / 3");
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(MainFormTest, AnEmptyDataDirectoryKeepsEveryControlAsCreated) {
    TMainForm& form = Open();
    EXPECT_EQ(form.CurrentPage, 0);
    EXPECT_EQ(form.CurrentItem, 0);
    EXPECT_EQ(form.MainImage->Bitmap().Width(), 0);
    EXPECT_TRUE(form.opis->toPlainText().isEmpty());
    EXPECT_EQ(form.SignList->Count(), 0);
    EXPECT_EQ(form.InfoLabel->Caption(), "1 / 1");
    for (const std::string& name : ControlNames()) {
        const bool hiddenAtStart = name == "_opis" || name == "PreviewBtn" || name.rfind("L_", 0) == 0;
        EXPECT_EQ(form.FindControl(name)->isHidden(), hiddenAtStart) << name;
    }
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(MainFormTest, WindowAndControlsHaveTheirFixedSettings) {
    TMainForm& form = Open();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Velmora - Holvenor"));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.font().pixelSize(), 11);
    for (const std::string& name : ControlNames()) ASSERT_NE(form.FindControl(name), nullptr) << name;
    EXPECT_EQ(form.FindControl("nothing"), nullptr);

    // Later siblings lie above earlier ones; every link lies above the web area.
    const QObjectList& children = form.MainImage->children();
    std::vector<QString> order;
    for (const QObject* child : children) order.push_back(child->objectName());
    const std::vector<QString> expected = {"ImageWww", "CloseBtn", "cxLabel1", "cxLabel10", "cxLabel2", "cxLabel3",
                                           "cxLabel4", "cxLabel5", "cxLabel6", "cxLabel7", "cxLabel8", "cxLabel9",
                                           "InfoLabel", "L_Add", "L_Delete", "L_Load", "L_Save", "s1", "spis_1",
                                           "spis_10", "spis_2", "spis_3", "spis_4", "spis_5", "spis_6", "spis_7",
                                           "spis_8", "spis_9", "SubNextBtn", "SubPrevBtn"};
    EXPECT_EQ(order, expected);

    EXPECT_EQ(form.spis_[1]->geometry(), QRect(274, 166, 463, 51));
    EXPECT_EQ(form.spis_[9]->geometry(), QRect(274, 166 + 48 * 8, 463, 51));
    EXPECT_EQ(form.spis_[10]->geometry(), QRect(274, 598, 463, 51));
    EXPECT_EQ(form.spis_[7]->Tag, 7);
    EXPECT_EQ(form.cxLabel2->Tag, 3);
    EXPECT_EQ(form.s1->Tag, 2);
    EXPECT_EQ(form.cxLabel9->Tag, 10);
    EXPECT_EQ(form.L_Load->geometry(), QRect(8, 104, 89, 25));
    EXPECT_EQ(form.L_Delete->text(), QString::fromUtf8("Usuń warstwę"));
    EXPECT_EQ(form.PreviewBtn->geometry(), QRect(55, 161, 39, 20));
    EXPECT_EQ(form.PreviewBtn->text(), QString::fromUtf8("Pokaż"));
    EXPECT_EQ(form._opis->geometry().topLeft(), QPoint(8, 104));
    EXPECT_EQ(form._opis->width(), 121);
    form.show();
    form._opis->show();
    EXPECT_EQ(form._opis->height(), form._opis->sizeHint().height()) << "the edit box shows at its natural height";
    EXPECT_EQ(form._opis->geometry().topLeft(), QPoint(8, 104));
    form._opis->hide();
    EXPECT_EQ(form.opis->parentWidget(), form.MainPanel);
    EXPECT_EQ(form.opis->geometry(), QRect(272, 105, 730, 625));
    EXPECT_EQ(form.sub_image->geometry(), QRect(244, 78, 780, 651));
    EXPECT_EQ(form.InfoLabel->geometry(), QRect(506, 729, 249, 37));
    EXPECT_EQ(form.MainImage->geometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(form.MainImage->Bitmap().ResamplerClassName(), "TDraftResampler");
    EXPECT_EQ(form.MainImage->Bitmap().OuterColor(), 0x7FFFFFFFu);
    EXPECT_EQ(form.sub_image->Bitmap().ResamplerClassName(), "TNearestResampler");
    EXPECT_EQ(form.sub_image->BitmapAlign(), TBitmapAlign::baCustom);
    EXPECT_EQ(form.ImageWww->Cursor(), crHandPoint);
    EXPECT_EQ(form.SubNextBtn->Cursor(), crHandPoint);
}

TEST_F(MainFormTest, ItemViewScrollsLargeItemsWithItsOwnBarsAndStartsUnscrolled) {
    WriteFullCatalogue(FDir.Dir());
    TMainForm& form = OpenShown();
    TImgView32& view = *form.sub_image;
    EXPECT_FALSE(view.Centered());
    EXPECT_EQ(view.OverSize(), 0);
    EXPECT_EQ(view.SizeGrip(), TSizeGripStyle::sgNone);
    EXPECT_EQ(view.BarSize(), 25);
    EXPECT_EQ(view.BarVisibility(), TScrollBarVisibility::svAuto);
    for (TArrowBar* bar : {static_cast<TArrowBar*>(view.HorzBar()), static_cast<TArrowBar*>(view.VertBar())}) {
        EXPECT_EQ(bar->Style(), TRBStyle::rbsMac);
        EXPECT_FALSE(bar->ShowArrows());
        EXPECT_FALSE(bar->ShowHandleGrip());
        EXPECT_EQ(bar->Color(), 14473945);
        EXPECT_EQ(bar->ButtonColor(), 14473945);
        EXPECT_EQ(bar->HandleColor(), 9134928);
        EXPECT_EQ(bar->ShadowColor(), 9134928);
        EXPECT_EQ(bar->BorderColor(), 9134928);
    }

    Click(form.cxLabel1);  // item 1 is 100 x 60: sits at the view's top-left, no bars
    EXPECT_FALSE(view.ScrollBarsShown());
    EXPECT_EQ(view.BitmapOffsetX(), 0.0f);
    EXPECT_EQ(view.BitmapOffsetY(), 0.0f);

    Click(form.SubPrevBtn);  // item 3 is 1500 x 1200
    ASSERT_EQ(view.Bitmap().Width(), 1500);
    EXPECT_TRUE(view.ScrollBarsShown());
    const QPoint inside = view.mapTo(&form, QPoint(300, 300));
    QTest::mouseMove(form.windowHandle(), inside);
    for (int notch = 0; notch < 3; ++notch) {
        QWheelEvent wheel(QPointF(300, 300), QPointF(view.mapToGlobal(QPoint(300, 300))), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
    }
    EXPECT_LT(view.BitmapOffsetY(), 0.0f);
    const QImage shot = form.grab().toImage();
    EXPECT_TRUE(Near(shot.pixel(inside), ItemColor));

    // The next item starts at its own top-left corner again.
    Click(form.SubNextBtn);
    EXPECT_EQ(view.Bitmap().Width(), 100);
    EXPECT_EQ(view.BitmapOffsetX(), 0.0f);
    EXPECT_EQ(view.BitmapOffsetY(), 0.0f);
    EXPECT_FALSE(view.ScrollBarsShown());
}

// --- editor mode -----------------------------------------------------------------------------------

TEST_F(MainFormTest, EditorModeComesOnlyFromAFirstArgumentOfExactlyDEBUG) {
    auto mode = [](std::vector<const char*> args) {
        std::vector<char*> argv;
        for (const char* a : args) argv.push_back(const_cast<char*>(a));
        argv.push_back(nullptr);
        return IsEditorModeArgument(static_cast<int>(args.size()), argv.data());
    };
    EXPECT_TRUE(mode({"velmora", "DEBUG"}));
    EXPECT_TRUE(mode({"velmora", "DEBUG", "more"}));
    EXPECT_FALSE(mode({"velmora", "debug"}));
    EXPECT_FALSE(mode({"velmora", "DEBUG "}));
    EXPECT_FALSE(mode({"velmora", "other", "DEBUG"}));
    EXPECT_FALSE(mode({"velmora"}));
}

TEST_F(MainFormTest, EditorButtonsShowOnEveryScreenOnlyInEditorMode) {
    WriteFullCatalogue(FDir.Dir());
    for (const bool editor : {true, false}) {
        TMainForm& form = OpenShown(editor);
        auto expectButtons = [&](const char* where) {
            for (QWidget* button : {static_cast<QWidget*>(form.L_Add), static_cast<QWidget*>(form.L_Delete),
                                    static_cast<QWidget*>(form.L_Load), static_cast<QWidget*>(form.L_Save)})
                EXPECT_EQ(button->isVisible(), editor) << where << " " << button->objectName().toStdString();
        };
        expectButtons("menu");
        Click(form.cxLabel10);
        expectButtons("index");
        Click(form.spis_[1]);
        ASSERT_EQ(form.CurrentPage, 1);
        expectButtons("page");
        Click(form.SubNextBtn);
        expectButtons("item");
    }
}

// --- clicking through ------------------------------------------------------------------------------

TEST_F(MainFormTest, ChapterIndexAndItemLinksNavigate) {
    WriteFullCatalogue(FDir.Dir());
    TMainForm& form = OpenShown();

    Click(form.cxLabel1);
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_EQ(form.CurrentItem, 1);
    ExpectScreen(false, false, true);
    EXPECT_EQ(form.InfoLabel->Caption(), "1 / 3");
    EXPECT_TRUE(Near(StagePixel(form, 500, 400), Page1Color));
    EXPECT_EQ(form.sub_image->Bitmap().Width(), 100);

    Click(form.SubNextBtn);
    EXPECT_EQ(form.InfoLabel->Caption(), "2 / 3");
    EXPECT_EQ(form.sub_image->Bitmap().Width(), 120);
    Click(form.SubNextBtn);
    EXPECT_EQ(form.InfoLabel->Caption(), "3 / 3");
    EXPECT_EQ(form.sub_image->Bitmap().Width(), 1500);
    Click(form.SubNextBtn);
    EXPECT_EQ(form.InfoLabel->Caption(), "1 / 3");
    EXPECT_EQ(form.sub_image->Bitmap().Width(), 100);
    Click(form.SubPrevBtn);
    EXPECT_EQ(form.InfoLabel->Caption(), "3 / 3");
    EXPECT_EQ(form.CurrentItem, 3);

    Click(form.cxLabel10);
    EXPECT_EQ(form.CurrentPage, 0);
    ExpectScreen(false, true, false);
    EXPECT_TRUE(Near(StagePixel(form, 500, 400), IndexColor));

    // The index entry of a page without a stage picture leaves everything as it was.
    Click(form.spis_[7]);
    EXPECT_EQ(form.CurrentPage, 0);
    ExpectScreen(false, true, false);
    EXPECT_TRUE(Near(StagePixel(form, 500, 400), IndexColor));

    Click(form.spis_[2]);
    EXPECT_EQ(form.CurrentPage, 2);
    EXPECT_EQ(form.InfoLabel->Caption(), "1 / 2");
    EXPECT_TRUE(Near(StagePixel(form, 500, 400), Page2Color));
    // s1 carries tag 2 and leads to the same page from the chapter column.
    Click(form.cxLabel1);
    Click(form.s1);
    EXPECT_EQ(form.CurrentPage, 2);
    EXPECT_EQ(Screen().Cursor(), crDefault);
}

TEST_F(MainFormTest, StageClicksCloseOrOpenTheWebPage) {
    WriteFullCatalogue(FDir.Dir());
    TMainForm& form = OpenShown();
    ClickStage(10, 670);
    ASSERT_EQ(FUrls.size(), 1u);
    EXPECT_EQ(FUrls[0], QString::fromLatin1(PublisherUrl));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.CurrentPage, 0);

    // At 10, 600 the close link lies over the web area and takes the click.
    ClickStage(10, 600);
    EXPECT_EQ(FUrls.size(), 1u);
    EXPECT_FALSE(form.isVisible());
}

// --- hover frames ----------------------------------------------------------------------------------

TEST_F(MainFormTest, HoverFramesShowInTheirColoursAndGoOnLeave) {
    WriteFullCatalogue(FDir.Dir());
    TMainForm& form = OpenShown();
    Click(form.cxLabel1);
    MoveTo(form.cxLabel10);  // away from the chapter link just clicked

    struct Case {
        TLinkLabel* link;
        TColor color;
        QRgb rgb;
    };
    const Case cases[] = {{form.SubNextBtn, 14473945, qRgb(217, 218, 220)},
                          {form.SubPrevBtn, 14473945, qRgb(217, 218, 220)},
                          {form.CloseBtn, 9200720, qRgb(80, 100, 140)},
                          {form.cxLabel10, 9200720, qRgb(80, 100, 140)},
                          {form.cxLabel4, 9200720, qRgb(80, 100, 140)}};
    for (const Case& c : cases) {
        const std::string name = c.link->objectName().toStdString();
        QTest::mouseMove(form.windowHandle(), QPoint(1010, 40));
        ASSERT_EQ(c.link->BorderStyle(), TBorderStyle::bsNone) << name;
        MoveTo(c.link);
        EXPECT_EQ(c.link->BorderStyle(), TBorderStyle::bsSingle) << name;
        EXPECT_EQ(c.link->BorderColor(), c.color) << name;
        EXPECT_EQ(ShownPixel(c.link, QPoint(0, 0)), c.rgb) << name;
        EXPECT_EQ(ShownPixel(c.link, QPoint(c.link->width() - 1, c.link->height() - 1)), c.rgb) << name;
        EXPECT_NE(ShownPixel(c.link, QPoint(5, 5)), c.rgb) << name;

        QTest::mouseMove(form.windowHandle(), QPoint(1010, 40));
        EXPECT_EQ(c.link->BorderStyle(), TBorderStyle::bsNone) << name;
        EXPECT_EQ(c.link->BorderColor(), c.color) << name;  // only the style goes
        EXPECT_TRUE(Near(ShownPixel(c.link, QPoint(0, 0)), Page1Color)) << name;
    }
}

// --- stage placement -------------------------------------------------------------------------------

TEST_F(MainFormTest, StageIsCentredWithTruncatingDivision) {
    struct Case {
        QSize screen;
        QPoint stage;
    };
    for (const Case& c : {Case{{1280, 1024}, {128, 128}}, Case{{1023, 768}, {0, 0}}, Case{{1024, 767}, {0, 0}},
                          Case{{800, 600}, {-112, -84}}, Case{{1920, 1080}, {448, 156}}}) {
        TMainForm& form = Open(false, c.screen);
        EXPECT_EQ(form.MainPanel->pos(), c.stage) << c.screen.width() << "x" << c.screen.height();
        EXPECT_EQ(form.MainPanel->size(), QSize(1024, 768));
    }
}

// --- errors ----------------------------------------------------------------------------------------

TEST_F(MainFormTest, UndecodablePicturesAreReportedAndTheProgramGoesOn) {
    WriteFullCatalogue(FDir.Dir());
    const std::string dane = FDir.Dir() + "dane/";
    TempDir::Write(dane + "p_menu.jpg", "this is no picture");
    TempDir::Write(dane + "p_3.jpg", "neither is this");

    TMainForm& form = OpenShown();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0], QStringLiteral("Velmora - Holvenor|JPEG error #53."));
    EXPECT_EQ(Screen().Cursor(), crDefault);
    // As with a missing menu picture, every control keeps the visibility it was created with, and the
    // rest of the start-up still ran.
    for (const std::string& name : ControlNames()) {
        const bool hiddenAtStart = name == "_opis" || name == "PreviewBtn" || name.rfind("L_", 0) == 0;
        EXPECT_EQ(form.FindControl(name)->isHidden(), hiddenAtStart) << name;
    }
    EXPECT_EQ(form.SignList->Count(), 2);
    EXPECT_FALSE(form.opis->toPlainText().isEmpty());

    Click(form.cxLabel2);  // tag 3
    ASSERT_EQ(FBoxes.size(), 2u);
    EXPECT_EQ(FBoxes[1], QStringLiteral("Velmora - Holvenor|JPEG error #53."));
    EXPECT_EQ(Screen().Cursor(), crDefault);

    Click(form.cxLabel1);
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_EQ(form.InfoLabel->Caption(), "1 / 3");
    EXPECT_TRUE(Near(StagePixel(form, 500, 400), Page1Color));
    EXPECT_EQ(FBoxes.size(), 2u);
}

// Each file of the start-up reports its own failure; the ones after it are still read.
TEST_F(MainFormTest, AStartUpFileThatCannotBeReadKeepsTheOthers) {
    for (const char* file : {"info.ini", "znaki.txt", "opis.rtf"}) {
        SCOPED_TRACE(file);
        WriteFullCatalogue(FDir.Dir());
        const std::string path = FDir.Dir() + "dane/" + file;
        std::filesystem::resize_file(path, uintmax_t(1) << 31);  // too large to read
        FBoxes.clear();
        TMainForm& form = Open();
        ASSERT_EQ(FBoxes.size(), 1u);
        EXPECT_EQ(FBoxes[0], QString::fromStdString("Velmora - Holvenor|Cannot open file \"" + path + "\". File too large."));
        EXPECT_EQ(form.SignList->Count(), std::string(file) == "znaki.txt" ? 0 : 2);
        EXPECT_EQ(form.opis->toPlainText().isEmpty(), std::string(file) == "opis.rtf");
        EXPECT_TRUE(Near(StagePixel(form, 500, 400), MenuColor));
        FForm.reset();
    }
}

TEST_F(MainFormTest, AnUndecodableItemLeavesTheItemShownCurrentAndResetsTheCursor) {
    WriteFullCatalogue(FDir.Dir());
    TempDir::Write(FDir.Dir() + "dane/p_1_2.jpg", std::string("\xFF\xD8", 2));
    TMainForm& form = OpenShown();
    Click(form.cxLabel1);
    Click(form.SubNextBtn);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].startsWith(QStringLiteral("Velmora - Holvenor|JPEG error #")));
    EXPECT_EQ(form.CurrentItem, 1);
    EXPECT_EQ(form.InfoLabel->Caption(), "1 / 3");
    EXPECT_EQ(form.sub_image->Bitmap().Width(), 100);
    EXPECT_EQ(Screen().Cursor(), crDefault);
    // The item after it is reached the other way round.
    Click(form.SubPrevBtn);
    EXPECT_EQ(form.InfoLabel->Caption(), "3 / 3");
    EXPECT_EQ(form.sub_image->Bitmap().Width(), 1500);
}

TEST_F(MainFormTest, AMenuPictureFetchedAheadIsShownOnlyIfItIsTheMenusFile) {
    WriteFullCatalogue(FDir.Dir());
    const std::string dane = FDir.Dir() + "dane/";
    for (const char* fetched : {"p_menu.jpg", "p_1.jpg"}) {
        SCOPED_TRACE(fetched);
        TPictureFetch fetch;
        fetch.Load(dane + fetched);
        TMainFormOptions options;
        options.AppDir = FDir.Dir();
        options.ScreenSize = QSize(1024, 768);
        options.MenuPicture = &fetch;
        FForm = std::make_unique<TMainForm>(options);
        // Whether taken or not, the form is done with it once it stands.
        EXPECT_TRUE(fetch.Path().empty());
        EXPECT_TRUE(Near(StagePixel(*FForm, 500, 400), MenuColor));
        FForm.reset();
    }
}

TEST_F(MainFormTest, ItemPicturesDecodedBesideTheirPageAreExactlyTheFilesAndNeverStale) {
    WriteFullCatalogue(FDir.Dir());
    const std::string dane = FDir.Dir() + "dane/";
    TMainForm& form = OpenShown();
    auto expectShows = [&](const std::string& file) {
        TBitmap32 direct;
        direct.LoadPictureFile(dane + file);
        const TBitmap32& shown = form.sub_image->Bitmap();
        ASSERT_EQ(shown.Width(), direct.Width()) << file;
        ASSERT_EQ(shown.Height(), direct.Height()) << file;
        EXPECT_TRUE(std::equal(shown.PixelData(), shown.PixelData() + shown.Width() * shown.Height(),
                               direct.PixelData()))
            << file;
    };
    Click(form.cxLabel1);
    expectShows("p_1_1.jpg");
    Click(form.s1);
    expectShows("p_2_1.jpg");

    // A page whose own picture fails goes no further, and its item is read afresh next time.
    TempDir::Write(dane + "p_2.jpg", "no picture");
    Click(form.cxLabel1);
    Click(form.s1);
    ASSERT_EQ(FBoxes.size(), 1u);
    WriteJpeg(dane + "p_2.jpg", 1024, 768, Page2Color);
    WriteJpeg(dane + "p_2_1.jpg", 333, 90, ItemColor);
    Click(form.s1);
    EXPECT_EQ(form.CurrentPage, 2);
    expectShows("p_2_1.jpg");
    EXPECT_EQ(form.sub_image->Bitmap().Width(), 333);
    // A damaged first item is reported by the load that shows it, as before.
    TempDir::Write(dane + "p_1_1.jpg", std::string("\xFF\xD8", 2));
    Click(form.cxLabel1);
    ASSERT_EQ(FBoxes.size(), 2u);
    EXPECT_TRUE(FBoxes[1].startsWith(QStringLiteral("Velmora - Holvenor|JPEG error #")));
    EXPECT_EQ(Screen().Cursor(), crDefault);
}

}  // namespace
}  // namespace velmora
