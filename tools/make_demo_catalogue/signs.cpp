#include "tools/make_demo_catalogue/signs.h"

#include <QFont>
#include <QFontMetricsF>
#include <QStringList>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <cmath>

#include "tools/make_demo_catalogue/captions.h"

namespace velmora::demo {

namespace {

// Every sign is designed 100 units wide; its height is 100 / aspect.
const QColor kRed(200, 20, 40);
const QColor kYellow(255, 200, 0);
const QColor kBlue(0, 80, 160);
const QColor kWhite(255, 255, 255);
const QColor kBlack(25, 25, 25);
const QColor kAsphalt(92, 94, 98);
const QColor kLampOff(70, 70, 70);

QPen Stroke(const QColor& color, double width, Qt::PenCapStyle cap = Qt::RoundCap) {
    QPen pen(color, width);
    pen.setCapStyle(cap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void Polygon(QPainter& p, std::initializer_list<QPointF> points, const QColor& fill) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPolygon(QPolygonF(QList<QPointF>(points)));
}

void Disc(QPainter& p, QPointF centre, double radius, const QColor& fill) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
}

void Text(QPainter& p, const QRectF& box, const QString& text, double size, const QColor& color,
          bool bold = true) {
    QFont font("DejaVu Sans");
    font.setPixelSize(std::max(1, static_cast<int>(size)));
    font.setBold(bold);
    PaintText(p, box, text, font, color);
}

// Strokes path and puts a head of length head on its end, pointing the way the path leaves.
void Arrow(QPainter& p, const QPainterPath& path, double width, double head, const QColor& color) {
    p.setBrush(Qt::NoBrush);
    p.setPen(Stroke(color, width, Qt::FlatCap));
    p.drawPath(path);
    const QPointF end = path.pointAtPercent(1.0);
    QPointF dir = end - path.pointAtPercent(0.98);
    const double len = std::hypot(dir.x(), dir.y());
    dir /= len > 0 ? len : 1.0;
    const QPointF normal(-dir.y(), dir.x());
    Polygon(p, {end + normal * head * 0.8, end + dir * head, end - normal * head * 0.8}, color);
}

QPainterPath Line(QPointF a, QPointF b) {
    QPainterPath path(a);
    path.lineTo(b);
    return path;
}

void Slash(QPainter& p, double width = 8) {
    p.setPen(Stroke(kRed, width, Qt::FlatCap));
    p.drawLine(QPointF(19, 19), QPointF(81, 81));
}

// A walking figure `height` tall whose feet stand at `feet`.
void Walker(QPainter& p, QPointF feet, double h, const QColor& color, bool walking = true) {
    const double x = feet.x(), top = feet.y() - h;
    Disc(p, QPointF(x + 0.04 * h, top + 0.09 * h), 0.09 * h, color);
    p.setBrush(Qt::NoBrush);
    p.setPen(Stroke(color, 0.12 * h));
    const QPointF neck(x + 0.01 * h, top + 0.25 * h), hip(x - 0.02 * h, top + 0.56 * h);
    p.drawLine(neck, hip);
    const double stride = walking ? 0.2 : 0.06;
    p.drawPolyline(QPolygonF({hip, QPointF(x - 0.1 * h, top + 0.76 * h), QPointF(x - stride * h, feet.y() - 0.06 * h)}));
    p.drawPolyline(QPolygonF({hip, QPointF(x + 0.07 * h, top + 0.77 * h), QPointF(x + stride * h * 0.9, feet.y() - 0.06 * h)}));
    p.setPen(Stroke(color, 0.09 * h));
    p.drawPolyline(QPolygonF({neck, QPointF(x - 0.1 * h, top + 0.4 * h), QPointF(x - stride * 0.9 * h, top + 0.5 * h)}));
    p.drawPolyline(QPolygonF({neck, QPointF(x + 0.12 * h, top + 0.38 * h), QPointF(x + stride * h, top + 0.48 * h)}));
}

// A bicycle `w` wide centred on c.
void Bicycle(QPainter& p, QPointF c, double w, const QColor& color) {
    const double r = 0.21 * w;
    const QPointF rear(c.x() - 0.28 * w, c.y() + 0.1 * w), front(c.x() + 0.28 * w, c.y() + 0.1 * w);
    const QPointF pedal(c.x() - 0.02 * w, c.y() + 0.1 * w), seat(c.x() - 0.1 * w, c.y() - 0.18 * w);
    const QPointF head(c.x() + 0.2 * w, c.y() - 0.16 * w);
    p.setBrush(Qt::NoBrush);
    p.setPen(Stroke(color, 0.055 * w));
    p.drawEllipse(rear, r, r);
    p.drawEllipse(front, r, r);
    p.drawPolyline(QPolygonF({rear, pedal, seat, rear}));
    p.drawPolyline(QPolygonF({seat, head, pedal}));
    p.drawLine(head, front);
    p.drawLine(QPointF(seat.x() - 0.07 * w, seat.y() - 0.03 * w), QPointF(seat.x() + 0.05 * w, seat.y() - 0.03 * w));
    p.drawLine(head, QPointF(head.x() - 0.06 * w, head.y() - 0.08 * w));
}

// A car seen from behind, `w` wide, its wheels standing on bottom.
void CarRear(QPainter& p, double cx, double bottom, double w, const QColor& color, const QColor& glass) {
    const double h = 0.8 * w;
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRectF(cx - 0.44 * w, bottom - 0.2 * h, 0.2 * w, 0.2 * h));
    p.drawRect(QRectF(cx + 0.24 * w, bottom - 0.2 * h, 0.2 * w, 0.2 * h));
    p.drawRoundedRect(QRectF(cx - 0.5 * w, bottom - 0.62 * h, w, 0.47 * h), 0.08 * w, 0.08 * w);
    Polygon(p, {QPointF(cx - 0.38 * w, bottom - 0.6 * h), QPointF(cx - 0.28 * w, bottom - h),
                QPointF(cx + 0.28 * w, bottom - h), QPointF(cx + 0.38 * w, bottom - 0.6 * h)}, color);
    Polygon(p, {QPointF(cx - 0.3 * w, bottom - 0.64 * h), QPointF(cx - 0.23 * w, bottom - 0.92 * h),
                QPointF(cx + 0.23 * w, bottom - 0.92 * h), QPointF(cx + 0.3 * w, bottom - 0.64 * h)}, glass);
}

// A deer leaping to the right, about s wide, its body centred on c.
void Deer(QPainter& p, QPointF c, double s, const QColor& color) {
    p.save();
    p.translate(c);
    p.scale(s, s);
    p.rotate(-12);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(0, 0), 0.27, 0.11);
    QPainterPath neck(QPointF(0.12, -0.08));
    neck.lineTo(0.3, -0.3);
    neck.lineTo(0.36, -0.22);
    neck.lineTo(0.26, -0.02);
    neck.closeSubpath();
    p.drawPath(neck);
    p.drawEllipse(QPointF(0.38, -0.27), 0.09, 0.05);
    p.setBrush(Qt::NoBrush);
    p.setPen(Stroke(color, 0.05));
    // Forelegs folded under the chest, hind legs stretched back from the push-off.
    p.drawPolyline(QPolygonF({QPointF(0.18, 0.05), QPointF(0.34, 0.12), QPointF(0.3, 0.24)}));
    p.drawPolyline(QPolygonF({QPointF(0.14, 0.07), QPointF(0.26, 0.17), QPointF(0.2, 0.27)}));
    p.drawPolyline(QPolygonF({QPointF(-0.2, 0.05), QPointF(-0.34, 0.14), QPointF(-0.52, 0.16)}));
    p.drawPolyline(QPolygonF({QPointF(-0.16, 0.07), QPointF(-0.3, 0.2), QPointF(-0.46, 0.26)}));
    p.drawLine(QPointF(-0.26, -0.04), QPointF(-0.34, -0.1));
    p.setPen(Stroke(color, 0.03));
    p.drawPolyline(QPolygonF({QPointF(0.33, -0.3), QPointF(0.26, -0.44), QPointF(0.2, -0.5)}));
    p.drawLine(QPointF(0.28, -0.4), QPointF(0.34, -0.5));
    p.drawLine(QPointF(0.23, -0.46), QPointF(0.22, -0.56));
    p.restore();
}

