// Paint box: back-buffer sizing with its slack, rendering only when stale, the transfer of the
// viewport to the widget, the overlay after every transfer, and pointer enter and leave.
#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "display/custom_paint_box32.h"
#include "raster/color32.h"

namespace velmora {
namespace {

// Renders a pattern that depends on the buffer position, so offsets and strides show.
TColor32 PatternAt(int32_t x, int32_t y, uint32_t generation) {
    return Color32(uint8_t(x * 7 + generation), uint8_t(y * 5), uint8_t((x ^ y) + 3 * generation));
}

class TRecordingBox : public TCustomPaintBox32 {
public:
    using TCustomPaintBox32::TCustomPaintBox32;

    TRect ViewportRect() const override {
        TRect r = TCustomPaintBox32::ViewportRect();
        r.Right -= Inset;
        r.Bottom -= Inset;
        return r;
    }

    void RenderBuffer() override {
        ++Renders;
        TBitmap32& b = Buffer();
        for (int32_t y = 0; y < b.Height(); ++y)
            for (int32_t x = 0; x < b.Width(); ++x) *b.PixelAddress(x, y) = PatternAt(x, y, uint32_t(Renders));
        TCustomPaintBox32::RenderBuffer();
    }

    using TCustomPaintBox32::MouseDown;

    int32_t Inset = 0;
    int Renders = 0;
};

class PaintBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(600, 500);
        box = new TRecordingBox(host.get());
        box->move(10, 10);
        host->show();
        QTest::mouseMove(host.get(), QPoint(590, 490));
    }

    std::unique_ptr<QWidget> host;
    TRecordingBox* box = nullptr;
};

::testing::AssertionResult BufferSize(TCustomPaintBox32& b, int32_t w, int32_t h) {
    if (b.Buffer().Width() == w && b.Buffer().Height() == h) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "buffer " << b.Buffer().Width() << "x" << b.Buffer().Height()
                                         << ", wanted " << w << "x" << h;
}

TEST_F(PaintBoxTest, BufferGrowsWithSlackKeepsWithinItAndShrinksBeyondIt) {
    // A new box is 192 x 192; its first resize notification fits an empty buffer.
    EXPECT_EQ(box->width(), 192);
    EXPECT_TRUE(BufferSize(*box, 232, 232));
    box->resize(200, 200);
    EXPECT_TRUE(BufferSize(*box, 232, 232));
    box->resize(192, 192);  // exactly the slack below: kept
    EXPECT_TRUE(BufferSize(*box, 232, 232));
    box->resize(150, 150);
    EXPECT_TRUE(BufferSize(*box, 150, 150));
    // Each dimension on its own: wider grows, the unchanged height stays.
    box->resize(151, 150);
    EXPECT_TRUE(BufferSize(*box, 191, 150));
    box->resize(100, 150);
    EXPECT_TRUE(BufferSize(*box, 100, 150));
    box->resize(99, 99);  // 99 is within the slack of a 100 buffer, not of a 150 one
    EXPECT_TRUE(BufferSize(*box, 100, 99));
}

TEST_F(PaintBoxTest, EmptyOrNegativeViewportGivesOnePixelBuffer) {
    box->resize(0, 0);
    EXPECT_TRUE(BufferSize(*box, 1, 1));
    box->resize(100, 100);
    EXPECT_TRUE(BufferSize(*box, 140, 140));
    box->resize(99, 100);  // 99 is less than 140 - 40: exactly the viewport
    EXPECT_TRUE(BufferSize(*box, 99, 140));
    box->Inset = 120;  // the viewport is now -21 x -20
    box->FitBuffer();
    EXPECT_TRUE(BufferSize(*box, 1, 1));
    // Painting a box with no viewport neither fails nor copies anything beyond the buffer.
    const uint64_t before = box->TransferCount();
    box->repaint();
    EXPECT_EQ(box->TransferCount(), before + 1);
    EXPECT_TRUE(BufferSize(*box, 1, 1));
}

