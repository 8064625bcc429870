#include "session/images.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>

#include "session/controls.h"

namespace muv {

namespace {

// A painter on a transparent picture of the given size, with smooth edges.
class Canvas {
public:
    explicit Canvas(QSize size) : image_(size, QImage::Format_ARGB32_Premultiplied) {
        image_.fill(Qt::transparent);
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.setRenderHint(QPainter::TextAntialiasing);
    }
    QPainter& p() { return painter_; }
    QPixmap Take() {
        painter_.end();
        return QPixmap::fromImage(image_);
    }

private:
    QImage image_;
    QPainter painter_;
};

// The largest bold font up to `pixels` in which the text fits the width.
QFont FittingFont(const QString& text, int pixels, int width) {
    QFont f = UiFont(pixels, true);
    while (pixels > 7 && QFontMetrics(f).horizontalAdvance(text) > width) {
        f.setPixelSize(--pixels);
    }
    return f;
}

void Button(QPainter& p, QRectF r, QColor top, QColor bottom, QColor border, qreal radius = 3) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

QColor LampColour(Lamp lamp) {
    switch (lamp) {
        case Lamp::Amber:
            return QColor(232, 150, 20);
        case Lamp::Red:
            return QColor(214, 48, 40);
        case Lamp::Green:
        default:
            return QColor(40, 160, 70);
    }
}

}  // namespace

QPixmap SwitchImage(const QString& label, bool on, QSize size, Lamp lamp) {
    Canvas c(size);
    QPainter& p = c.p();
    const QRectF r(0, 0, size.width(), size.height());
    QRectF textArea = r;
    if (on) {
        const QColor lit = LampColour(lamp);
        Button(p, r, lit.lighter(135), lit, lit.darker(170));
        // Pressed in: a shadow along the upper edge, the caption a pixel lower.
        p.setPen(QPen(QColor(0, 0, 0, 70), 1.5));
        p.drawLine(QPointF(3, 1.5), QPointF(size.width() - 3, 1.5));
        textArea.translate(0, 1);
        p.setPen(Qt::white);
    } else {
        Button(p, r, QColor(252, 252, 253), QColor(208, 212, 218), QColor(128, 134, 142));
        p.setPen(QColor(255, 255, 255, 200));
        p.drawLine(QPointF(3, 1.5), QPointF(size.width() - 3, 1.5));
        p.setPen(QColor(52, 56, 62));
    }
    p.setFont(FittingFont(label, std::min(12, size.height() - 8), size.width() - 4));
    p.drawText(textArea, Qt::AlignCenter, label);
    return c.Take();
}

QPixmap AfcSwitchImage(bool wide, QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    const qreal w = size.width(), h = size.height();
    // The slot.
    p.setPen(QPen(QColor(90, 94, 100), 1));
    p.setBrush(QColor(60, 64, 70));
    p.drawRoundedRect(QRectF(w / 2 - 3, 2.5, 6, h - 5), 3, 3);
    // The knob at the selected end, lit like an ON switch.
    const qreal knobH = h * 0.42;
    const QRectF knob(1, wide ? 1 : h - knobH - 1, w - 2, knobH);
    const QColor lit = LampColour(Lamp::Green);
    Button(p, knob, lit.lighter(140), lit, lit.darker(170));
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    for (int i = -1; i <= 1; ++i) {
        const qreal y = knob.center().y() + i * 3;
        p.drawLine(QPointF(knob.left() + 4, y), QPointF(knob.right() - 4, y));
    }
    return c.Take();
}

QColor ClockBackground() {
    return QColor(16, 20, 26);
}

QPixmap ClockDigitImage(int digit) {
    // Segments a (top), b, c (right), d (bottom), e, f (left), g (middle).
    static constexpr std::array<unsigned char, 10> kSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                                0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    const QSize size = kClockDigitSize;
    Canvas c(size);
    QPainter& p = c.p();
    p.fillRect(QRect(QPoint(0, 0), size), ClockBackground());
    const qreal left = 2.5, right = size.width() - 2.5, top = 2, bottom = size.height() - 2;
    const qreal middle = (top + bottom) / 2, half = 1.6;
    auto horizontal = [&](qreal y) {
        return QPolygonF({{left + 1, y},
                          {left + 1 + half, y - half},
                          {right - 1 - half, y - half},
                          {right - 1, y},
                          {right - 1 - half, y + half},
                          {left + 1 + half, y + half}});
    };
    auto vertical = [&](qreal x, qreal from, qreal to) {
        return QPolygonF({{x, from + 1},
                          {x + half, from + 1 + half},
                          {x + half, to - 1 - half},
                          {x, to - 1},
                          {x - half, to - 1 - half},
                          {x - half, from + 1 + half}});
    };
    const std::array<QPolygonF, 7> segments = {horizontal(top + half),
                                               vertical(right - half, top, middle),
                                               vertical(right - half, middle, bottom),
                                               horizontal(bottom - half),
                                               vertical(left + half, middle, bottom),
                                               vertical(left + half, top, middle),
                                               horizontal(middle)};
    const unsigned char lit = kSegments[static_cast<size_t>(digit) % 10];
    p.setPen(Qt::NoPen);
    for (size_t s = 0; s < segments.size(); ++s) {
        p.setBrush((lit >> s) & 1 ? QColor(255, 178, 36) : QColor(40, 44, 52));
        p.drawPolygon(segments[s]);
    }
    return c.Take();
}

QPixmap ClockColonImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    p.fillRect(QRect(QPoint(0, 0), size), ClockBackground());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 178, 36));
    const qreal x = size.width() / 2.0;
    p.drawEllipse(QPointF(x, size.height() * 0.34), 1.8, 1.8);
    p.drawEllipse(QPointF(x, size.height() * 0.68), 1.8, 1.8);
    return c.Take();
}