void Locomotive(QPainter& p, QPointF c, double s, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRectF(c.x() - 0.4 * s, c.y() - 0.12 * s, 0.6 * s, 0.26 * s));   // boiler
    p.drawRect(QRectF(c.x() + 0.18 * s, c.y() - 0.34 * s, 0.24 * s, 0.48 * s)); // cab
    p.drawRect(QRectF(c.x() + 0.14 * s, c.y() - 0.38 * s, 0.32 * s, 0.06 * s));  // cab roof
    p.drawRect(QRectF(c.x() - 0.32 * s, c.y() - 0.32 * s, 0.1 * s, 0.22 * s));  // chimney
    Polygon(p, {QPointF(c.x() - 0.4 * s, c.y() + 0.08 * s), QPointF(c.x() - 0.5 * s, c.y() + 0.24 * s), QPointF(c.x() - 0.4 * s, c.y() + 0.24 * s)}, color);
    for (double x : {-0.26, -0.04, 0.28}) Disc(p, QPointF(c.x() + x * s, c.y() + 0.2 * s), 0.09 * s, color);
}

void Worker(QPainter& p, QPointF feet, double h, const QColor& color) {
    const double x = feet.x(), top = feet.y() - h;
    Disc(p, QPointF(x + 0.16 * h, top + 0.12 * h), 0.09 * h, color);
    p.setPen(Stroke(color, 0.12 * h));
    const QPointF neck(x + 0.1 * h, top + 0.27 * h), hip(x - 0.08 * h, top + 0.55 * h);
    p.drawLine(neck, hip);
    p.drawPolyline(QPolygonF({hip, QPointF(x - 0.05 * h, top + 0.78 * h), QPointF(x - 0.12 * h, feet.y() - 0.05 * h)}));
    p.drawPolyline(QPolygonF({hip, QPointF(x - 0.26 * h, top + 0.75 * h), QPointF(x - 0.3 * h, feet.y() - 0.05 * h)}));
    p.setPen(Stroke(color, 0.09 * h));
    p.drawPolyline(QPolygonF({neck, QPointF(x + 0.22 * h, top + 0.45 * h), QPointF(x + 0.3 * h, top + 0.5 * h)}));
    p.setPen(Stroke(color, 0.05 * h));
    p.drawLine(QPointF(x + 0.12 * h, top + 0.3 * h), QPointF(x + 0.42 * h, top + 0.86 * h)); // shovel
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawChord(QRectF(x + 0.28 * h, feet.y() - 0.3 * h, 0.5 * h, 0.6 * h), 0, 180 * 16); // heap
}