TEST_F(PaintBoxTest, RendersOnlyWhenStaleAndOverlaysAfterEveryTransfer) {
    box->repaint();  // whatever showing the host painted is not counted
    const int rendersBefore = box->Renders;
    const uint64_t transfersBefore = box->TransferCount();
    int overlays = 0;
    uint64_t transfersAtOverlay = 0;
    box->OnGDIOverlay = [&](TCustomPaintBox32* sender) {
        EXPECT_EQ(sender, box);
        EXPECT_NE(sender->Canvas(), nullptr);  // drawing on the widget is possible here
        ++overlays;
        transfersAtOverlay = sender->TransferCount();
    };
    box->Invalidate();
    box->repaint();
    const int rendersAfterFirst = box->Renders;
    EXPECT_EQ(rendersAfterFirst, rendersBefore + 1);
    EXPECT_TRUE(box->BufferValid());

    // Uncovering the window: copies again, renders nothing.
    const uint64_t transfers = box->TransferCount();
    box->repaint();
    box->grab();
    EXPECT_EQ(box->Renders, rendersAfterFirst);
    EXPECT_EQ(box->TransferCount(), transfers + 2);
    EXPECT_EQ(overlays, int(box->TransferCount() - transfersBefore));
    EXPECT_EQ(transfersAtOverlay, box->TransferCount());  // raised after the copy, not before

    // Every way of making the buffer stale leads to exactly one new rendering.
    box->Invalidate();
    box->repaint();
    box->repaint();
    EXPECT_EQ(box->Renders, rendersAfterFirst + 1);
    box->resize(box->width() + 1, box->height());  // inside the slack: same buffer, still rendered
    box->repaint();
    EXPECT_EQ(box->Renders, rendersAfterFirst + 2);
    box->SetBounds(10, 10, box->width(), box->height());
    EXPECT_FALSE(box->BufferValid());
    box->repaint();
    EXPECT_EQ(box->Renders, rendersAfterFirst + 3);
    box->Loaded();
    box->repaint();
    EXPECT_EQ(box->Renders, rendersAfterFirst + 4);
    EXPECT_EQ(overlays, int(box->TransferCount() - transfersBefore));
}

TEST_F(PaintBoxTest, TransferShowsTheViewportOfTheBufferAtTheSamePlace) {
    // The buffer is wider than the widget (slack), so rows must be read with the buffer's stride.
    box->resize(200, 133);
    box->Inset = 20;
    box->Invalidate();
    const QImage shot = box->grab().toImage();
    ASSERT_EQ(shot.width(), 200);
    ASSERT_GT(box->Buffer().Width(), 200);
    const uint32_t gen = uint32_t(box->Renders);
    int mismatches = 0;
    for (int y = 0; y < 113; ++y)
        for (int x = 0; x < 180; ++x)
            if ((shot.pixel(x, y) & 0xFFFFFFu) != (PatternAt(x, y, gen) & 0xFFFFFFu)) ++mismatches;
    EXPECT_EQ(mismatches, 0);
}

TEST_F(PaintBoxTest, OpaqueSiblingOnTopLeavesTheRestOfTheViewportExact) {
    // A sibling laid over the middle of the box makes the region the box paints ragged; every part
    // of it must still show the buffer at its own place, and the sibling must stay on top.
    box->resize(180, 150);
    auto* cover = new QWidget(host.get());
    cover->setGeometry(60, 50, 70, 40);  // host coordinates: box pixels 50..119 x 40..79
    cover->setAutoFillBackground(true);
    QPalette palette = cover->palette();
    palette.setColor(QPalette::Window, QColor(1, 2, 3));
    cover->setPalette(palette);
    cover->show();
    box->Invalidate();
    const QImage shot = host->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const uint32_t gen = uint32_t(box->Renders);
    int wrongPicture = 0, wrongCover = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 180; ++x) {
            const QRgb got = shot.pixel(10 + x, 10 + y) & 0xFFFFFFu;
            if (x >= 50 && x < 120 && y >= 40 && y < 80)
                wrongCover += got != 0x010203u;
            else
                wrongPicture += got != (PatternAt(x, y, gen) & 0xFFFFFFu);
        }
    EXPECT_EQ(wrongPicture, 0);
    EXPECT_EQ(wrongCover, 0);
}

TEST_F(PaintBoxTest, NewStorageIsShownAfterTheBufferGrows) {
    box->grab();
    box->resize(400, 300);  // beyond the slack: new pixel memory, so a new wrapper
    const QImage shot = box->grab().toImage();
    const uint32_t gen = uint32_t(box->Renders);
    for (QPoint p : {QPoint(0, 0), QPoint(399, 299), QPoint(350, 250), QPoint(191, 10)})
        EXPECT_EQ(shot.pixel(p) & 0xFFFFFFu, PatternAt(p.x(), p.y(), gen) & 0xFFFFFFu) << p.x() << "," << p.y();
}

