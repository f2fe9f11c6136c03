#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <fstream>
#include <memory>
#include <vector>

#include "tests/support/unusual_files.h"
#include "toolkit/files.h"
#include "toolkit/link_label.h"
#include "toolkit/message_box.h"
#include "toolkit/rich_text_view.h"
#include "toolkit/shell.h"

namespace velmora {
namespace {

constexpr TColor FrameBlueGrey = 9200720;  // red 80, green 100, blue 140
constexpr TColor FrameLightGrey = 14473945;  // red 217, green 218, blue 220

// A stand-in for the stage picture: every pixel has its own colour, so a label that paints any
// background of its own shows up as a wrong pixel.
class TPatternWidget : public QWidget {
public:
    static QRgb Pattern(int x, int y) { return qRgb(x * 3 % 256, y * 5 % 256, (x + y) % 256); }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage image(size(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x) image.setPixel(x, y, Pattern(x, y));
        QPainter(this).drawImage(0, 0, image);
    }
};

class TCountPaints : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

class LinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        FStage = std::make_unique<TPatternWidget>();
        FStage->setGeometry(0, 0, 200, 120);
        FLabel = new TLinkLabel(FStage.get());
        FLabel->setGeometry(LabelRect);
        FStage->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FStage.get()));
        QTest::mouseMove(FStage.get(), QPoint(190, 110));  // the pointer survives from test to test
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    }

    // Each pixel of the label's rectangle: the frame colour on its edge, the stage inside.
    void ExpectFrame(const QImage& shot, const QColor* frame) {
        int wrong = 0;
        for (int y = LabelRect.top(); y <= LabelRect.bottom(); ++y)
            for (int x = LabelRect.left(); x <= LabelRect.right(); ++x) {
                const bool edge = x == LabelRect.left() || x == LabelRect.right() || y == LabelRect.top() ||
                                  y == LabelRect.bottom();
                const QRgb want = frame && edge ? frame->rgb() : TPatternWidget::Pattern(x, y);
                if (shot.pixel(x, y) != want && ++wrong < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << shot.pixel(x, y) << " not " << want;
            }
        EXPECT_EQ(wrong, 0);
        // Just outside the rectangle the stage is untouched.
        EXPECT_EQ(shot.pixel(LabelRect.left() - 1, LabelRect.top() - 1),
                  TPatternWidget::Pattern(LabelRect.left() - 1, LabelRect.top() - 1));
        EXPECT_EQ(shot.pixel(LabelRect.right() + 1, LabelRect.bottom() + 1),
                  TPatternWidget::Pattern(LabelRect.right() + 1, LabelRect.bottom() + 1));
    }

    QImage Shot() { return FStage->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    static constexpr QRect LabelRect{30, 20, 60, 25};
    std::unique_ptr<TPatternWidget> FStage;
    TLinkLabel* FLabel = nullptr;
};

TEST_F(LinkLabelTest, FrameFollowsBorderStyleAndColour) {
    ExpectFrame(Shot(), nullptr);  // starts with no border and nothing of its own

    FLabel->SetBorderColor(FrameBlueGrey);
    FLabel->SetBorderStyle(TBorderStyle::bsSingle);
    const QColor blueGrey(80, 100, 140);
    ExpectFrame(Shot(), &blueGrey);

    FLabel->SetBorderColor(FrameLightGrey);
    const QColor lightGrey(217, 218, 220);
    ExpectFrame(Shot(), &lightGrey);

    FLabel->SetBorderStyle(TBorderStyle::bsNone);
    ExpectFrame(Shot(), nullptr);
    EXPECT_EQ(FLabel->BorderColor(), FrameLightGrey) << "the colour stays as set";
}

TEST_F(LinkLabelTest, ChangesRepaintTheLabel) {
    TCountPaints counter;
    FLabel->installEventFilter(&counter);
    QApplication::processEvents();
    counter.Paints = 0;

    FLabel->SetBorderStyle(TBorderStyle::bsSingle);
    QApplication::processEvents();
    EXPECT_GT(counter.Paints, 0) << "showing the frame";

    counter.Paints = 0;
    FLabel->SetBorderColor(FrameLightGrey);
    QApplication::processEvents();
    EXPECT_GT(counter.Paints, 0) << "recolouring the frame";

    counter.Paints = 0;
    FLabel->SetBorderStyle(TBorderStyle::bsNone);
    QApplication::processEvents();
    EXPECT_GT(counter.Paints, 0) << "removing the frame";
}

TEST_F(LinkLabelTest, BorderlessLabelIsLeftOutWhenThePictureRepaints) {
    TCountPaints counter;
    FLabel->installEventFilter(&counter);
    QApplication::processEvents();
    counter.Paints = 0;
    FStage->repaint();
    EXPECT_EQ(counter.Paints, 0) << "a new label";

    FLabel->SetBorderStyle(TBorderStyle::bsSingle);
    QApplication::processEvents();
    counter.Paints = 0;
    FStage->repaint();
    EXPECT_EQ(counter.Paints, 1) << "the frame is drawn again over the repainted picture";
    const QColor black(0, 0, 0);
    ExpectFrame(Shot(), &black);

    FLabel->SetBorderStyle(TBorderStyle::bsNone);
    QApplication::processEvents();
    counter.Paints = 0;
    FStage->repaint();
    FStage->repaint();
    EXPECT_EQ(counter.Paints, 0) << "after the frame went";
    ExpectFrame(Shot(), nullptr);
}

TEST_F(LinkLabelTest, ClickEnterAndLeaveEvents) {
    std::vector<std::string> log;
    FLabel->Tag = 7;
    FLabel->OnClick = [&](TLinkLabel* s) { log.push_back("click " + std::to_string(s->Tag)); };
    FLabel->OnMouseEnter = [&](TLinkLabel* s) { log.push_back("enter " + std::to_string(s->Tag)); };
    FLabel->OnMouseLeave = [&](TLinkLabel* s) { log.push_back("leave " + std::to_string(s->Tag)); };

    QTest::mouseMove(FStage.get(), LabelRect.center());
    QTest::mouseMove(FStage.get(), QPoint(150, 100));
    EXPECT_EQ(log, (std::vector<std::string>{"enter 7", "leave 7"}));

    log.clear();
    QTest::mouseClick(FLabel, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(FLabel, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(log, (std::vector<std::string>{"click 7"})) << "only the left button clicks";

    log.clear();
    QTest::mousePress(FLabel, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(FLabel, Qt::LeftButton, {}, QPoint(LabelRect.width() + 10, 5));
    EXPECT_TRUE(log.empty()) << "released outside: no click";
    QTest::mouseRelease(FLabel, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(log.empty()) << "a release without its press is no click";
}

TEST_F(LinkLabelTest, ClickHandlerMayDestroyTheLabel) {
    QPointer<TLinkLabel> watched(FLabel);
    int clicks = 0;
    FLabel->OnClick = [&](TLinkLabel* s) {
        ++clicks;
        s->OnClick = nullptr;  // the handler's own closure must survive this
        s->deleteLater();
    };
    QTest::mouseClick(FLabel, Qt::LeftButton, {}, QPoint(3, 3));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(watched.isNull());
}

TEST_F(LinkLabelTest, OwnCursorYieldsToTheApplicationCursor) {
    FLabel->SetCursor(crHandPoint);
    EXPECT_EQ(FLabel->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(FLabel->testAttribute(Qt::WA_SetCursor));
    FLabel->SetCursor(crDefault);
    EXPECT_FALSE(FLabel->testAttribute(Qt::WA_SetCursor)) << "the default cursor is the parent's";
}

TEST_F(LinkLabelTest, TransparentTextLabelShowsCaptionOverThePicture) {
    TTransparentLabel* counter = new TTransparentLabel(FStage.get());
    counter->setGeometry(LabelRect);
    counter->setAlignment(Qt::AlignCenter);
    counter->SetFontSpec("Verdana", 19, false);
    counter->SetTextColor(0xFFFFFF);
    counter->SetCaption("1 / 1");
    counter->show();
    EXPECT_EQ(counter->text(), "1 / 1");
    EXPECT_EQ(counter->font().pixelSize(), 19);

    counter->SetCaption("Zak\xB3" "ad \xB9");
    EXPECT_EQ(counter->text(), QString::fromUtf8("Zakład ą"));
    EXPECT_EQ(counter->Caption(), "Zak\xB3" "ad \xB9");

    const QImage shot = Shot();
    int white = 0;
    for (int y = LabelRect.top(); y <= LabelRect.bottom(); ++y)
        for (int x = LabelRect.left(); x <= LabelRect.right(); ++x) white += shot.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(white, 5) << "the caption is drawn in white";
    // Corners hold no glyphs: the picture shows there.
    EXPECT_EQ(shot.pixel(LabelRect.topLeft()), TPatternWidget::Pattern(LabelRect.left(), LabelRect.top()));
    EXPECT_EQ(shot.pixel(LabelRect.bottomRight()), TPatternWidget::Pattern(LabelRect.right(), LabelRect.bottom()));
}

class MessageBoxTest : public ::testing::Test {
protected:
    struct TSeen {
        QString title, text, buttonText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        qsizetype buttons = 0;
        Qt::TextFormat format = Qt::AutoText;
    };

    // Closes the next modal box by its button, noting what it showed.
    void CloseNextBox(TSeen& seen) {
        auto* timer = new QTimer(qApp);
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, [timer, &seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.format = box->textFormat();
            seen.buttons = box->buttons().size();
            if (!box->buttons().isEmpty()) seen.buttonText = box->buttons().first()->text();
            timer->stop();
            timer->deleteLater();
            box->buttons().isEmpty() ? box->reject() : box->buttons().first()->click();
        });
        timer->start();
    }
};

TEST_F(MessageBoxTest, WarningIsAModalBoxWithOneOkButton) {
    TSeen seen;
    CloseNextBox(seen);
    ShowWarning(QString::fromUtf8("Wybierz planszę."));
    EXPECT_EQ(seen.title, "Warning");
    EXPECT_EQ(seen.text, QString::fromUtf8("Wybierz planszę."));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_EQ(seen.buttonText, "OK");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "closed when ShowWarning returns";
}

TEST_F(MessageBoxTest, ErrorBoxShowsTextAsPlainText) {
    TSeen seen;
    CloseNextBox(seen);
    ShowError("Velmora - Holvenor", "Cannot open <b>file</b>.");
    EXPECT_EQ(seen.title, "Velmora - Holvenor");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.text, "Cannot open <b>file</b>.");
    EXPECT_EQ(seen.format, Qt::PlainText) << "message text is never taken as markup";
    EXPECT_EQ(seen.buttons, 1);
}

TEST_F(MessageBoxTest, HookRecordsInsteadOfShowing) {
    std::vector<QString> seen;
    const TMessageBoxHook previous = SetMessageBoxHook([&](TMessageKind kind, const QString& title, const QString& text) {
        seen.push_back(QString(kind == TMessageKind::mkWarning ? "W:" : "E:") + title + ":" + text);
    });
    ShowWarning(QString::fromUtf8("Wybierz warstwę."));
    ShowError("T", "x");
    SetMessageBoxHook(previous);
    EXPECT_EQ(seen, (std::vector<QString>{QString::fromUtf8("W:Warning:Wybierz warstwę."), "E:T:x"}));

    // The real box is back once the hook is cleared.
    TSeen shown;
    CloseNextBox(shown);
    ShowWarning("again");
    EXPECT_EQ(shown.text, "again");
}

TEST(Shell, OpenGoesThroughTheHook) {
    std::vector<QString> opened;
    const TShellOpenHook previous = SetShellOpenHook([&](const QString& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_TRUE(ShellOpen(PublisherUrl));
    SetShellOpenHook(previous);
    EXPECT_EQ(opened, (std::vector<QString>{PublisherUrl}));

    const QUrl publisher(PublisherUrl, QUrl::StrictMode);
    EXPECT_TRUE(publisher.isValid());
    EXPECT_EQ(publisher.scheme(), "https");
    EXPECT_TRUE(publisher.host().endsWith("example.com")) << "a reserved example domain";
}

TEST(Shell, MalformedUrlsAreRefusedWithoutOpeningAnything) {
    // No hook: these must fail before reaching the desktop.
    EXPECT_FALSE(ShellOpen(""));
    EXPECT_FALSE(ShellOpen("not a url"));
    EXPECT_FALSE(ShellOpen("velmora"));
}

class RichTextViewTest : public ::testing::Test {
protected:
    // True when some pixel of the view has exactly this colour.
    static bool Shows(QWidget& view, QRgb colour) {
        const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) == colour) return true;
        return false;
    }
};

TEST_F(RichTextViewTest, LoadsAFileAndKeepsContentWhenAFileIsMissing) {
    TRichTextView view;
    const char* source = std::getenv("VELMORA_SOURCE_DIR");
    const std::string dir = std::string(source ? source : VELMORA_TEST_SOURCE_DIR) + "/tests/toolkit/data/";
    ASSERT_TRUE(view.LoadFromFile(dir + "intro_cp1250.rtf"));
    EXPECT_TRUE(view.toPlainText().contains(QString::fromUtf8("zakręt w prawo")));

    EXPECT_FALSE(view.LoadFromFile(dir + "no_such_file.rtf"));
    EXPECT_FALSE(view.LoadFromFile(dir)) << "a directory is no file";
    EXPECT_TRUE(view.toPlainText().contains(QString::fromUtf8("zakręt w prawo")));

    QTemporaryDir temp;
    const std::string empty = QDir(temp.path()).filePath("empty.rtf").toStdString();
    { std::ofstream(empty, std::ios::binary); }
    EXPECT_TRUE(view.LoadFromFile(empty));
    EXPECT_TRUE(view.toPlainText().isEmpty()) << "an empty file shows nothing";
}

TEST_F(RichTextViewTest, UnusualFilesAreRefusedAtOnceAndTheTextStays) {
    using namespace velmora::testing;
    TRichTextView view;
    view.LoadFromRtf(R"({\rtf1 Wstep})");
    QTemporaryDir temp;
    for (const TUnusualFile& file : UnusualFiles) {
        SCOPED_TRACE(file.Kind);
        const std::string path = QDir(temp.path()).filePath(QString(file.Kind) + ".rtf").toStdString();
        ASSERT_TRUE(file.Make(path));
        std::string bytes = "old";
        bool read = true;
        ExpectPrompt(std::string("read_file_bytes_") + file.Kind,
                     TimeTaken(path, [&] { read = ReadFileBytes(path, bytes); }));
        EXPECT_FALSE(read);
        EXPECT_TRUE(bytes.empty());
        bool loaded = true;
        ExpectPrompt(std::string("rich_text_view_") + file.Kind,
                     TimeTaken(path, [&] { loaded = view.LoadFromFile(path); }));
        EXPECT_FALSE(loaded);
        EXPECT_EQ(view.toPlainText(), "Wstep");
    }
}

TEST_F(RichTextViewTest, HiddenViewLaysTextOutAtTheWidthItIsShownAt) {
    QWidget host;
    host.resize(400, 300);
    auto* view = new TRichTextView(&host);
    view->setGeometry(10, 10, 300, 200);
    view->LoadFromRtf(R"({\rtf1 Jedna linia tekstu, ktora przy waskim widoku zawija sie wiele razy.})");
    EXPECT_EQ(view->document()->pageSize().width(), 300) << "laid out before showing";
    const QSizeF before = view->document()->size();
    int relayouts = 0;
    QObject::connect(view->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
                     [&relayouts] { ++relayouts; });
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_EQ(view->viewport()->width(), 300);
    EXPECT_EQ(view->document()->size(), before);
    EXPECT_EQ(relayouts, 0) << "showing lays nothing out again";

    // A later resize of the shown view still rewraps.
    view->resize(150, 200);
    QApplication::processEvents();
    EXPECT_EQ(view->document()->pageSize().width(), 150);
    EXPECT_GT(view->document()->size().height(), before.height());
}

TEST_F(RichTextViewTest, ATextLongerThanTheViewShowsFromItsBeginning) {
    QWidget host;
    host.resize(400, 300);
    auto* view = new TRichTextView(&host);
    view->setGeometry(10, 10, 300, 100);
    std::string rtf = R"({\rtf1 Poczatek)";
    for (int i = 0; i < 60; ++i) rtf += R"(\par linia)";
    view->LoadFromRtf(rtf + "}");
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    EXPECT_EQ(view->textCursor().position(), 0);
}

TEST_F(RichTextViewTest, TakesNoInputYetKeepsItsColours) {
    TRichTextView view;
    view.resize(300, 120);
    view.LoadFromRtf(R"({\rtf1{\colortbl;\red200\green0\blue0;}\fs96 \u9608?\u9608?{\cf1 \u9608?\u9608?}})");
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(view.isReadOnly());

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::keyClicks(&view, "typed");
    EXPECT_FALSE(view.toPlainText().contains("typed"));

    EXPECT_TRUE(Shows(view, qRgb(255, 255, 255))) << "white ground";
    EXPECT_TRUE(Shows(view, qRgb(200, 0, 0))) << "the text's own colour";
    EXPECT_TRUE(Shows(view, view.palette().color(QPalette::Active, QPalette::Text).rgb()))
        << "automatic colour is the normal text colour, not the greyed one";
}

}  // namespace
}  // namespace velmora