void FuelPump(QPainter& p, QPointF c, double s, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRectF(c.x() - 0.25 * s, c.y() - 0.4 * s, 0.36 * s, 0.78 * s));
    p.drawRect(QRectF(c.x() - 0.32 * s, c.y() + 0.34 * s, 0.5 * s, 0.08 * s));
    p.setBrush(kWhite);
    p.drawRect(QRectF(c.x() - 0.18 * s, c.y() - 0.32 * s, 0.22 * s, 0.18 * s));
    p.setBrush(Qt::NoBrush);
    p.setPen(Stroke(color, 0.06 * s));
    p.drawPolyline(QPolygonF({QPointF(c.x() + 0.11 * s, c.y() - 0.1 * s), QPointF(c.x() + 0.28 * s, c.y() - 0.1 * s),
                              QPointF(c.x() + 0.28 * s, c.y() + 0.2 * s), QPointF(c.x() + 0.36 * s, c.y() + 0.2 * s),
                              QPointF(c.x() + 0.36 * s, c.y() - 0.25 * s), QPointF(c.x() + 0.26 * s, c.y() - 0.35 * s)}));
}

void Town(QPainter& p, const QRectF& r, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const double x = r.left(), w = r.width(), b = r.bottom(), h = r.height();
    p.drawRect(QRectF(x, b - 0.45 * h, 0.2 * w, 0.45 * h));
    p.drawRect(QRectF(x + 0.22 * w, b - 0.7 * h, 0.16 * w, 0.7 * h));
    Polygon(p, {QPointF(x + 0.4 * w, b), QPointF(x + 0.4 * w, b - 0.55 * h), QPointF(x + 0.47 * w, b - h),
                QPointF(x + 0.54 * w, b - 0.55 * h), QPointF(x + 0.54 * w, b)}, color);
    p.drawRect(QRectF(x + 0.56 * w, b - 0.5 * h, 0.18 * w, 0.5 * h));
    Polygon(p, {QPointF(x + 0.76 * w, b), QPointF(x + 0.76 * w, b - 0.4 * h), QPointF(x + 0.88 * w, b - 0.6 * h),
                QPointF(x + w, b - 0.4 * h), QPointF(x + w, b)}, color);
}

void Lamp(QPainter& p, QPointF c, double r, const QColor& lit, bool on) {
    Disc(p, c, r, on ? lit : kLampOff);
}

void RoundaboutArrows(QPainter& p, QPointF c, double r, double width, const QColor& color) {
    for (int k = 0; k < 3; ++k) {
        const double start = 100.0 + 120.0 * k;
        QPainterPath arc;
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        arc.arcMoveTo(box, start);
        arc.arcTo(box, start, 72.0);
        Arrow(p, arc, width, width * 1.15, color);
    }
}