// A box that shows a bitmap of its own instead of the buffer while Other is set.
class TOtherSourceBox : public TRecordingBox {
public:
    using TRecordingBox::TRecordingBox;
    TBitmap32& ShownBitmap() override {
        LockedWhenAsked = Other ? Other->LockDepth() : -1;
        return Other ? *Other : TRecordingBox::ShownBitmap();
    }
    TBitmap32* Other = nullptr;
    int32_t LockedWhenAsked = -1;
};

TEST_F(PaintBoxTest, ShownBitmapReplacesTheBufferAndItsStorageIsFollowed) {
    auto* other = new TOtherSourceBox(host.get());
    other->resize(120, 90);
    other->show();
    TBitmap32 source;
    auto fill = [&](int32_t w, int32_t h, uint32_t gen) {
        source.SetDimensions(w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) *source.PixelAddress(x, y) = PatternAt(x, y, gen);
    };
    auto mismatches = [&](uint32_t gen) {
        const QImage shot = other->grab().toImage();
        int wrong = 0;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x)
                if ((shot.pixel(x, y) & 0xFFFFFFu) != (PatternAt(x, y, gen) & 0xFFFFFFu)) ++wrong;
        return wrong;
    };
    fill(130, 95, 200);
    other->Other = &source;
    other->Invalidate();
    EXPECT_EQ(mismatches(200), 0);
    EXPECT_EQ(other->LockedWhenAsked, 0);
    EXPECT_EQ(source.LockDepth(), 0);  // the copy's lock is released again

    // New, larger storage: the wrapper must not keep reading the old memory.
    fill(400, 300, 50);
    EXPECT_EQ(mismatches(50), 0);
    // Back to the buffer, which shows what the last rendering drew there.
    other->Other = nullptr;
    other->Invalidate();
    other->repaint();
    EXPECT_EQ(mismatches(uint32_t(other->Renders)), 0);
}

TEST_F(PaintBoxTest, PointerEnterAndLeave) {
    int enters = 0;
    int leaves = 0;
    box->OnMouseEnter = [&](TCustomPaintBox32* sender) {
        EXPECT_TRUE(sender->PointerInside());
        ++enters;
    };
    box->OnMouseLeave = [&](TCustomPaintBox32* sender) {
        EXPECT_FALSE(sender->PointerInside());
        ++leaves;
    };
    EXPECT_FALSE(box->PointerInside());
    QTest::mouseMove(host.get(), QPoint(50, 50));
    EXPECT_TRUE(box->PointerInside());
    QTest::mouseMove(host.get(), QPoint(60, 70));
    QTest::mouseMove(host.get(), QPoint(500, 400));
    EXPECT_FALSE(box->PointerInside());
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
}

TEST_F(PaintBoxTest, FocusOnClickOnlyWhenAsked) {
    QWidget* other = new QWidget(host.get());
    other->setFocusPolicy(Qt::StrongFocus);
    other->move(300, 300);
    other->show();
    host->activateWindow();
    other->setFocus();
    box->MouseDown(TMouseButton::mbLeft, ssLeft, 5, 5);
    EXPECT_FALSE(box->hasFocus());
    box->SetBoxOptions(boFocusOnClick);
    box->MouseDown(TMouseButton::mbLeft, ssLeft, 5, 5);
    EXPECT_TRUE(box->hasFocus() || QApplication::focusWidget() == box);
}

TEST(PaintBoxInputTest, QtButtonsAndModifiersMapToShiftState) {
    TMouseButton b = TMouseButton::mbMiddle;
    EXPECT_TRUE(MouseButtonOf(Qt::LeftButton, b));
    EXPECT_EQ(b, TMouseButton::mbLeft);
    EXPECT_TRUE(MouseButtonOf(Qt::RightButton, b));
    EXPECT_EQ(b, TMouseButton::mbRight);
    EXPECT_TRUE(MouseButtonOf(Qt::MiddleButton, b));
    EXPECT_EQ(b, TMouseButton::mbMiddle);
    EXPECT_FALSE(MouseButtonOf(Qt::BackButton, b));
    EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton | Qt::MiddleButton),
              TShiftState(ssShift | ssCtrl | ssLeft | ssMiddle));
    EXPECT_EQ(ShiftStateOf(Qt::AltModifier, Qt::RightButton), TShiftState(ssAlt | ssRight));
    EXPECT_EQ(ShiftStateOf(Qt::NoModifier, Qt::NoButton), TShiftState(0));
}

}  // namespace
}  // namespace velmora
