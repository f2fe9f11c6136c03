#include "tools/make_demo_catalogue/scenes.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <cmath>
#include <stdexcept>
#include <string>

#include "tools/make_demo_catalogue/signs.h"

namespace velmora::demo {

namespace {

const QColor kAsphalt(92, 94, 98);
const QColor kGrass(96, 150, 70);
const QColor kFarGrass(120, 170, 90);
const QColor kPostGrey(150, 152, 158);

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont Font(int pixelSize, bool bold) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// Where a sign of a scene stands: on a post whose foot is at Base, the sign fitting a Size box.
struct PostSlot {
    QPoint Base;
    int Size;
};

struct SceneSlots {
    std::vector<PostSlot> Posts;
    std::vector<QRect> Road;  // patches of road surface that carry markings
};

bool IsMarking(std::string_view name) {
    const SignInfo* sign = FindSign(name);
    return sign && sign->Shape == SignShape::Marking;
}

bool IsPlate(std::string_view name) {
    const SignInfo* sign = FindSign(name);
    return sign && sign->Shape == SignShape::Plate;
}

void Sky(QPainter& p, int w, int horizon) {
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor(120, 170, 230));
    sky.setColorAt(1, QColor(205, 225, 245));
    p.fillRect(QRect(0, 0, w, horizon), sky);
}

void Tree(QPainter& p, QPointF foot, double h) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(100, 70, 40));
    p.drawRect(QRectF(foot.x() - h * 0.05, foot.y() - h * 0.35, h * 0.1, h * 0.35));
    p.setBrush(QColor(40, 100, 50));
    p.drawPolygon(QPolygonF({QPointF(foot.x(), foot.y() - h), QPointF(foot.x() + h * 0.28, foot.y() - h * 0.3),
                             QPointF(foot.x() - h * 0.28, foot.y() - h * 0.3)}));
}

void House(QPainter& p, const QRectF& r, const QColor& wall) {
    p.setPen(Qt::NoPen);
    p.setBrush(wall);
    p.drawRect(r);
    p.setBrush(QColor(150, 60, 50));
    p.drawPolygon(QPolygonF({QPointF(r.left() - 8, r.top()), QPointF(r.center().x(), r.top() - r.height() * 0.35),
                             QPointF(r.right() + 8, r.top())}));
    p.setBrush(QColor(70, 110, 150));
    const int columns = std::max(2, static_cast<int>(r.width() / 60));
    const double cw = r.width() / columns;
    for (int row = 0; row < 2; ++row)
        for (int c = 0; c < columns; ++c)
            p.drawRect(QRectF(r.left() + c * cw + cw * 0.3, r.top() + r.height() * (0.15 + row * 0.42), cw * 0.4,
                              r.height() * 0.25));
}

// A straight road running from the bottom edge to a vanishing point on the horizon.
void PerspectiveRoad(QPainter& p, int w, int h, int horizon, bool centreLine) {
    const double vx = w * 0.5;
    p.setPen(Qt::NoPen);
    p.setBrush(kAsphalt);
    p.drawPolygon(QPolygonF({QPointF(vx - 12, horizon), QPointF(vx + 12, horizon), QPointF(w * 0.82, h), QPointF(w * 0.18, h)}));
    if (!centreLine) return;
    p.setBrush(Qt::white);
    for (int i = 0; i < 12; ++i) {
        // Dashes shrink towards the horizon.
        const double t0 = std::pow(i / 12.0, 1.6), t1 = std::pow((i + 0.5) / 12.0, 1.6);
        const double y0 = horizon + (h - horizon) * t0, y1 = horizon + (h - horizon) * t1;
        const double w0 = 1 + 10 * t0, w1 = 1 + 10 * t1;
        p.drawPolygon(QPolygonF({QPointF(vx - w0 / 2, y0), QPointF(vx + w0 / 2, y0), QPointF(vx + w1 / 2, y1), QPointF(vx - w1 / 2, y1)}));
    }
}