// Inside of the yellow warning triangle; the free area is centred near (50, 57).
void WarningPictogram(QPainter& p, std::string_view name) {
    const QColor k = kBlack;
    if (name == "A-1" || name == "A-2") {
        const double s = name == "A-1" ? 1 : -1;
        QPainterPath path(QPointF(50 - 8 * s, 78));
        path.lineTo(50 - 8 * s, 62);
        path.cubicTo(50 - 8 * s, 50, 50 - 2 * s, 44, 50 + 9 * s, 42);
        Arrow(p, path, 6, 7, k);
    } else if (name == "A-3" || name == "A-4") {
        const double s = name == "A-3" ? 1 : -1;
        QPainterPath path(QPointF(50 - 6 * s, 79));
        path.cubicTo(50 - 6 * s, 68, 50 + 10 * s, 68, 50 + 10 * s, 57);
        path.cubicTo(50 + 10 * s, 48, 50 - 6 * s, 48, 50 - 6 * s, 38);
        Arrow(p, path, 5.5, 6.5, k);
    } else if (name == "A-6a") {
        p.setPen(Qt::NoPen);
        p.setBrush(k);
        p.drawRect(QRectF(45, 32, 10, 47));
        p.drawRect(QRectF(29, 54, 42, 6));
    } else if (name == "A-9") {
        p.setPen(Qt::NoPen);
        p.setBrush(k);
        for (double x : {31.0, 48.0, 65.0}) p.drawRect(QRectF(x, 48, 4, 28));
        p.drawRect(QRectF(27, 53, 46, 5));
        p.drawRect(QRectF(27, 64, 46, 5));
    } else if (name == "A-10") {
        Locomotive(p, QPointF(50, 62), 40, k);
    } else if (name == "A-11") {
        QPainterPath path(QPointF(25, 76));
        path.cubicTo(31, 76, 33, 58, 40, 58);
        path.cubicTo(47, 58, 46, 72, 50, 72);
        path.cubicTo(54, 72, 53, 58, 60, 58);
        path.cubicTo(67, 58, 69, 76, 75, 76);
        path.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(k);
        p.drawPath(path);
    } else if (name == "A-12a") {
        p.setBrush(Qt::NoBrush);
        p.setPen(Stroke(k, 5));
        p.drawPolyline(QPolygonF({QPointF(35, 78), QPointF(35, 64), QPointF(43, 52), QPointF(43, 36)}));
        p.drawPolyline(QPolygonF({QPointF(65, 78), QPointF(65, 64), QPointF(57, 52), QPointF(57, 36)}));
    } else if (name == "A-14") {
        Worker(p, QPointF(46, 78), 40, k);
    } else if (name == "A-16") {
        Walker(p, QPointF(50, 72), 38, k);
        p.setPen(Qt::NoPen);
        p.setBrush(k);
        for (int i = 0; i < 5; ++i) p.drawRect(QRectF(26 + 10 * i, 74, 6, 5));
    } else if (name == "A-17") {
        Walker(p, QPointF(42, 79), 40, k);
        Walker(p, QPointF(60, 79), 30, k);
    } else if (name == "A-18b") {
        Deer(p, QPointF(50, 62), 46, k);
    } else if (name == "A-30") {
        p.setPen(Qt::NoPen);
        p.setBrush(k);
        p.drawRoundedRect(QRectF(45.5, 34, 9, 30), 3, 3);
        Disc(p, QPointF(50, 72.5), 5, k);
    }
}

void ProhibitionPictogram(QPainter& p, std::string_view name) {
    const QColor k = kBlack;
    if (name == "B-2") {
        Disc(p, QPointF(50, 50), 50, kRed);
        p.setBrush(kWhite);
        p.drawRect(QRectF(17, 42, 66, 16));
    } else if (name == "B-9") {
        Bicycle(p, QPointF(50, 48), 62, k);
    } else if (name == "B-21" || name == "B-22") {
        const double s = name == "B-22" ? 1 : -1;
        QPainterPath path(QPointF(50 - 8 * s, 78));
        path.lineTo(50 - 8 * s, 48);
        path.quadTo(50 - 8 * s, 38, 50 + 2 * s, 38);
        path.lineTo(50 + 12 * s, 38);
        Arrow(p, path, 9, 10, k);
        Slash(p);
    } else if (name == "B-23") {
        QPainterPath path(QPointF(60, 78));
        path.lineTo(60, 44);
        path.cubicTo(60, 28, 38, 28, 38, 44);
        path.lineTo(38, 56);
        Arrow(p, path, 8, 9, k);
        Slash(p);
    } else if (name == "B-25") {
        CarRear(p, 33, 70, 30, kRed, kWhite);
        CarRear(p, 67, 70, 30, k, kWhite);
    } else if (name == "B-33") {
        Text(p, QRectF(10, 10, 80, 80), "50", 42, k);
    } else if (name == "B-41") {
        Walker(p, QPointF(50, 84), 64, k);
        Slash(p);
    }
}

void MandatoryPictogram(QPainter& p, std::string_view name) {
    const QColor w = kWhite;
    if (name == "C-1" || name == "C-2" || name == "C-3") {
        const double s = name == "C-3" ? -1 : 1;
        const double turn = name == "C-2" ? 38 : 56;
        QPainterPath path(QPointF(50 - 12 * s, 80));
        path.lineTo(50 - 12 * s, turn + 10);
        path.quadTo(50 - 12 * s, turn, 50 - 2 * s, turn);
        path.lineTo(50 + 14 * s, turn);
        Arrow(p, path, 11, 12, w);
    } else if (name == "C-5") {
        Arrow(p, Line(QPointF(50, 82), QPointF(50, 36)), 12, 14, w);
    } else if (name == "C-9") {
        Arrow(p, Line(QPointF(28, 28), QPointF(62, 62)), 12, 14, w);
    } else if (name == "C-12") {
        RoundaboutArrows(p, QPointF(50, 50), 25, 9, w);
    } else if (name == "C-13") {
        Bicycle(p, QPointF(50, 48), 64, w);
    } else if (name == "C-16") {
        Walker(p, QPointF(47, 82), 62, w);
    }
}