QPixmap ClockBezelImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    p.fillRect(QRect(QPoint(0, 0), size), ClockBackground());
    p.setPen(QPen(QColor(70, 76, 86), 2));
    p.drawLine(QPointF(4, 5), QPointF(4, size.height() - 5));
    return c.Take();
}

QPixmap ClockUtcImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    p.fillRect(QRect(QPoint(0, 0), size), ClockBackground());
    p.setPen(QColor(200, 150, 60));
    p.setFont(UiFont(8, true));
    const qreal step = size.height() / 3.0;
    const QString letters = QStringLiteral("UTC");
    for (int i = 0; i < 3; ++i)
        p.drawText(QRectF(0, i * step, size.width(), step), Qt::AlignCenter, letters.mid(i, 1));
    return c.Take();
}

QPixmap MeterDialImage(const QString& caption) {
    const QSize size = kMeterSize;
    Canvas c(size);
    QPainter& p = c.p();
    // The face.
    QLinearGradient face(0, 0, 0, size.height());
    face.setColorAt(0, QColor(255, 252, 240));
    face.setColorAt(1, QColor(240, 232, 208));
    p.setPen(QPen(QColor(120, 112, 96), 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 4, 4);

    // The scale around the needle's pivot: 0 on the left, 100 on the right.
    const QPointF pivot(74, 73);
    const qreal radius = 64;
    auto onCircle = [&](qreal value, qreal r) {
        const qreal a = (180 - 1.8 * value) * M_PI / 180;
        return QPointF(pivot.x() + r * std::cos(a), pivot.y() - r * std::sin(a));
    };
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 56, 50), 1.2));
    p.drawArc(QRectF(pivot.x() - radius, pivot.y() - radius, 2 * radius, 2 * radius), 0, 180 * 16);
    for (int v = 0; v <= 100; v += 5) {
        const qreal length = v % 10 == 0 ? 7 : 4;
        p.setPen(QPen(QColor(60, 56, 50), v % 10 == 0 ? 1.4 : 1));
        p.drawLine(onCircle(v, radius), onCircle(v, radius - length));
    }
    p.setPen(QColor(60, 56, 50));
    p.setFont(UiFont(8));
    for (int v = 0; v <= 100; v += 20) {
        // The end numbers sit above the bottom edge.
        const QPointF at = onCircle(v, radius - 14);
        const qreal y = std::min(at.y(), qreal(62));
        p.drawText(QRectF(at.x() - 12, y - 6, 24, 12), Qt::AlignCenter, QString::number(v));
    }
    p.setFont(UiFont(10, true));
    p.setPen(QColor(70, 64, 56));
    p.drawText(QRectF(34, 50, 80, 13), Qt::AlignCenter, caption);
    // The pivot's cap.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 56, 50));
    p.drawEllipse(pivot, 4, 4);
    return c.Take();
}

QPixmap CancelFrameImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    Button(p, QRectF(QPoint(0, 0), size), QColor(232, 96, 88), QColor(190, 44, 38), QColor(130, 30, 26));
    p.setPen(Qt::white);
    p.setFont(FittingFont(QStringLiteral("CANCEL"), 11, size.width() - 6));
    p.drawText(QRectF(QPoint(0, 0), size), Qt::AlignCenter, QStringLiteral("CANCEL"));
    return c.Take();
}