SceneSlots CountryRoad(QPainter& p, int w, int h) {
    const int horizon = h * 36 / 100;
    Sky(p, w, horizon);
    p.fillRect(QRect(0, horizon, w, h - horizon), kGrass);
    p.fillRect(QRect(0, horizon, w, (h - horizon) / 5), kFarGrass);
    for (int i = 0; i < 24; ++i) {
        const double x = (i + 0.5) * w / 24.0;
        if (std::abs(x - w * 0.5) < w * 0.06) continue;
        Tree(p, QPointF(x, horizon + 6), 60 + (i * 37 % 5) * 8);
    }
    PerspectiveRoad(p, w, h, horizon, true);
    SceneSlots places;
    places.Posts = {{QPoint(w * 80 / 100, h * 97 / 100), h * 26 / 100},
                   {QPoint(w * 16 / 100, h * 94 / 100), h * 22 / 100},
                   {QPoint(w * 70 / 100, h * 60 / 100), h * 15 / 100},
                   {QPoint(w * 30 / 100, h * 58 / 100), h * 13 / 100}};
    return places;
}

SceneSlots TownStreet(QPainter& p, int w, int h) {
    const int horizon = h * 40 / 100;
    Sky(p, w, horizon);
    const QColor walls[] = {QColor(230, 210, 170), QColor(200, 205, 215), QColor(235, 190, 160), QColor(215, 225, 190)};
    for (int i = 0; i < 6; ++i) House(p, QRectF(i * w / 6.0 + 12, horizon - h * 0.2, w / 6.0 - 24, h * 0.2), walls[i % 4]);
    p.fillRect(QRect(0, horizon, w, h * 58 / 100 - horizon), QColor(190, 188, 180));  // far pavement
    p.fillRect(QRect(0, h * 58 / 100, w, h * 30 / 100), kAsphalt);                    // street
    p.fillRect(QRect(0, h * 88 / 100, w, h - h * 88 / 100), QColor(190, 188, 180));    // near pavement
    p.fillRect(QRect(0, h * 58 / 100, w, 6), QColor(120, 120, 120));
    p.fillRect(QRect(0, h * 88 / 100 - 6, w, 6), QColor(120, 120, 120));
    SceneSlots places;
    places.Posts = {{QPoint(w * 10 / 100, h * 57 / 100), h * 17 / 100},
                   {QPoint(w * 30 / 100, h * 57 / 100), h * 17 / 100},
                   {QPoint(w * 70 / 100, h * 57 / 100), h * 17 / 100},
                   {QPoint(w * 88 / 100, h * 57 / 100), h * 17 / 100},
                   {QPoint(w * 88 / 100, h * 99 / 100), h * 16 / 100}};
    places.Road = {QRect(w * 42 / 100, h * 60 / 100, w * 16 / 100, h * 26 / 100),
                  QRect(w * 12 / 100, h * 66 / 100, w * 14 / 100, h * 18 / 100)};
    return places;
}

SceneSlots Roundabout(QPainter& p, int w, int h) {
    p.fillRect(QRect(0, 0, w, h), kGrass);
    const QPointF c(w / 2.0, h / 2.0);
    const double outer = h * 0.3, inner = h * 0.14, lane = h * 0.12;
    p.setPen(Qt::NoPen);
    p.setBrush(kAsphalt);
    p.drawRect(QRectF(c.x() - lane, 0, 2 * lane, h));
    p.drawRect(QRectF(0, c.y() - lane, w, 2 * lane));
    p.drawEllipse(c, outer, outer);
    p.setBrush(QColor(80, 140, 60));
    p.drawEllipse(c, inner, inner);
    p.setBrush(QColor(210, 90, 90));
    p.drawEllipse(c, inner * 0.4, inner * 0.4);  // flower bed
    p.setPen(QPen(Qt::white, 3, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, (outer + inner) / 2, (outer + inner) / 2);
    const int s = static_cast<int>(h * 0.13);
    SceneSlots places;
    // Seen from above the signs stand flat beside the approaches, one by each entry.
    places.Posts = {{QPoint(c.x() + lane + s * 0.8, c.y() + outer + s * 1.3), s},
                   {QPoint(c.x() - lane - s * 0.8, c.y() - outer - s * 0.2), s},
                   {QPoint(c.x() + outer + s * 0.9, c.y() - lane - s * 0.2), s},
                   {QPoint(c.x() - outer - s * 0.9, c.y() + lane + s * 1.3), s}};
    return places;
}

SceneSlots LevelCrossing(QPainter& p, int w, int h) {
    const int horizon = h * 30 / 100;
    Sky(p, w, horizon);
    p.fillRect(QRect(0, horizon, w, h - horizon), kGrass);
    for (int i = 0; i < 16; ++i) Tree(p, QPointF((i + 0.5) * w / 16.0, horizon + 4), 50 + (i * 29 % 4) * 10);
    PerspectiveRoad(p, w, h, horizon, false);
    const int track = h * 48 / 100;
    p.fillRect(QRect(0, track - 14, w, 30), QColor(150, 140, 125));  // ballast
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 80, 50));
    for (int x = 0; x < w; x += 24) p.drawRect(QRect(x, track - 10, 10, 22));
    p.fillRect(QRect(0, track - 7, w, 4), QColor(60, 60, 65));
    p.fillRect(QRect(0, track + 6, w, 4), QColor(60, 60, 65));
    SceneSlots places;
    places.Posts = {{QPoint(w * 20 / 100, h * 97 / 100), h * 24 / 100},
                   {QPoint(w * 88 / 100, h * 98 / 100), h * 26 / 100},
                   {QPoint(w * 78 / 100, h * 80 / 100), h * 21 / 100},
                   {QPoint(w * 70 / 100, h * 64 / 100), h * 16 / 100},
                   {QPoint(w * 62 / 100, h * 47 / 100), h * 14 / 100}};
    return places;
}

