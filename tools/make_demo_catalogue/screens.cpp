#include "tools/make_demo_catalogue/screens.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include "tools/make_demo_catalogue/captions.h"
#include "tools/make_demo_catalogue/signs.h"

namespace velmora::demo {

namespace {

constexpr ChapterLink kChapterLinks[] = {
    {1, QRect(0, 176, 243, 31)}, {2, QRect(0, 211, 243, 31)}, {3, QRect(0, 248, 243, 49)},
    {4, QRect(0, 307, 243, 48)}, {5, QRect(0, 360, 243, 31)}, {6, QRect(0, 400, 243, 49)},
    {7, QRect(0, 456, 243, 31)}, {8, QRect(0, 488, 243, 31)}, {9, QRect(0, 528, 243, 31)},
    {10, QRect(0, 560, 243, 31)},
};

const QColor kColumn(217, 218, 220);
const QColor kEntry(236, 237, 240);
const QColor kDark(80, 99, 139);
const QColor kDarker(52, 64, 92);
const QColor kInk(34, 44, 66);
const QColor kRule(160, 163, 170);

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont Font(int pixelSize, bool bold, bool italic = false) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

// The largest size up to `size` at which text fits `width`.
QFont FittingFont(const QString& text, int size, bool bold, int width) {
    for (; size > 8; --size)
        if (QFontMetrics(Font(size, bold)).horizontalAdvance(text) <= width) break;
    return Font(size, bold);
}

void DrawText(QPainter& p, const QRect& box, const QString& text, const QFont& font, const QColor& color,
              int flags = Qt::AlignCenter) {
    PaintText(p, box, text, font, color, flags);
}

QString SignRange(int chapter) {
    std::string_view first, last;
    for (const SignInfo& sign : Signs()) {
        if (sign.Chapter != chapter) continue;
        if (first.empty()) first = sign.Name;
        last = sign.Name;
    }
    return QString("znaki %1 … %2").arg(Utf8(first), Utf8(last));
}

std::string_view FirstSign(int chapter) {
    for (const SignInfo& sign : Signs())
        if (sign.Chapter == chapter) return sign.Name;
    return {};
}

void Icon(QPainter& p, std::string_view name, const QRect& box) { PaintSign(p, name, FitSign(name, box)); }

// The column down the left edge, shared by every screen; the current chapter is shown dark.
void PaintColumn(QPainter& p, int currentChapter) {
    p.fillRect(QRect(0, 0, 243, StageHeight), kColumn);
    p.fillRect(QRect(243, 0, 1, StageHeight), kRule);

    // The catalogue's mark above the links.
    p.fillRect(QRect(0, 0, 243, 92), kDark);
    Icon(p, "A-30", QRect(12, 16, 58, 58));
    DrawText(p, QRect(78, 18, 160, 30), "VELMORA", Font(24, true), Qt::white, Qt::AlignLeft | Qt::AlignVCenter);
    DrawText(p, QRect(78, 50, 160, 22), "katalog znaków drogowych", Font(11, false), QColor(220, 226, 240),
             Qt::AlignLeft | Qt::AlignVCenter);

    auto entry = [&](const QRect& link, bool current) {
        p.fillRect(link.adjusted(2, 2, -2, -2), current ? kDark : kEntry);
        p.fillRect(QRect(link.left() + 2, link.top() + 2, 4, link.height() - 4), current ? kDarker : kDark);
    };

    entry(IndexLinkRect, false);
    Icon(p, "D-3", QRect(16, 112, 40, 40));
    DrawText(p, QRect(66, 104, 170, 30), "Spis treści", Font(18, true), kInk, Qt::AlignLeft | Qt::AlignBottom);
    DrawText(p, QRect(66, 134, 170, 24), "wszystkie rozdziały", Font(11, false), kInk, Qt::AlignLeft | Qt::AlignTop);

    for (const ChapterLink& link : kChapterLinks) {
        const bool current = link.Chapter == currentChapter;
        entry(link.Rect, current);
        const QColor ink = current ? QColor(Qt::white) : kInk;
        const QString title = QString("%1. %2").arg(link.Chapter).arg(Utf8(ChapterTitle(link.Chapter)));
        const QRect text = link.Rect.adjusted(14, 0, -6, 0);
        if (link.Rect.height() > 40) {
            DrawText(p, QRect(text.left(), text.top() + 4, text.width(), 22), title,
                     FittingFont(title, 14, true, text.width()), ink, Qt::AlignLeft | Qt::AlignVCenter);
            DrawText(p, QRect(text.left() + 18, text.top() + 25, text.width() - 18, 18), SignRange(link.Chapter),
                     Font(11, false, true), ink, Qt::AlignLeft | Qt::AlignVCenter);
        } else {
            DrawText(p, text, title, FittingFont(title, 14, true, text.width()), ink, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

    entry(CloseLinkRect, false);
    p.setPen(QPen(QColor(190, 30, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPoint(24, 617), QPoint(44, 637));
    p.drawLine(QPoint(44, 617), QPoint(24, 637));
    DrawText(p, QRect(66, 597, 170, 65), "Zakończ", Font(18, true), kInk, Qt::AlignLeft | Qt::AlignVCenter);

    // The publisher's mark: the part of its link area that the close entry leaves free.
    DrawText(p, QRect(8, 663, 230, 19), "wydawnictwo Holvenor", Font(12, true, true), kDark,
             Qt::AlignLeft | Qt::AlignVCenter);
    p.fillRect(QRect(8, 680, 160, 1), kDark);
    DrawText(p, QRect(8, 700, 230, 50), "Wydanie demonstracyjne\nznaki i sygnały drogowe", Font(10, false),
             QColor(110, 114, 122), Qt::AlignLeft | Qt::AlignTop);
}

QImage NewStage() {
    QImage image(StageWidth, StageHeight, QImage::Format_RGB32);
    image.fill(QColor(235, 236, 239));
    return image;
}

void Prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

}  // namespace

std::span<const ChapterLink> ChapterLinks() { return kChapterLinks; }

QRect IndexEntryRect(int chapter) { return QRect(274, 166 + 48 * (chapter - 1), 463, 51); }

QImage PaintMenu() {
    QImage image = NewStage();
    QPainter p(&image);
    Prepare(p);
    PaintColumn(p, 0);
    QLinearGradient band(244, 0, 1024, 0);
    band.setColorAt(0, kDark);
    band.setColorAt(1, kDarker);
    p.fillRect(QRect(244, 0, 780, 92), band);
    DrawText(p, QRect(272, 8, 600, 48), "Polskie znaki drogowe", Font(34, true), Qt::white,
             Qt::AlignLeft | Qt::AlignVCenter);
    DrawText(p, QRect(272, 54, 600, 28), "ilustrowany katalog znaków i sygnałów", Font(16, false, true),
             QColor(220, 226, 240), Qt::AlignLeft | Qt::AlignVCenter);
    int x = 1008;
    for (std::string_view name : {"D-6", "C-12", "B-20", "A-1"}) {
        x -= 62;
        Icon(p, name, QRect(x, 18, 54, 56));
    }
    // The introduction is shown over this area; it stays plain white with a thin frame around it.
    p.fillRect(IntroRect.adjusted(-1, -1, 1, 1), kRule);
    p.fillRect(IntroRect, Qt::white);
    DrawText(p, QRect(272, 734, 730, 28), "Wskaż rozdział w kolumnie po lewej stronie lub otwórz spis treści.",
             Font(12, false, true), kInk, Qt::AlignLeft | Qt::AlignVCenter);
    return image;
}

QImage PaintIndex() {
    QImage image = NewStage();
    QPainter p(&image);
    Prepare(p);
    PaintColumn(p, 0);
    DrawText(p, QRect(274, 70, 463, 60), "Spis treści", Font(36, true), kInk, Qt::AlignLeft | Qt::AlignVCenter);
    p.fillRect(QRect(274, 134, 463, 2), kDark);
    for (int chapter = 1; chapter <= ChapterCount; ++chapter) {
        // Neighbouring entries overlap by three pixels; each draws inside its own middle.
        const QRect r = IndexEntryRect(chapter);
        const QRect band(r.left(), r.top() + 3, r.width(), 45);
        p.fillRect(band, chapter % 2 ? QColor(246, 246, 248) : QColor(226, 228, 233));
        Icon(p, FirstSign(chapter), QRect(band.left() + 8, band.top() + 4, 44, 37));
        const QString title = Utf8(ChapterTitle(chapter));
        DrawText(p, QRect(band.left() + 62, band.top(), 40, band.height()), QString::number(chapter) + ".",
                 Font(20, true), kDark, Qt::AlignLeft | Qt::AlignVCenter);
        DrawText(p, QRect(band.left() + 108, band.top(), 252, band.height()), title,
                 FittingFont(title, 18, true, 248), kInk, Qt::AlignLeft | Qt::AlignVCenter);
        DrawText(p, QRect(band.right() - 100, band.top(), 92, band.height()), SignRange(chapter).mid(6),
                 Font(12, false, true), kInk, Qt::AlignRight | Qt::AlignVCenter);
    }
    // A few signs beside the list.
    int y = 170;
    for (std::string_view name : {"A-7", "B-2", "C-5", "D-1", "S-1"}) {
        const QRect box(790, y, 180, name == "S-1" ? 150 : 100);
        Icon(p, name, box);
        y += box.height() + 12;
    }
    return image;
}

QImage PaintPage(int page) {
    QImage image = NewStage();
    QPainter p(&image);
    Prepare(p);
    PaintColumn(p, page);
    QLinearGradient band(244, 0, 1024, 0);
    band.setColorAt(0, kDark);
    band.setColorAt(1, kDarker);
    p.fillRect(QRect(244, 0, 780, 77), band);
    Icon(p, FirstSign(page), QRect(258, 10, 62, 56));
    DrawText(p, QRect(334, 6, 560, 40), Utf8(ChapterTitle(page)), Font(28, true), Qt::white,
             Qt::AlignLeft | Qt::AlignVCenter);
    DrawText(p, QRect(334, 44, 560, 26), QString("Rozdział %1 · %2").arg(page).arg(SignRange(page)),
             Font(14, false, true), QColor(220, 226, 240), Qt::AlignLeft | Qt::AlignVCenter);
    DrawText(p, QRect(900, 6, 110, 64), Utf8(ChapterLetter(page)), Font(48, true), QColor(255, 255, 255, 90),
             Qt::AlignRight | Qt::AlignVCenter);

    // The item view covers ItemViewRect; a dark rule frames it above, the column's rule at its left.
    p.fillRect(QRect(244, 77, 780, 1), kDarker);
    p.fillRect(ItemViewRect, QColor(200, 202, 206));
    p.fillRect(QRect(244, 729, 780, 39), kDarker);
    p.fillRect(CounterRect.adjusted(4, 4, -4, -4), QColor(36, 44, 64));

    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const int mid = PreviousLinkRect.center().y() + 1;
    p.drawPolygon(QPolygon({QPoint(262, mid), QPoint(278, mid - 10), QPoint(278, mid + 10)}));
    DrawText(p, PreviousLinkRect.adjusted(44, 0, 0, 0), "poprzedni", Font(17, true), Qt::white,
             Qt::AlignLeft | Qt::AlignVCenter);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(1006, mid), QPoint(990, mid - 10), QPoint(990, mid + 10)}));
    DrawText(p, NextLinkRect.adjusted(0, 0, -44, 0), "następny", Font(17, true), Qt::white,
             Qt::AlignRight | Qt::AlignVCenter);
    return image;
}

}  // namespace velmora::demo