void InformationPictogram(QPainter& p, std::string_view name) {
    if (name == "D-3") {
        Arrow(p, Line(QPointF(50, 86), QPointF(50, 32)), 16, 18, kWhite);
    } else if (name == "D-4a") {
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawRect(QRectF(41, 32, 18, 54));
        p.setBrush(kRed);
        p.drawRect(QRectF(24, 18, 52, 14));
    } else if (name == "D-6" || name == "D-6a") {
        Polygon(p, {QPointF(50, 12), QPointF(90, 84), QPointF(10, 84)}, kWhite);
        if (name == "D-6") {
            Walker(p, QPointF(50, 72), 36, kBlack);
            p.setPen(Qt::NoPen);
            p.setBrush(kBlack);
            for (int i = 0; i < 5; ++i) p.drawRect(QRectF(27 + 10 * i, 74, 6, 6));
        } else {
            Bicycle(p, QPointF(50, 62), 40, kBlack);
        }
    } else if (name == "D-18") {
        Text(p, QRectF(5, 5, 90, 90), "P", 78, kWhite);
    } else if (name == "D-23") {
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawRect(QRectF(16, 14, 68, 72));
        FuelPump(p, QPointF(48, 50), 62, kBlack);
    } else if (name == "D-40") {
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawRect(QRectF(10, 10, 80, 80));
        Polygon(p, {QPointF(16, 48), QPointF(34, 30), QPointF(52, 48)}, kBlue);
        p.setBrush(kBlue);
        p.drawRect(QRectF(20, 48, 28, 30));
        Walker(p, QPointF(66, 82), 36, kBlue);
        Walker(p, QPointF(80, 82), 22, kBlue);
        Disc(p, QPointF(55, 79), 4, kBlue);
    } else if (name == "D-42" || name == "D-43") {
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawRect(QRectF(10, 10, 80, 80));
        Town(p, QRectF(18, 30, 64, 46), name == "D-42" ? kBlack : QColor(150, 150, 150));
        if (name == "D-43") {
            p.setPen(Stroke(kRed, 8, Qt::FlatCap));
            p.drawLine(QPointF(14, 86), QPointF(86, 14));
        }
    }
}

void PaintWarning(QPainter& p, std::string_view name, bool inverted) {
    if (!inverted) {
        p.setPen(Stroke(kRed, 7));
        p.setBrush(kRed);
        p.drawPolygon(QPolygonF({QPointF(50, 4), QPointF(96.5, 84.5), QPointF(3.5, 84.5)}));
        Polygon(p, {QPointF(50, 15.5), QPointF(87, 79.5), QPointF(13, 79.5)}, kYellow);
        WarningPictogram(p, name);
    } else {
        p.setPen(Stroke(kRed, 7));
        p.setBrush(kRed);
        p.drawPolygon(QPolygonF({QPointF(3.5, 3.5), QPointF(96.5, 3.5), QPointF(50, 84)}));
        Polygon(p, {QPointF(13, 8.5), QPointF(87, 8.5), QPointF(50, 72.5)}, kWhite);
    }
}

void PaintDirection(QPainter& p, std::string_view name, double h) {
    if (name == "E-1") {
        p.setPen(Stroke(kWhite, 1.5));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(0.75, 0.75, 98.5, h - 1.5), 4, 4);
        Arrow(p, Line(QPointF(40, h - 6), QPointF(40, 24)), 6, 7, kWhite);
        Arrow(p, Line(QPointF(40, 46), QPointF(72, 46)), 4, 5, kWhite);
        Text(p, QRectF(10, 2, 60, 14), "Kraków", 9, kWhite);
        Text(p, QRectF(52, 50, 46, 14), "Nowy Targ", 7, kWhite);
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRect(QRectF(10, 48, 18, 12));
        Text(p, QRectF(10, 48, 18, 12), "7", 8, kWhite);
    } else if (name == "E-3") {
        p.setPen(Stroke(kBlack, 1.5));
        p.setBrush(kWhite);
        p.drawPolygon(QPolygonF({QPointF(0.75, 0.75), QPointF(86, 0.75), QPointF(99, h / 2), QPointF(86, h - 0.75), QPointF(0.75, h - 0.75)}));
        Text(p, QRectF(4, 0, 56, h), "Zakopane", 11, kBlack);
        Text(p, QRectF(60, 0, 24, h), "25", 11, kBlack);
    } else {
        p.setPen(Stroke(kBlack, 1.5));
        p.setBrush(kWhite);
        p.drawRect(QRectF(0.75, 0.75, 98.5, h - 1.5));
        Text(p, QRectF(4, 0, 92, h), "NOWY TARG", 13, kBlack);
        if (name == "E-18a") {
            p.setPen(Stroke(kRed, 5, Qt::FlatCap));
            p.drawLine(QPointF(4, h - 4), QPointF(96, 4));
        }
    }
}