SceneSlots Junction(QPainter& p, int w, int h) {
    const int horizon = h * 30 / 100;
    Sky(p, w, horizon);
    for (int i = 0; i < 5; ++i) House(p, QRectF(i * w / 5.0 + 20, horizon - h * 0.14, w / 5.0 - 40, h * 0.14), QColor(220, 215, 200));
    p.fillRect(QRect(0, horizon, w, h - horizon), QColor(190, 188, 180));
    p.fillRect(QRect(0, horizon + h * 5 / 100, w, h * 9 / 100), kAsphalt);  // the crossing road
    p.setPen(Qt::NoPen);
    p.setBrush(kAsphalt);
    p.drawPolygon(QPolygonF({QPointF(w * 0.36, horizon + h * 0.05), QPointF(w * 0.64, horizon + h * 0.05),
                             QPointF(w * 0.9, h), QPointF(w * 0.1, h)}));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(w * 0.497, horizon + h * 0.14), QPointF(w * 0.503, horizon + h * 0.14),
                             QPointF(w * 0.506, h), QPointF(w * 0.494, h)}));
    SceneSlots places;
    places.Posts = {{QPoint(w * 86 / 100, h * 97 / 100), h * 30 / 100},
                   {QPoint(w * 10 / 100, h * 97 / 100), h * 24 / 100},
                   {QPoint(w * 76 / 100, h * 52 / 100), h * 16 / 100},
                   {QPoint(w * 22 / 100, h * 52 / 100), h * 15 / 100}};
    places.Road = {QRect(w * 30 / 100, h * 46 / 100, w * 18 / 100, h * 13 / 100),
                  QRect(w * 56 / 100, h * 62 / 100, w * 14 / 100, h * 22 / 100),
                  QRect(w * 28 / 100, h * 66 / 100, w * 18 / 100, h * 15 / 100)};
    return places;
}

// A sign on its post; returns the rectangle of the sign.
QRect PostSign(QPainter& p, std::string_view name, const PostSlot& slot, bool topView) {
    const int size = slot.Size;
    const int postHeight = topView ? 0 : size * 8 / 10;
    const QRect box(slot.Base.x() - size / 2, slot.Base.y() - postHeight - size, size, size);
    QRect rect = FitSign(name, box);
    rect.moveBottom(box.bottom());
    if (postHeight > 0) {
        const int postWidth = std::max(6, size / 14);
        p.fillRect(QRect(slot.Base.x() - postWidth / 2, rect.bottom(), postWidth, slot.Base.y() - rect.bottom()), kPostGrey);
        p.fillRect(QRect(slot.Base.x() - postWidth, slot.Base.y() - 4, postWidth * 2, 4), QColor(90, 90, 90));
    }
    PaintSign(p, name, rect);
    return rect;
}