QPixmap StopAlarmImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    Button(p, QRectF(QPoint(0, 0), size), QColor(255, 214, 102), QColor(230, 160, 30), QColor(150, 100, 20));
    // A bell with a stroke through it.
    const qreal h = size.height();
    QPainterPath bell;
    bell.moveTo(5, h - 6);
    bell.lineTo(15, h - 6);
    bell.cubicTo(13, h - 8, 14, 4, 10, 4);
    bell.cubicTo(6, 4, 7, h - 8, 5, h - 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 40, 10));
    p.drawPath(bell);
    p.drawEllipse(QPointF(10, h - 4.5), 1.5, 1.5);
    p.setPen(QPen(QColor(190, 30, 20), 1.8));
    p.drawLine(QPointF(4, 3), QPointF(16, h - 3));
    p.setPen(QColor(50, 34, 8));
    p.setFont(FittingFont(QStringLiteral("STOP"), 11, size.width() - 22));
    p.drawText(QRectF(18, 0, size.width() - 20, h), Qt::AlignCenter, QStringLiteral("STOP"));
    return c.Take();
}

QPixmap ArrowImage(bool up, QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    const qreal w = size.width(), h = size.height();
    const QPolygonF triangle = up ? QPolygonF({{w / 2, 2}, {w - 4, h - 2}, {4, h - 2}})
                                  : QPolygonF({{4, 2}, {w - 4, 2}, {w / 2, h - 2}});
    p.setPen(QPen(QColor(20, 24, 28), 1));
    p.setBrush(QColor(40, 44, 50));
    p.drawPolygon(triangle);
    return c.Take();
}

QPixmap AdifImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    const qreal w = size.width(), h = size.height();
    // The pages' edge, then the cover with its spine.
    p.setPen(QPen(QColor(150, 150, 140), 1));
    p.setBrush(QColor(250, 248, 236));
    p.drawRoundedRect(QRectF(6, 3, w - 8, h - 5), 2, 2);
    Button(p, QRectF(2, 1, w - 8, h - 4), QColor(72, 130, 200), QColor(36, 86, 150), QColor(20, 50, 96), 2);
    p.fillRect(QRectF(2.5, 1.5, 5, h - 5), QColor(20, 56, 110));
    p.setPen(Qt::white);
    p.setFont(FittingFont(QStringLiteral("ADIF"), 11, static_cast<int>(w) - 14));
    p.drawText(QRectF(8, 4, w - 16, h / 2 - 2), Qt::AlignCenter, QStringLiteral("ADIF"));
    p.setFont(UiFont(9, true));
    p.setPen(QColor(210, 226, 246));
    p.drawText(QRectF(8, h / 2, w - 16, h / 2 - 6), Qt::AlignCenter, QStringLiteral("LOG"));
    return c.Take();
}

QPixmap ClusterLinkImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    const qreal w = size.width(), h = size.height();
    Button(p, QRectF(QPoint(0, 0), size), QColor(110, 200, 120), QColor(40, 140, 60), QColor(24, 90, 36));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(5, h / 2), QPointF(w - 6, h / 2));
    p.drawPolyline(QPolygonF({{w - 10, h / 2 - 4}, {w - 6, h / 2}, {w - 10, h / 2 + 4}}));
    return c.Take();
}

QPixmap ClearMessageImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    const qreal w = size.width(), h = size.height();
    Button(p, QRectF(QPoint(0, 0), size), QColor(250, 250, 250), QColor(210, 214, 220),
           QColor(128, 134, 142));
    p.setPen(QPen(QColor(200, 40, 32), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 6), QPointF(w - 6, h - 6));
    p.drawLine(QPointF(w - 6, 6), QPointF(6, h - 6));
    return c.Take();
}

QPixmap QrzImage(QSize size) {
    Canvas c(size);
    QPainter& p = c.p();
    Button(p, QRectF(QPoint(0, 0), size), QColor(226, 238, 252), QColor(176, 202, 236), QColor(80, 110, 150));
    p.setPen(QColor(20, 50, 100));
    p.setFont(FittingFont(QStringLiteral("QRZ"), 12, size.width() - 6));
    p.drawText(QRectF(QPoint(0, 0), size), Qt::AlignCenter, QStringLiteral("QRZ"));
    return c.Take();
}

}  // namespace muv
