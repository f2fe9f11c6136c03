// The sign preview: what ShowZnak puts into it (picture, caption, scale rule), when it shows nothing,
// how the real modal window looks and which clicks close it.
#include <QApplication>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <string>
#include <vector>

#include "app/image_form.h"
#include "app/main_form.h"
#include "display/custom_img_view32.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/temp_dir.h"
#include "toolkit/application.h"
#include "toolkit/link_label.h"
#include "toolkit/shape.h"

namespace velmora {
namespace {

using testing::TempDir;

constexpr QRgb SignColor = 0xFFD02020;

void WriteJpeg(const std::string& path, int width, int height, QRgb color = SignColor) {
    testing::WriteFlatJpeg(path, width, height, color);
}

bool Near(QRgb a, QRgb b, int tolerance = 16) { return testing::NearColor(a, b, tolerance); }

struct TPreviewSeen {
    std::string Caption;
    TScaleMode Mode;
    int Width;
    int Height;
};

class ShowZnakTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string dane = FDir.Dir() + "dane/";
        TempDir::Write(dane + "znaki.txt",
                       "AB.jpg\tpierwszy\r\nB.jpg\tdrugi\r\nbez tabulatora C.jpg\r\nfit.jpg\tMie\xB6\xE6 si\xEA\r\n");
        WriteJpeg(dane + "znaki/fit.jpg", 804, 591);
        WriteJpeg(dane + "znaki/wide.jpg", 805, 100);
        WriteJpeg(dane + "znaki/tall.jpg", 100, 592);
        WriteJpeg(dane + "znaki/B.jpg", 30, 20);
        WriteJpeg(dane + "znaki/C.jpg", 30, 20);
        WriteJpeg(dane + "znaki/\xC5\xBC\x6F\xC5\x82w.jpg", 30, 20);  // UTF-8 on disk
        TempDir::Write(dane + "znaki/bad.jpg", std::string("\xFF\xD8", 2));
        FPrevious = TImageForm::SetShowModalHook([this](TImageForm& form) {
            FSeen.push_back({form.OpisLabel->Caption(), form.ShowImage->ScaleMode(), form.ShowImage->Bitmap().Width(),
                             form.ShowImage->Bitmap().Height()});
            return 1;
        });
        TMainFormOptions options;
        options.AppDir = FDir.Dir();
        options.ScreenSize = QSize(1024, 768);
        FForm = std::make_unique<TMainForm>(options);
    }
    void TearDown() override {
        FForm.reset();
        TImageForm::SetShowModalHook(FPrevious);
    }

    TempDir FDir;
    std::unique_ptr<TMainForm> FForm;
    std::vector<TPreviewSeen> FSeen;
    TImageForm::TShowModalHook FPrevious;
};

TEST_F(ShowZnakTest, APictureThatFitsKeepsItsSizeALargerOneIsShrunk) {
    FForm->ShowZnak("fit");
    FForm->ShowZnak("wide");
    FForm->ShowZnak("tall");
    ASSERT_EQ(FSeen.size(), 3u);
    EXPECT_EQ(FSeen[0].Mode, TScaleMode::smNormal);
    EXPECT_EQ(FSeen[0].Width, 804);
    EXPECT_EQ(FSeen[1].Mode, TScaleMode::smResize);
    EXPECT_EQ(FSeen[2].Mode, TScaleMode::smResize);
    // Each preview starts afresh.
    FForm->ShowZnak("fit");
    EXPECT_EQ(FSeen[3].Mode, TScaleMode::smNormal);
}

TEST_F(ShowZnakTest, CaptionComesFromTheFirstLineContainingTheName) {
    FForm->ShowZnak("B");
    FForm->ShowZnak("C");
    FForm->ShowZnak("fit");
    ASSERT_EQ(FSeen.size(), 3u);
    EXPECT_EQ(FSeen[0].Caption, "pierwszy");  // "AB.jpg" comes first and contains "B.jpg"
    EXPECT_EQ(FSeen[1].Caption, "bez tabulatora C.jpg");
    EXPECT_EQ(FSeen[2].Caption, "Mie\xB6\xE6 si\xEA");
    EXPECT_EQ(FForm->GetOpis("nothing"), "");
}

TEST_F(ShowZnakTest, ADescriptionWithPolishLettersFindsItsPicture) {
    FForm->ShowZnak("\xBF\x6F\xB3w");  // Windows-1250
    ASSERT_EQ(FSeen.size(), 1u);
    EXPECT_EQ(FSeen[0].Caption, "");
    EXPECT_EQ(FSeen[0].Width, 30);
}