void PaintBoard(QPainter& p, const ItemInfo& item, std::vector<PlacedSign>& placed) {
    const int w = item.Width, h = item.Height;
    p.fillRect(QRect(0, 0, w, h), QColor(206, 211, 218));
    p.fillRect(QRect(0, 0, w, 56), QColor(80, 99, 139));
    PaintText(p, QRect(20, 0, w - 40, 56), Utf8(item.Title), Font(24, true), Qt::white, Qt::AlignVCenter | Qt::AlignLeft);

    // A group is a sign with the plates that follow it; a plate on its own is a group too.
    std::vector<std::vector<std::string_view>> groups;
    for (std::string_view name : item.SignNames) {
        if (IsPlate(name) && !groups.empty() && !IsPlate(groups.back().front())) groups.back().push_back(name);
        else groups.push_back({name});
    }
    const int n = static_cast<int>(groups.size());
    const QRect area(10, 66, w - 20, h - 76);
    int columns = 1, best = 0;
    for (int c = 1; c <= n; ++c) {
        const int rows = (n + c - 1) / c;
        const int size = std::min(area.width() / c, area.height() / rows - 30);
        if (size > best) best = size, columns = c;
    }
    const int rows = (n + columns - 1) / columns;
    const int cellW = area.width() / columns, cellH = area.height() / rows;
    for (int i = 0; i < n; ++i) {
        const QRect cell(area.left() + (i % columns) * cellW, area.top() + (i / columns) * cellH, cellW, cellH);
        const QRect inner = cell.adjusted(14, 10, -14, -36);
        const auto& group = groups[i];
        const int plates = static_cast<int>(group.size()) - 1;
        const int signHeight = plates > 0 ? inner.height() * 62 / 100 : inner.height();
        QRect rect = FitSign(group[0], QRect(inner.left(), inner.top(), inner.width(), signHeight));
        if (plates > 0) rect.moveBottom(inner.top() + signHeight - 1);
        PaintSign(p, group[0], rect);
        placed.push_back({group[0], rect});
        int y = inner.top() + signHeight + 6;
        const int plateHeight = plates > 0 ? (inner.bottom() - y - 6 * (plates - 1)) / plates : 0;
        for (int k = 1; k <= plates; ++k) {
            QRect plate = FitSign(group[k], QRect(rect.left(), y, rect.width(), plateHeight));
            plate.moveTop(y);
            PaintSign(p, group[k], plate);
            placed.push_back({group[k], plate});
            y += plateHeight + 6;
        }
        QString label;
        for (std::string_view name : group) label += (label.isEmpty() ? "" : " + ") + Utf8(name);
        PaintText(p, QRect(cell.left(), cell.bottom() - 32, cell.width(), 26), label, Font(17, true), QColor(40, 40, 40));
    }
}

}  // namespace

ItemPicture PaintItem(const ItemInfo& item) {
    ItemPicture result;
    result.Image = QImage(item.Width, item.Height, QImage::Format_RGB32);
    result.Image.fill(Qt::white);
    QPainter p(&result.Image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (item.Kind == ItemKind::Board) {
        PaintBoard(p, item, result.Signs);
        return result;
    }
    SceneSlots places;
    switch (item.Kind) {
    case ItemKind::CountryRoad: places = CountryRoad(p, item.Width, item.Height); break;
    case ItemKind::TownStreet: places = TownStreet(p, item.Width, item.Height); break;
    case ItemKind::Roundabout: places = Roundabout(p, item.Width, item.Height); break;
    case ItemKind::LevelCrossing: places = LevelCrossing(p, item.Width, item.Height); break;
    case ItemKind::Junction: places = Junction(p, item.Width, item.Height); break;
    case ItemKind::Board: break;
    }
    // Markings first, as they lie on the road; then the signs, farthest first so near ones stand in front.
    size_t road = 0;
    std::vector<std::pair<PostSlot, std::string_view>> standing;
    for (std::string_view name : item.SignNames) {
        if (IsMarking(name)) {
            if (road == places.Road.size()) throw std::logic_error("no road space left for " + std::string(name));
            const QRect rect = FitSign(name, places.Road[road++]);
            PaintSign(p, name, rect);
            result.Signs.push_back({name, rect});
        } else {
            if (standing.size() == places.Posts.size()) throw std::logic_error("no place left for " + std::string(name));
            standing.emplace_back(places.Posts[standing.size()], name);
        }
    }
    std::stable_sort(standing.begin(), standing.end(),
                     [](const auto& a, const auto& b) { return a.first.Base.y() < b.first.Base.y(); });
    const bool topView = item.Kind == ItemKind::Roundabout;
    for (const auto& [slot, name] : standing) result.Signs.push_back({name, PostSign(p, name, slot, topView)});
    return result;
}

}  // namespace velmora::demo
