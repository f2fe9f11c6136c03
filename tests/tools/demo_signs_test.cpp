// The sign drawings and the content table behind the demo catalogue.
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "tools/make_demo_catalogue/captions.h"
#include "tools/make_demo_catalogue/scenes.h"
#include "tools/make_demo_catalogue/signs.h"

namespace velmora::demo {
namespace {

TEST(DemoContentTable, NamesAreUniqueAndBelongToTheirChapter) {
    std::set<std::string_view> names;
    int perChapter[ChapterCount + 1] = {};
    for (const SignInfo& sign : Signs()) {
        SCOPED_TRACE(std::string(sign.Name));
        EXPECT_TRUE(names.insert(sign.Name).second) << "listed twice";
        ASSERT_GE(sign.Chapter, 1);
        ASSERT_LE(sign.Chapter, ChapterCount);
        ++perChapter[sign.Chapter];
        // "A-1" belongs to the chapter of letter A; its caption begins with the name and a blank.
        EXPECT_EQ(sign.Name.substr(0, sign.Name.find('-') + 1), std::string(ChapterLetter(sign.Chapter)) + "-");
        EXPECT_EQ(sign.Caption.substr(0, sign.Name.size() + 1), std::string(sign.Name) + " ");
        EXPECT_GT(sign.Caption.size(), sign.Name.size() + 2);
    }
    for (int chapter = 1; chapter <= ChapterCount; ++chapter) EXPECT_GE(perChapter[chapter], 3) << chapter;
}

TEST(DemoContentTable, EveryItemShowsKnownSignsAndHasPlaceForThem) {
    for (int page = 1; page <= ChapterCount; ++page) {
        const auto items = Items(page);
        EXPECT_GE(items.size(), 2u) << page;
        EXPECT_LE(items.size(), 5u) << page;
        for (size_t i = 0; i < items.size(); ++i) {
            const ItemInfo& item = items[i];
            SCOPED_TRACE("item " + std::to_string(page) + "_" + std::to_string(item.Item));
            EXPECT_EQ(item.Page, page);
            EXPECT_EQ(item.Item, static_cast<int>(i) + 1);
            for (std::string_view name : item.SignNames) EXPECT_NE(FindSign(name), nullptr) << name;
            // Painting fails loudly when a scene runs out of places.
            ItemPicture picture;
            ASSERT_NO_THROW(picture = PaintItem(item));
            EXPECT_EQ(picture.Image.size(), QSize(item.Width, item.Height));
            EXPECT_EQ(picture.Signs.size(), item.SignNames.size());
        }
    }
}

TEST(DemoSignGeometry, FittedRectangleKeepsTheAspectAndIsCentred) {
    const QRect boxes[] = {QRect(0, 0, 300, 300), QRect(10, 20, 600, 100), QRect(5, 5, 90, 400), QRect(0, 0, 1, 1)};
    for (const SignInfo& sign : Signs()) {
        for (const QRect& box : boxes) {
            SCOPED_TRACE(std::string(sign.Name) + " in " + std::to_string(box.width()) + "x" + std::to_string(box.height()));
            const QRect fit = FitSign(sign.Name, box);
            EXPECT_TRUE(box.contains(fit));
            // It fills the box in one direction and is centred in the other.
            EXPECT_TRUE(fit.width() == box.width() || fit.height() == box.height());
            EXPECT_LE(std::abs((fit.left() - box.left()) - (box.right() - fit.right())), 1);
            EXPECT_LE(std::abs((fit.top() - box.top()) - (box.bottom() - fit.bottom())), 1);
            if (box.width() > 50) {
                EXPECT_NEAR(static_cast<double>(fit.width()) / fit.height(), SignAspect(sign.Name),
                            SignAspect(sign.Name) * 2.0 / std::min(fit.width(), fit.height()));
            }
        }
    }
}

// A sign drawn into its fitted rectangle reaches each edge of it and leaves the rest untouched.
TEST(DemoSignGeometry, EverySignFillsItsRectangleEdgeToEdge) {
    const QRgb ground = qRgb(0, 255, 255);  // a colour no sign uses
    for (const SignInfo& sign : Signs()) {
        SCOPED_TRACE(std::string(sign.Name));
        QImage canvas(400, 400, QImage::Format_RGB32);
        canvas.fill(ground);
        const QRect rect = FitSign(sign.Name, QRect(50, 50, 300, 300));
        {
            QPainter painter(&canvas);
            PaintSign(painter, sign.Name, rect);
        }
        auto painted = [&](const QRect& band) {
            for (int y = band.top(); y <= band.bottom(); ++y)
                for (int x = band.left(); x <= band.right(); ++x)
                    if (canvas.pixel(x, y) != ground) return true;
            return false;
        };
        EXPECT_TRUE(painted(QRect(rect.left(), rect.top(), rect.width(), 3))) << "top";
        EXPECT_TRUE(painted(QRect(rect.left(), rect.bottom() - 2, rect.width(), 3))) << "bottom";
        EXPECT_TRUE(painted(QRect(rect.left(), rect.top(), 3, rect.height()))) << "left";
        EXPECT_TRUE(painted(QRect(rect.right() - 2, rect.top(), 3, rect.height()))) << "right";
        EXPECT_FALSE(painted(QRect(0, 0, 400, rect.top()))) << "above";
        EXPECT_FALSE(painted(QRect(0, rect.bottom() + 1, 400, 399 - rect.bottom()))) << "below";
        EXPECT_FALSE(painted(QRect(0, 0, rect.left(), 400))) << "left of";
        EXPECT_FALSE(painted(QRect(rect.right() + 1, 0, 399 - rect.right(), 400))) << "right of";
        // And it is a picture, not a blank: a ground and something on it.
        std::set<QRgb> colours;
        for (int y = rect.top(); y <= rect.bottom(); y += 2)
            for (int x = rect.left(); x <= rect.right(); x += 2)
                if (canvas.pixel(x, y) != ground) colours.insert(canvas.pixel(x, y));
        EXPECT_GE(colours.size(), 2u);
    }
}

TEST(DemoSignGeometry, TextIsPlacedByItsAlignment) {
    QImage canvas(300, 100, QImage::Format_RGB32);
    auto inkSpan = [&](int alignment) {
        canvas.fill(Qt::white);
        {
            QPainter painter(&canvas);
            QFont font("DejaVu Sans");
            font.setPixelSize(20);
            PaintText(painter, QRectF(20, 10, 260, 80), "STOP", font, Qt::black, alignment);
        }
        QRect ink;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (qRed(canvas.pixel(x, y)) < 128) ink |= QRect(x, y, 1, 1);
        return ink;
    };
    const QRect left = inkSpan(Qt::AlignLeft | Qt::AlignTop);
    const QRect right = inkSpan(Qt::AlignRight | Qt::AlignBottom);
    const QRect centre = inkSpan(Qt::AlignCenter);
    ASSERT_FALSE(left.isEmpty());
    EXPECT_NEAR(left.left(), 20, 3);
    EXPECT_NEAR(left.top(), 10, 8);
    EXPECT_NEAR(right.right(), 279, 3);
    EXPECT_NEAR(right.bottom(), 89, 8);
    EXPECT_NEAR(centre.center().x(), 150, 2);
    EXPECT_NEAR(centre.center().y(), 50, 4);
    EXPECT_NEAR(left.width(), centre.width(), 1);
}

}  // namespace
}  // namespace velmora::demo
