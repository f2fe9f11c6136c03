#pragma once
// A base for tests that drive the main window shown on the offscreen screen: the window at the
// stage's size on a catalogue the test writes, clicks delivered through the window as the window
// system would, and the pointer cursor reset around each test.
#include <QPoint>
#include <QSize>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "toolkit/screen_cursor.h"

namespace velmora::testing {

class TShownMainFormTest : public ::testing::Test {
protected:
    enum class TPointer { Parked, Untouched };

    void SetUp() override { Screen().SetCursor(crDefault); }
    void TearDown() override {
        FForm.reset();
        Screen().SetCursor(crDefault);
    }

    // Shows the window on the catalogue of appDir at 1024 x 768, so stage and window coordinates
    // agree, with the pointer parked over no control unless asked not to. A window shown before
    // goes only once the new one stands.
    TMainForm& ShowForm(const std::string& appDir, bool editor, TPointer pointer = TPointer::Parked) {
        TMainFormOptions options;
        options.AppDir = appDir;
        options.EditorMode = editor;
        options.ScreenSize = QSize(1024, 768);
        FForm = std::make_unique<TMainForm>(options);
        FForm->setGeometry(0, 0, 1024, 768);
        FForm->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(FForm.get()));
        if (pointer == TPointer::Parked) ParkPointer();
        return *FForm;
    }
    // The top right corner, where no control lies.
    void ParkPointer() { QTest::mouseMove(FForm->windowHandle(), QPoint(1000, 5)); }

    QPoint InWindow(QWidget* control, QPoint at) const { return control->mapTo(FForm.get(), at); }
    // A click on the control's middle, delivered to the topmost control under that point.
    void Click(QWidget* control, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(FForm->windowHandle(), button, Qt::NoModifier, InWindow(control, control->rect().center()));
    }

    std::unique_ptr<TMainForm> FForm;
};

}  // namespace velmora::testing