TEST_F(ShowZnakTest, AMissingOrUndecodablePictureShowsNoWindow) {
    FForm->ShowZnak("missing");
    FForm->ShowZnak("");
    EXPECT_THROW(FForm->ShowZnak("bad"), Exception);
    EXPECT_TRUE(FSeen.empty());
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(dynamic_cast<TImageForm*>(w), nullptr);
}

// --- the real window -----------------------------------------------------------------------------

class ImageFormTest : public ::testing::Test {
protected:
    void Load(TImageForm& form, int width, int height) {
        WriteJpeg(FDir.Dir() + "sign.jpg", width, height);
        form.ShowImage->Bitmap().LoadPictureFile(FDir.Dir() + "sign.jpg");
    }
    TempDir FDir;
};

TEST_F(ImageFormTest, LayoutFramesThePictureAboveTheCaptionBand) {
    TImageForm form;
    EXPECT_EQ(form.size(), QSize(806, 657));
    EXPECT_EQ(form.ShowImage->geometry(), QRect(1, 1, 804, 591));
    EXPECT_EQ(form.Shape2->geometry(), QRect(0, 592, 806, 65));
    EXPECT_EQ(form.OpisLabel->geometry(), QRect(10, 598, 785, 51));
    Load(form, 50, 40);
    form.OpisLabel->SetCaption("Stop");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QImage shot = form.grab().toImage();
    EXPECT_TRUE(Near(shot.pixel(0, 0), 0xFF000000)) << std::hex << shot.pixel(0, 0);
    EXPECT_TRUE(Near(shot.pixel(0, 300), 0xFF000000));
    EXPECT_TRUE(Near(shot.pixel(805, 300), 0xFF000000));
    EXPECT_TRUE(Near(shot.pixel(400, 0), 0xFF000000));
    EXPECT_TRUE(Near(shot.pixel(3, 640), qRgb(80, 99, 139), 0)) << std::hex << shot.pixel(3, 640);
    EXPECT_TRUE(Near(shot.pixel(20, 20), 0xFFFFFFFF, 0));
    // A small picture sits at its own size in the middle of the view.
    EXPECT_TRUE(Near(shot.pixel(1 + 402, 1 + 295), SignColor)) << std::hex << shot.pixel(403, 296);
    EXPECT_TRUE(Near(shot.pixel(1 + 402 - 30, 1 + 295), 0xFFFFFFFF));
    form.hide();
}

TEST_F(ImageFormTest, ALongCaptionWrapsInsideTheBandAndIsCutOff) {
    TImageForm form;
    std::string caption;
    for (int i = 0; i < 60; ++i) caption += "znak drogowy ";
    form.OpisLabel->SetCaption(caption);
    EXPECT_TRUE(form.OpisLabel->wordWrap());
    EXPECT_GT(form.OpisLabel->heightForWidth(785), 51);
    EXPECT_EQ(form.OpisLabel->geometry(), QRect(10, 598, 785, 51));
}

TEST_F(ImageFormTest, AClickOnTheBandOrWithTheRightButtonKeepsItOpenALeftClickOnThePictureAreaClosesIt) {
    TImageForm form;
    Load(form, 50, 40);
    int tick = 0;
    bool openAfterBandClick = false;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ++tick;
        if (modal != &form) {
            if (tick > 100) form.reject();  // never hang
            return;
        }
        QWindow* window = form.windowHandle();
        if (!openAfterBandClick) {
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(400, 620));
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(3, 640));
            QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, QPoint(6, 6));
            QTest::mouseClick(window, Qt::MiddleButton, Qt::NoModifier, QPoint(400, 300));
            openAfterBandClick = form.isVisible();
            // Far from the small picture, but on the picture area.
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
        } else if (tick > 100) {
            form.reject();
        }
    });
    timer.start();
    const int result = form.ShowModal();
    timer.stop();
    EXPECT_TRUE(openAfterBandClick);
    EXPECT_EQ(result, 1);
}

TEST_F(ImageFormTest, FormShowShrinksOnlyWhatDoesNotFit) {
    for (const auto& [w, h, mode] : {std::tuple{804, 591, TScaleMode::smNormal}, std::tuple{805, 100, TScaleMode::smResize},
                                     std::tuple{3, 592, TScaleMode::smResize}}) {
        TImageForm form;
        form.ShowImage->Bitmap().SetDimensions(w, h);
        form.FormShow();
        EXPECT_EQ(form.ShowImage->ScaleMode(), mode) << w << " x " << h;
    }
}

}  // namespace
}  // namespace velmora