void PaintSupplementary(QPainter& p, std::string_view name, double h) {
    p.setPen(Stroke(kWhite, 2));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(1, 1, 98, h - 2), 5, 5);
    if (name == "F-10") {
        p.setPen(Stroke(kWhite, 1.5, Qt::FlatCap));
        p.drawLine(QPointF(36, 8), QPointF(36, h - 8));
        p.drawLine(QPointF(64, 8), QPointF(64, h - 8));
        QPainterPath left(QPointF(22, h - 10));
        left.lineTo(22, 34);
        left.quadTo(22, 26, 14, 26);
        Arrow(p, left, 5, 6, kWhite);
        Arrow(p, Line(QPointF(50, h - 10), QPointF(50, 20)), 5, 6, kWhite);
        QPainterPath right(QPointF(80, h - 10));
        right.lineTo(80, 34);
        right.quadTo(80, 26, 88, 26);
        Arrow(p, right, 5, 6, kWhite);
    } else if (name == "F-11") {
        Arrow(p, Line(QPointF(50, h - 12), QPointF(50, 26)), 12, 14, kWhite);
    } else if (name == "F-19") {
        p.setPen(Stroke(kWhite, 2, Qt::FlatCap));
        p.drawLine(QPointF(16, 10), QPointF(16, h - 10));
        p.drawLine(QPointF(84, 10), QPointF(84, h - 10));
        Text(p, QRectF(18, 10, 64, h - 20), "BUS", 24, kWhite);
    }
}

void PaintCrossing(QPainter& p, std::string_view name, double h) {
    if (name.starts_with("G-1")) {
        const int bars = name == "G-1a" ? 3 : name == "G-1b" ? 2 : 1;
        p.setPen(Stroke(kBlack, 2));
        p.setBrush(kWhite);
        p.drawRect(QRectF(1, 1, 98, h - 2));
        for (int i = 0; i < bars; ++i) {
            const double y = h * 0.12 + i * h * 0.22;
            Polygon(p, {QPointF(2, y + 40), QPointF(98, y), QPointF(98, y + 36), QPointF(2, y + 76)}, kRed);
        }
        return;
    }
    const double armH = 16;
    auto arm = [&](double angle, QPointF c) {
        p.save();
        p.translate(c);
        p.rotate(angle);
        const double len = 124;
        p.setPen(Stroke(kRed, 2));
        p.setBrush(kWhite);
        p.drawRect(QRectF(-len / 2, -armH / 2, len, armH));
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        for (int i = 0; i < 3; ++i) p.drawRect(QRectF(-len / 2 + 10 + i * 40, -armH / 2, 20, armH));
        p.restore();
    };
    arm(45, QPointF(50, 50));
    arm(-45, QPointF(50, 50));
    if (name == "G-4") {
        p.save();
        p.translate(50, h - 21);
        for (double angle : {45.0, -45.0}) {
            p.save();
            p.rotate(angle);
            p.setPen(Stroke(kRed, 2));
            p.setBrush(kWhite);
            p.drawRect(QRectF(-20, -armH / 2, 40, armH));
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawRect(QRectF(-5, -armH / 2, 10, armH));
            p.restore();
        }
        p.restore();
    }
}

void PaintMarking(QPainter& p, std::string_view name, double h) {
    p.setPen(Qt::NoPen);
    p.setBrush(kAsphalt);
    p.drawRect(QRectF(0, 0, 100, h));
    p.setBrush(kWhite);
    if (name == "P-1a") {
        for (int i = 0; i < 3; ++i) p.drawRect(QRectF(48, 4 + i * 26, 4, 18));
    } else if (name == "P-2a") {
        p.drawRect(QRectF(48, 0, 4, h));
    } else if (name == "P-4") {
        p.drawRect(QRectF(44, 0, 4, h));
        p.drawRect(QRectF(52, 0, 4, h));
    } else if (name == "P-8a") {
        Arrow(p, Line(QPointF(50, h - 6), QPointF(50, 26)), 8, 14, kWhite);
    } else if (name == "P-10") {
        for (int i = 0; i < 7; ++i) p.drawRect(QRectF(4 + i * 14, 8, 8, h - 16));
    } else if (name == "P-11") {
        for (int i = 0; i < 12; ++i) {
            p.drawRect(QRectF(4 + i * 8, 16, 4, 4));
            p.drawRect(QRectF(4 + i * 8, h - 20, 4, 4));
        }
        Bicycle(p, QPointF(50, h / 2 - 2), 26, kWhite);
    } else if (name == "P-12") {
        for (int i = 0; i < 8; ++i) {
            const double x = 4 + i * 12;
            Polygon(p, {QPointF(x, h / 2 - 8), QPointF(x + 9, h / 2 - 8), QPointF(x + 4.5, h / 2 + 8)}, kWhite);
        }
    } else if (name == "P-14") {
        p.drawRect(QRectF(0, h / 2 - 6, 100, 12));
    }
}

