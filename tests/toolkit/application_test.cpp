// The application object, the screen cursor and the palette colours. This program has its own main:
// the object under test must be the one QApplication of the process.
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/exception.h"
#include "raster/color32.h"
#include "toolkit/application.h"
#include "toolkit/screen_cursor.h"
#include "toolkit/system_colors.h"

namespace velmora {
namespace {

struct TShownBox {
    QString Title;
    QString Text;
};

// Records what the error box would show instead of opening it.
class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = TApplication::Instance();
        ASSERT_NE(app, nullptr);
        app->SetTitle("Velmora - Holvenor");
        app->ErrorBox = [this](const QString& title, const QString& text) { shown.push_back({title, text}); };
    }
    void TearDown() override { app->ErrorBox = TApplication::ShowErrorMessageBox; }

    TApplication* app = nullptr;
    std::vector<TShownBox> shown;
};

class ThrowingWidget : public QWidget {
public:
    std::string Message = "Bitmap is locked";
    int Presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override {
        ++Presses;
        throw Exception(Message);
    }
};

class ThrowingObject : public QObject {
public:
    int Handled = 0;
    bool Throw = true;

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        ++Handled;
        if (Throw) throw std::runtime_error("posted failure");
        return true;
    }
};

TEST(ErrorBoxTextTest, FullStopOnlyAfterCharactersSortingAfterDot) {
    EXPECT_EQ(ErrorBoxText("Bitmap is locked"), "Bitmap is locked.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Unknown picture file extension (.gif)"), "Unknown picture file extension (.gif)");
    EXPECT_EQ(ErrorBoxText("what?"), "what?.");  // '?' sorts after '.'
    EXPECT_EQ(ErrorBoxText("a-"), "a-");          // '-' sorts before '.'
    EXPECT_EQ(ErrorBoxText("1/2"), "1/2.");
    EXPECT_EQ(ErrorBoxText(""), "");
    // Windows-1250 letters are bytes above 0x7F: compared unsigned they sort after '.'.
    EXPECT_EQ(ErrorBoxText("b\xB3\xB9\x64 zapisu \xBF"), "b\xB3\xB9\x64 zapisu \xBF.");
}

TEST_F(ApplicationTest, ThrowingMouseHandlerIsReportedAndProgramGoesOn) {
    ThrowingWidget w;
    w.resize(50, 50);
    w.show();
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Title, QString("Velmora - Holvenor"));
    EXPECT_EQ(shown[0].Text, QString("Bitmap is locked."));

    // The next event is handled normally, and a second failure is reported in turn.
    w.Message = "Second.";
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(w.Presses, 2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].Text, QString("Second."));
}

TEST_F(ApplicationTest, ThrowingPostedEventDoesNotStopTheEventLoop) {
    ThrowingObject o;
    QCoreApplication::postEvent(&o, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&o, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(o.Handled, 2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].Text, QString("posted failure."));
}

TEST_F(ApplicationTest, SendEventReturnsAfterReportingAndTitleIsDecodedFromWindows1250) {
    app->SetTitle("Znaki drogowe \xA3\xF3\x64\x9F");  // Ł ó d ź
    ThrowingObject o;
    QEvent e(QEvent::User);
    QCoreApplication::sendEvent(&o, &e);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Title, QString::fromUtf8("Znaki drogowe \xC5\x81\xC3\xB3\x64\xC5\xBA"));
    EXPECT_EQ(shown[0].Text, QString("posted failure."));
    o.Throw = false;
    QCoreApplication::sendEvent(&o, &e);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(ApplicationTest, DefaultBoxIsModalErrorBoxWithOneOkButton) {
    app->ErrorBox = TApplication::ShowErrorMessageBox;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = -1;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = int(box->buttons().size());
        closer.stop();
        box->button(QMessageBox::Ok)->click();
    });
    closer.start();
    ThrowingObject o;
    QEvent e(QEvent::User);
    QCoreApplication::sendEvent(&o, &e);
    EXPECT_EQ(title, QString("Velmora - Holvenor"));
    EXPECT_EQ(text, QString("posted failure."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
}

// The screen cursor pushes Qt's override cursor once and pops it once.
class ScreenCursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        Screen().SetCursor(crDefault);
        while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
    }
    void TearDown() override { SetUp(); }

    static int StackDepth() {
        int depth = 0;
        while (QGuiApplication::overrideCursor() != nullptr) {
            QGuiApplication::restoreOverrideCursor();
            ++depth;
        }
        return depth;
    }
};

TEST_F(ScreenCursorTest, ChangesReplaceTheTopEntryAndDefaultPopsExactlyOnce) {
    // A cursor of some modal dialog below ours must survive our whole round trip.
    QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
    Screen().SetCursor(crHourGlass);
    EXPECT_EQ(Screen().Cursor(), crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen().SetCursor(crHandPoint);
    Screen().SetCursor(crHandPoint);
    Screen().SetCursor(crSizeWE);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::SizeHorCursor);
    Screen().SetCursor(crDefault);
    Screen().SetCursor(crDefault);
    EXPECT_EQ(Screen().Cursor(), crDefault);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    EXPECT_EQ(StackDepth(), 1);
}

TEST_F(ScreenCursorTest, RecoversWhenItsEntryWasPoppedBySomeoneElse) {
    Screen().SetCursor(crHandPoint);
    QGuiApplication::restoreOverrideCursor();
    Screen().SetCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen().SetCursor(crDefault);
    EXPECT_EQ(StackDepth(), 0);
}

TEST(SystemColorsTest, PaletteFillsTheSystemColourTable) {
    // Installed by the constructor: the button face is the palette's button colour.
    EXPECT_EQ(WinColorToColor32(clBtnFace), QGuiApplication::palette().color(QPalette::Button).rgb());

    // Distinct colours per role, so a swapped role shows.
    QPalette p;
    p.setColor(QPalette::Button, QColor(1, 2, 3));
    p.setColor(QPalette::Dark, QColor(10, 20, 30));
    p.setColor(QPalette::Light, QColor(200, 210, 220));
    p.setColor(QPalette::Base, QColor(250, 240, 230));
    p.setColor(QPalette::Shadow, QColor(5, 6, 7));
    InstallPaletteSystemColors(p);
    EXPECT_EQ(GetSystemColor(COLOR_BTNFACE), 0x030201);
    EXPECT_EQ(WinColorToColor32(clBtnFace), 0xFF010203u);
    EXPECT_EQ(WinColorToColor32(clScrollBar), 0xFF010203u);
    EXPECT_EQ(WinColorToColor32(clBtnShadow), 0xFF0A141Eu);
    EXPECT_EQ(WinColorToColor32(clBtnHighlight), 0xFFC8D2DCu);
    EXPECT_EQ(WinColorToColor32(clWindow), 0xFFFAF0E6u);
    EXPECT_EQ(WinColorToColor32(clWindowFrame), 0xFF050607u);
    InstallPaletteSystemColors();
}

TEST(SystemColorsTest, FollowsAChangeOfTheApplicationPalette) {
    QPalette old = QGuiApplication::palette();
    QPalette p = old;
    p.setColor(QPalette::Button, QColor(0x12, 0x34, 0x56));
    QGuiApplication::setPalette(p);
    QCoreApplication::processEvents();
    EXPECT_EQ(WinColorToColor32(clBtnFace), 0xFF123456u);
    QGuiApplication::setPalette(old);
    QCoreApplication::processEvents();
    EXPECT_EQ(WinColorToColor32(clBtnFace), old.color(QPalette::Button).rgb());
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    velmora::TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