void PaintLight(QPainter& p, std::string_view name, double h) {
    const QColor red(230, 30, 30), amber(255, 170, 0), green(40, 210, 90);
    p.setPen(Stroke(kYellow, 3));
    p.setBrush(kBlack);
    if (name == "S-2") {
        // Main head on the left, the arrow chamber beside its green lamp.
        p.drawRoundedRect(QRectF(1.5, 1.5, 54, h - 3), 8, 8);
        p.drawRoundedRect(QRectF(58, h * 2 / 3 - 2, 40.5, h / 3), 8, 8);
        const double r = 17, cx = 28.5;
        Lamp(p, QPointF(cx, h / 6), r, red, false);
        Lamp(p, QPointF(cx, h / 2), r, amber, false);
        Lamp(p, QPointF(cx, h * 5 / 6), r, green, true);
        Disc(p, QPointF(78, h * 5 / 6 - 1), 14, kLampOff);
        Arrow(p, Line(QPointF(70, h * 5 / 6 - 1), QPointF(80, h * 5 / 6 - 1)), 4, 6, green);
        return;
    }
    const int lamps = name == "S-5" ? 2 : 3;
    p.drawRoundedRect(QRectF(1.5, 1.5, 97, h - 3), 14, 14);
    const double cell = h / lamps;
    const double r = std::min(40.0, cell * 0.4);
    for (int i = 0; i < lamps; ++i) {
        const QPointF c(50, cell * (i + 0.5));
        if (name == "S-1") {
            Lamp(p, c, r, i == 0 ? red : i == 1 ? amber : green, i == 2);
        } else if (name == "S-3") {
            Lamp(p, c, r, kBlack, false);
            const QColor col = i == 0 ? red : i == 1 ? amber : green;
            Arrow(p, Line(c + QPointF(0, r * 0.6), c - QPointF(0, r * 0.2)), r * 0.3, r * 0.45, i == 2 ? col : col.darker(250));
        } else if (name == "S-5") {
            Lamp(p, c, r, kBlack, false);
            const QColor col = i == 0 ? red : green;
            Walker(p, c + QPointF(0, r * 0.8), r * 1.5, i == 0 ? col : col.darker(250), i == 1);
        } else {
            Lamp(p, c, r, kBlack, false);
            const QColor col = i == 0 ? red : i == 1 ? amber : green;
            Bicycle(p, c, r * 1.5, i == 2 ? col : col.darker(250));
        }
    }
}

void PaintPlate(QPainter& p, std::string_view name, double h) {
    p.setPen(Stroke(kBlack, 2));
    p.setBrush(kWhite);
    p.drawRoundedRect(QRectF(1, 1, 98, h - 2), 3, 3);
    if (name == "T-1") {
        Text(p, QRectF(2, 2, 96, h - 4), "150 m", 24, kBlack);
    } else if (name == "T-2") {
        p.setBrush(Qt::NoBrush);
        Arrow(p, Line(QPointF(18, h / 2), QPointF(18, 12)), 3, 6, kBlack);
        Arrow(p, Line(QPointF(18, h / 2), QPointF(18, h - 12)), 3, 6, kBlack);
        Text(p, QRectF(28, 2, 68, h - 4), "1200 m", 16, kBlack);
    } else if (name == "T-6a") {
        p.setBrush(Qt::NoBrush);
        p.setPen(Stroke(kBlack, 3, Qt::FlatCap));
        p.drawLine(QPointF(20, h / 2), QPointF(80, h / 2));
        p.setPen(Stroke(kBlack, 9, Qt::FlatCap));
        p.drawPolyline(QPolygonF({QPointF(50, h - 8), QPointF(50, h / 2), QPointF(50, 10)}));
        p.setPen(Stroke(kBlack, 9, Qt::FlatCap));
        p.drawLine(QPointF(50, h / 2), QPointF(82, h / 2));
    } else if (name == "T-22") {
        Bicycle(p, QPointF(22, h / 2), 30, kBlack);
        Text(p, QRectF(40, 2, 58, h - 4), "NIE\nDOTYCZY", 11, kBlack);
    }
}

}  // namespace

void PaintText(QPainter& painter, const QRectF& box, const QString& text, QFont font, const QColor& color,
               int alignment) {
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(font);
    const QStringList lines = text.split('\n');
    const double height = metrics.height() * lines.size();
    double top = box.top();
    if (alignment & Qt::AlignBottom) top = box.bottom() - height;
    else if (alignment & Qt::AlignVCenter) top = box.center().y() - height / 2;
    double baseline = top + metrics.ascent();
    for (const QString& line : lines) {
        const double width = metrics.horizontalAdvance(line);
        double left = box.left();
        if (alignment & Qt::AlignRight) left = box.right() - width;
        else if (alignment & Qt::AlignHCenter) left = box.center().x() - width / 2;
        QPainterPath path;
        path.addText(left, baseline, font, line);
        painter.fillPath(path, color);
        baseline += metrics.height();
    }
}

double SignAspect(std::string_view name) {
    const SignInfo* sign = FindSign(name);
    if (!sign) return 1.0;
    switch (sign->Shape) {
    case SignShape::Warning:
    case SignShape::Yield:
        return 100.0 / 88.0;
    case SignShape::Direction:
        return name == "E-1" ? 1.3 : name == "E-3" ? 3.2 : 2.4;
    case SignShape::RouteNumber:
        return 1.4;
    case SignShape::Supplementary:
        return name == "F-10" ? 1.3 : name == "F-11" ? 0.8 : 0.9;
    case SignShape::Crossing:
        return name.starts_with("G-1") ? 0.28 : name == "G-4" ? 0.72 : 1.0;
    case SignShape::Marking:
        return name == "P-8a" ? 0.9 : 1.25;
    case SignShape::Light:
        return name == "S-2" ? 0.62 : name == "S-5" ? 0.55 : 0.4;
    case SignShape::Plate:
        return name == "T-1" ? 2.2 : name == "T-6a" ? 1.2 : 1.6;
    default:
        return 1.0;
    }
}

QRect FitSign(std::string_view name, const QRect& box) {
    const double aspect = SignAspect(name);
    int w = box.width();
    int h = static_cast<int>(std::lround(w / aspect));
    if (h > box.height()) {
        h = box.height();
        w = static_cast<int>(std::lround(h * aspect));
    }
    return QRect(box.left() + (box.width() - w) / 2, box.top() + (box.height() - h) / 2, w, h);
}

void PaintSign(QPainter& painter, std::string_view name, const QRectF& rect) {
    const SignInfo* sign = FindSign(name);
    if (!sign) return;
    const double h = 100.0 / SignAspect(name);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 100.0, rect.height() / h);
    painter.setClipRect(QRectF(0, 0, 100, h));
    switch (sign->Shape) {
    case SignShape::Warning:
        PaintWarning(painter, name, false);
        break;
    case SignShape::Yield:
        PaintWarning(painter, name, true);
        break;
    case SignShape::Prohibition:
        Disc(painter, QPointF(50, 50), 50, kRed);
        Disc(painter, QPointF(50, 50), 40, kWhite);
        ProhibitionPictogram(painter, name);
        break;
    case SignShape::NoStanding:
        Disc(painter, QPointF(50, 50), 50, kRed);
        Disc(painter, QPointF(50, 50), 40, kBlue);
        painter.setPen(Stroke(kRed, 9, Qt::FlatCap));
        painter.drawLine(QPointF(20, 20), QPointF(80, 80));
        if (name == "B-36") painter.drawLine(QPointF(80, 20), QPointF(20, 80));
        break;
    case SignShape::Stop: {
        const QPolygonF octagon({QPointF(100, 70.7), QPointF(70.7, 100), QPointF(29.3, 100), QPointF(0, 70.7),
                                 QPointF(0, 29.3), QPointF(29.3, 0), QPointF(70.7, 0), QPointF(100, 29.3)});
        painter.setPen(Qt::NoPen);
        painter.setBrush(kRed);
        painter.drawPolygon(octagon);
        painter.setPen(Stroke(kWhite, 3));
        painter.setBrush(Qt::NoBrush);
        const QPointF centre(50, 50);
        QPolygonF inner;
        for (const QPointF& point : octagon) inner << centre + (point - centre) * 0.9;
        painter.drawPolygon(inner);
        Text(painter, QRectF(0, 0, 100, 100), "STOP", 28, kWhite);
        break;
    }
    case SignShape::Mandatory:
        Disc(painter, QPointF(50, 50), 50, kWhite);
        Disc(painter, QPointF(50, 50), 49, kBlue);
        MandatoryPictogram(painter, name);
        break;
    case SignShape::Information:
        painter.setPen(Stroke(kWhite, 2.5));
        painter.setBrush(kBlue);
        painter.drawRoundedRect(QRectF(1.25, 1.25, 97.5, 97.5), 7, 7);
        InformationPictogram(painter, name);
        break;
    case SignShape::Priority:
        painter.setPen(Stroke(kBlack, 1));
        painter.setBrush(kWhite);
        painter.drawPolygon(QPolygonF({QPointF(50, 0.5), QPointF(99.5, 50), QPointF(50, 99.5), QPointF(0.5, 50)}));
        Polygon(painter, {QPointF(50, 13), QPointF(87, 50), QPointF(50, 87), QPointF(13, 50)}, kYellow);
        break;
    case SignShape::Direction:
        PaintDirection(painter, name, h);
        break;
    case SignShape::RouteNumber: {
        const bool national = name == "E-15a";
        painter.setPen(Stroke(national ? kWhite : kBlack, 3));
        painter.setBrush(national ? kRed : kYellow);
        painter.drawRoundedRect(QRectF(1.5, 1.5, 97, h - 3), 6, 6);
        Text(painter, QRectF(0, 0, 100, h), national ? "7" : "957", 40, national ? kWhite : kBlack);
        break;
    }
    case SignShape::Supplementary:
        PaintSupplementary(painter, name, h);
        break;
    case SignShape::Crossing:
        PaintCrossing(painter, name, h);
        break;
    case SignShape::Marking:
        PaintMarking(painter, name, h);
        break;
    case SignShape::Light:
        PaintLight(painter, name, h);
        break;
    case SignShape::Plate:
        PaintPlate(painter, name, h);
        break;
    }
    painter.restore();
}

QSize SignPictureSize(std::string_view name) {
    // A handful of signs come as large photographs so that the preview has to shrink them, one
    // exactly as large as the preview's view and one a single pixel wider.
    for (std::string_view large : {"A-1", "B-20", "C-12", "D-6", "E-17a"})
        if (name == large) return QSize(1600, 1200);
    if (name == "S-2") return QSize(900, 1100);
    if (name == "D-40") return QSize(804, 591);
    if (name == "E-3") return QSize(805, 300);
    const QRect sign = FitSign(name, QRect(0, 0, 520, 420));
    return QSize(sign.width() + 120, sign.height() + 120);
}

}  // namespace velmora::demo
