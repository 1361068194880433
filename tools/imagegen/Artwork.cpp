#include "tools/imagegen/Artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace tessaly::imagegen {

namespace {

const QColor kInk(0x05, 0x0a, 0x0f);
const QColor kNight(0x0d, 0x1b, 0x26);
const QColor kTeal(0x2c, 0xb1, 0xc0);
const QColor kDeepTeal(0x0b, 0x39, 0x54);
const QColor kMedium(0xe8, 0x5d, 0x82); // culture medium (phenol red)
const QColor kLaser(0xff, 0x4d, 0x4d);
const QColor kText(0xee, 0xf3, 0xf6);
const QColor kMuted(0x8f, 0xa3, 0xb1);

QColor withAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QFont uiFont(int pixelSize, QFont::Weight weight, qreal spacingPercent = 100) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    if (spacingPercent != 100) {
        font.setLetterSpacing(QFont::PercentageSpacing, spacingPercent);
    }
    return font;
}

// Width of a text as drawn, without the letter spacing after its last character.
qreal textWidth(const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    qreal width = metrics.horizontalAdvance(text);
    if (font.letterSpacingType() == QFont::PercentageSpacing && !text.isEmpty()) {
        QFont unspaced = font;
        unspaced.setLetterSpacing(QFont::PercentageSpacing, 100);
        const qreal last = QFontMetricsF(unspaced).horizontalAdvance(text.right(1));
        width -= last * (font.letterSpacing() - 100) / 100;
    }
    return width;
}

void drawCentredText(QPainter& painter, qreal centreX, qreal baseline, const QFont& font,
                     const QString& text, const QColor& colour) {
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QPointF(centreX - textWidth(font, text) / 2, baseline), text);
}

void drawText(QPainter& painter, qreal x, qreal baseline, const QFont& font, const QString& text,
              const QColor& colour) {
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QPointF(x, baseline), text);
}

// A pseudo-random sequence with a fixed seed, so every build draws the same picture.
class Scatter {
public:
    explicit Scatter(std::uint32_t seed) : state_(seed) {}
    qreal next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<qreal>(state_ >> 8) / static_cast<qreal>(1u << 24);
    }

private:
    std::uint32_t state_;
};

// ---- emblems -------------------------------------------------------------------------------

// A culture dish seen from above with a few cells: the product mark, also the icon's motif.
void drawDishMark(QPainter& painter, const QRectF& box, const QColor& ring, const QColor& cell,
                  qreal ringWidth, bool fine) {
    const QPointF centre = box.center();
    const qreal radius = box.width() / 2 - ringWidth / 2;
    painter.setPen(QPen(ring, ringWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);
    if (fine) {
        painter.setPen(QPen(withAlpha(ring, 90), ringWidth * 0.35));
        const qreal inner = radius - ringWidth * 1.35;
        painter.drawEllipse(centre, inner, inner);
    }
    // Cells, in units of the dish radius.
    struct Cell {
        qreal x, y, r;
    };
    static constexpr std::array<Cell, 6> kFine{{{-0.30, -0.22, 0.20},
                                                {0.22, -0.32, 0.14},
                                                {0.30, 0.12, 0.17},
                                                {-0.12, 0.34, 0.15},
                                                {-0.45, 0.18, 0.09},
                                                {0.02, -0.02, 0.08}}};
    static constexpr std::array<Cell, 3> kCoarse{
        {{-0.22, -0.12, 0.27}, {0.26, 0.02, 0.22}, {-0.04, 0.36, 0.18}}};
    const auto drawCell = [&](const Cell& c) {
        const QPointF at(centre.x() + c.x * radius, centre.y() + c.y * radius);
        const qreal r = c.r * radius;
        painter.setPen(Qt::NoPen);
        painter.setBrush(cell);
        painter.drawEllipse(at, r, r);
        if (fine && r > 6) {
            painter.setBrush(withAlpha(kDeepTeal, 110));
            painter.drawEllipse(at + QPointF(r * 0.18, -r * 0.12), r * 0.36, r * 0.36);
        }
    };
    if (fine) {
        for (const Cell& c : kFine) {
            drawCell(c);
        }
    } else {
        for (const Cell& c : kCoarse) {
            drawCell(c);
        }
    }
}

// A ring of dots around a centre: the maker's logo.
void drawRingMark(QPainter& painter, const QRectF& box, const QColor& accent) {
    const QPointF centre = box.center();
    const qreal radius = box.width() / 2;
    painter.setPen(QPen(withAlpha(accent, 110), radius * 0.025));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius * 0.97, radius * 0.97);
    constexpr int kDots = 12;
    for (int i = 0; i < kDots; ++i) {
        const qreal angle = 2 * std::numbers::pi * i / kDots - std::numbers::pi / 2;
        const qreal size = radius * (0.075 + 0.045 * (0.5 + 0.5 * std::cos(angle * 2 + 0.6)));
        const QPointF at(centre.x() + std::cos(angle) * radius * 0.68,
                         centre.y() + std::sin(angle) * radius * 0.68);
        painter.setPen(Qt::NoPen);
        painter.setBrush(i % 3 == 0 ? accent : withAlpha(accent, 170));
        painter.drawEllipse(at, size, size);
    }
    QRadialGradient core(centre, radius * 0.34);
    core.setColorAt(0, kText);
    core.setColorAt(1, accent);
    painter.setBrush(core);
    painter.drawEllipse(centre, radius * 0.26, radius * 0.26);
}

QPainterPath dropPath(const QPointF& tip, qreal height) {
    const qreal r = height * 0.36;
    const QPointF centre(tip.x(), tip.y() + height - r);
    QPainterPath path(tip);
    path.cubicTo(tip + QPointF(r * 0.35, height * 0.28), centre + QPointF(r, -r * 0.55),
                 centre + QPointF(r, 0));
    path.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 0, -180);
    path.cubicTo(centre + QPointF(-r, -r * 0.55), tip + QPointF(-r * 0.35, height * 0.28), tip);
    return path;
}

// A drop: the dosing product's mark.
void drawDropMark(QPainter& painter, const QRectF& box, const QColor& accent) {
    const qreal height = box.height();
    const QPointF tip(box.center().x(), box.top());
    painter.setPen(QPen(accent, height * 0.035));
    painter.setBrush(withAlpha(accent, 40));
    painter.drawPath(dropPath(tip, height));
    QRadialGradient fill(QPointF(tip.x() - height * 0.06, tip.y() + height * 0.62), height * 0.3);
    fill.setColorAt(0, kText);
    fill.setColorAt(1, accent);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(dropPath(tip + QPointF(0, height * 0.38), height * 0.5));
}

// ---- picture parts -------------------------------------------------------------------------

void drawLabel(QPainter& painter, const QPointF& anchor, const QPointF& textAt,
               const QString& caption) {
    painter.setPen(QPen(withAlpha(kMuted, 150), 1.2));
    painter.setBrush(Qt::NoBrush);
    const QPointF elbow(anchor.x(), textAt.y() - 6);
    painter.drawLine(anchor, elbow);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kTeal);
    painter.drawEllipse(anchor, 3, 3);
    const QFont font = uiFont(13, QFont::DemiBold, 118);
    const qreal width = textWidth(font, caption);
    const qreal x = textAt.x() > anchor.x() ? textAt.x() : textAt.x() - width;
    painter.setPen(QPen(withAlpha(kMuted, 150), 1.2));
    painter.drawLine(elbow, QPointF(textAt.x() > anchor.x() ? x + width : x, elbow.y()));
    drawText(painter, x, textAt.y() - 12, font, caption, kMuted);
}

// A silicone tube with medium in it, along a path.
void drawTube(QPainter& painter, const QPainterPath& path, const QColor& fluid) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(withAlpha(QColor(0xd8, 0xe6, 0xee), 70), 11, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
    painter.setPen(QPen(withAlpha(fluid, 190), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
    painter.setPen(QPen(withAlpha(Qt::white, 60), 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path.translated(-2, -3));
}

// The dark rounded housing the pump and the vacuum unit share.
void drawHousing(QPainter& painter, const QRectF& body) {
    QLinearGradient housing(body.topLeft(), body.bottomLeft());
    housing.setColorAt(0, QColor(0x4a, 0x5d, 0x6a));
    housing.setColorAt(0.08, QColor(0x36, 0x46, 0x51));
    housing.setColorAt(1, QColor(0x1c, 0x26, 0x2e));
    painter.setPen(QPen(withAlpha(Qt::white, 40), 1.2));
    painter.setBrush(housing);
    painter.drawRoundedRect(body, 14, 14);
}

// A micropump: a dark housing with a roller head behind a window and a status light.
void drawPump(QPainter& painter, const QRectF& body, qreal phase) {
    drawHousing(painter, body);

    const QPointF head(body.left() + body.height() * 0.52, body.center().y());
    const qreal r = body.height() * 0.33;
    QRadialGradient window(head, r);
    window.setColorAt(0, QColor(0x22, 0x31, 0x3b));
    window.setColorAt(1, QColor(0x11, 0x19, 0x1f));
    painter.setPen(QPen(QColor(0x8a, 0x9b, 0xa6), 2));
    painter.setBrush(window);
    painter.drawEllipse(head, r, r);
    painter.setPen(QPen(withAlpha(kMedium, 200), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(head.x() - r * 0.78, head.y() - r * 0.78, r * 1.56, r * 1.56), 200 * 16,
                    140 * 16);
    for (int i = 0; i < 3; ++i) {
        const qreal angle = phase + 2 * std::numbers::pi * i / 3;
        const QPointF roller(head.x() + std::cos(angle) * r * 0.55,
                             head.y() + std::sin(angle) * r * 0.55);
        painter.setPen(QPen(QColor(0x9a, 0xaa, 0xb4), 2));
        painter.drawLine(head, roller);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xc9, 0xd4, 0xdb));
        painter.drawEllipse(roller, r * 0.2, r * 0.2);
    }
    painter.setBrush(QColor(0xc9, 0xd4, 0xdb));
    painter.drawEllipse(head, r * 0.12, r * 0.12);

    // Display and status light.
    const QRectF display(head.x() + r + 12, body.top() + body.height() * 0.28, body.width() * 0.34,
                         body.height() * 0.2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x0e, 0x2a, 0x33));
    painter.drawRoundedRect(display, 3, 3);
    painter.setBrush(withAlpha(kTeal, 200));
    painter.drawRoundedRect(display.adjusted(5, display.height() * 0.38, -display.width() * 0.35,
                                             -display.height() * 0.38),
                            1, 1);
    const QPointF light(display.left() + 5, display.bottom() + 14);
    QRadialGradient glow(light, 9);
    glow.setColorAt(0, withAlpha(QColor(0x5c, 0xf0, 0x9a), 200));
    glow.setColorAt(1, withAlpha(QColor(0x5c, 0xf0, 0x9a), 0));
    painter.setBrush(glow);
    painter.drawEllipse(light, 9, 9);
    painter.setBrush(QColor(0xa8, 0xff, 0xc8));
    painter.drawEllipse(light, 2.5, 2.5);
}

// The culture dish in perspective, with medium and cells.
void drawDish(QPainter& painter, const QPointF& centre, qreal rx, qreal ry, qreal wall) {
    // Shadow on the bench.
    QRadialGradient shadow(QPointF(centre.x(), centre.y() + wall + ry * 0.6), rx * 1.2);
    shadow.setColorAt(0, withAlpha(Qt::black, 130));
    shadow.setColorAt(1, withAlpha(Qt::black, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.save();
    painter.translate(centre.x(), centre.y() + wall + ry * 0.5);
    painter.scale(1, 0.28);
    painter.drawEllipse(QPointF(0, 0), rx * 1.25, rx * 1.25);
    painter.restore();

    // Side wall.
    QPainterPath side;
    side.moveTo(centre.x() - rx, centre.y());
    side.lineTo(centre.x() - rx, centre.y() + wall);
    side.arcTo(QRectF(centre.x() - rx, centre.y() + wall - ry, 2 * rx, 2 * ry), 180, 180);
    side.lineTo(centre.x() + rx, centre.y());
    side.arcTo(QRectF(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry), 0, -180);
    QLinearGradient glass(centre.x() - rx, 0, centre.x() + rx, 0);
    glass.setColorAt(0, withAlpha(QColor(0xcf, 0xe8, 0xf0), 70));
    glass.setColorAt(0.3, withAlpha(QColor(0xcf, 0xe8, 0xf0), 25));
    glass.setColorAt(0.75, withAlpha(QColor(0xcf, 0xe8, 0xf0), 15));
    glass.setColorAt(1, withAlpha(QColor(0xcf, 0xe8, 0xf0), 60));
    painter.setPen(QPen(withAlpha(QColor(0xdd, 0xee, 0xf4), 150), 1.5));
    painter.setBrush(glass);
    painter.drawPath(side);

    // Medium seen through the wall and on top.
    const qreal mrx = rx - 7;
    const qreal mry = ry - 3;
    const QPointF surface(centre.x(), centre.y() + wall * 0.35);
    QLinearGradient medium(0, surface.y() - mry, 0, surface.y() + mry + wall * 0.6);
    medium.setColorAt(0, QColor(0xf0, 0x84, 0xa1));
    medium.setColorAt(1, QColor(0xb0, 0x2e, 0x55));
    QPainterPath body;
    body.moveTo(surface.x() - mrx, surface.y());
    body.lineTo(surface.x() - mrx, centre.y() + wall - 4);
    body.arcTo(QRectF(centre.x() - mrx, centre.y() + wall - 4 - mry, 2 * mrx, 2 * mry), 180, 180);
    body.lineTo(surface.x() + mrx, surface.y());
    body.arcTo(QRectF(surface.x() - mrx, surface.y() - mry, 2 * mrx, 2 * mry), 0, 180);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(QColor(0xc8, 0x3f, 0x68), 200));
    painter.drawPath(body);
    painter.setBrush(medium);
    painter.drawEllipse(surface, mrx, mry);

    // Cells on the surface, squashed by the view.
    Scatter scatter(20240611u);
    for (int i = 0; i < 60; ++i) {
        const qreal a = scatter.next() * 2 * std::numbers::pi;
        const qreal d = std::sqrt(scatter.next()) * 0.86;
        const qreal r = 3.5 + scatter.next() * 5.5;
        const QPointF at(surface.x() + std::cos(a) * d * mrx, surface.y() + std::sin(a) * d * mry);
        painter.setBrush(withAlpha(QColor(0xff, 0xe1, 0xea), 150));
        painter.drawEllipse(at, r, r * ry / rx * 1.4);
        painter.setBrush(withAlpha(QColor(0x8e, 0x1f, 0x45), 120));
        painter.drawEllipse(at + QPointF(r * 0.2, 0), r * 0.35, r * 0.35 * ry / rx * 1.4);
    }

    // Rim and a glint.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(withAlpha(QColor(0xe8, 0xf6, 0xfa), 200), 2.2));
    painter.drawEllipse(centre, rx, ry);
    painter.setPen(QPen(withAlpha(Qt::white, 120), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(centre.x() - rx + 4, centre.y() - ry + 2, 2 * rx - 8, 2 * ry - 4),
                    100 * 16, 50 * 16);
}

// The laser head above the dish, with its beam.
void drawLaser(QPainter& painter, const QPointF& lens, const QPointF& spot) {
    const QRectF body(lens.x() - 34, lens.y() - 150, 68, 128);
    QLinearGradient metal(body.topLeft(), body.topRight());
    metal.setColorAt(0, QColor(0x5d, 0x6d, 0x78));
    metal.setColorAt(0.35, QColor(0xd5, 0xde, 0xe4));
    metal.setColorAt(0.6, QColor(0x9c, 0xab, 0xb5));
    metal.setColorAt(1, QColor(0x4b, 0x59, 0x63));
    painter.setPen(QPen(withAlpha(Qt::black, 90), 1));
    painter.setBrush(metal);
    painter.drawRoundedRect(body, 8, 8);
    // Cooling fins.
    painter.setPen(QPen(withAlpha(QColor(0x2b, 0x36, 0x3e), 150), 2));
    for (int i = 0; i < 6; ++i) {
        const qreal y = body.top() + 16 + i * 9;
        painter.drawLine(QPointF(body.left() + 8, y), QPointF(body.right() - 8, y));
    }
    // Nozzle.
    const QRectF nozzle(lens.x() - 16, body.bottom() - 2, 32, 24);
    painter.setPen(Qt::NoPen);
    painter.setBrush(metal);
    painter.drawRect(nozzle);
    painter.setBrush(QColor(0x1a, 0x22, 0x28));
    painter.drawEllipse(QPointF(lens.x(), nozzle.bottom()), 16, 5);
    // Beam with glow and the spot on the medium.
    QLinearGradient beam(lens, spot);
    beam.setColorAt(0, withAlpha(kLaser, 255));
    beam.setColorAt(1, withAlpha(kLaser, 220));
    painter.setPen(QPen(withAlpha(kLaser, 40), 14, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(lens.x(), nozzle.bottom() + 2), spot);
    painter.setPen(QPen(withAlpha(kLaser, 90), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(lens.x(), nozzle.bottom() + 2), spot);
    painter.setPen(QPen(QBrush(beam), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(lens.x(), nozzle.bottom() + 2), spot);
    QRadialGradient glow(spot, 30);
    glow.setColorAt(0, withAlpha(QColor(0xff, 0xd0, 0xd0), 230));
    glow.setColorAt(0.25, withAlpha(kLaser, 150));
    glow.setColorAt(1, withAlpha(kLaser, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.save();
    painter.translate(spot);
    painter.scale(1, 0.45);
    painter.drawEllipse(QPointF(0, 0), 30, 30);
    painter.restore();
}

// The vacuum unit: a trap bottle and a gauge.
void drawVacuum(QPainter& painter, const QRectF& body) {
    drawHousing(painter, body);

    // Gauge.
    const QPointF gauge(body.left() + body.height() * 0.5, body.center().y());
    const qreal r = body.height() * 0.32;
    painter.setPen(QPen(QColor(0x8a, 0x9b, 0xa6), 2));
    painter.setBrush(QColor(0xe9, 0xef, 0xf2));
    painter.drawEllipse(gauge, r, r);
    painter.setPen(QPen(QColor(0x3a, 0x48, 0x52), 1.5));
    for (int i = 0; i <= 8; ++i) {
        const qreal angle = (225 - i * 33.75) * std::numbers::pi / 180;
        const QPointF outer(gauge.x() + std::cos(angle) * r * 0.82,
                            gauge.y() - std::sin(angle) * r * 0.82);
        const QPointF inner(gauge.x() + std::cos(angle) * r * 0.66,
                            gauge.y() - std::sin(angle) * r * 0.66);
        painter.drawLine(inner, outer);
    }
    const qreal needle = (225 - 5.6 * 33.75) * std::numbers::pi / 180;
    painter.setPen(QPen(QColor(0xd3, 0x3b, 0x3b), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(gauge, QPointF(gauge.x() + std::cos(needle) * r * 0.72,
                                    gauge.y() - std::sin(needle) * r * 0.72));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3a, 0x48, 0x52));
    painter.drawEllipse(gauge, 3.5, 3.5);

    // Trap bottle.
    const QRectF bottle(body.right() - body.width() * 0.36, body.top() - body.height() * 0.42,
                        body.width() * 0.24, body.height() * 1.05);
    QLinearGradient glass(bottle.topLeft(), bottle.topRight());
    glass.setColorAt(0, withAlpha(QColor(0xcf, 0xe8, 0xf0), 80));
    glass.setColorAt(0.4, withAlpha(QColor(0xcf, 0xe8, 0xf0), 25));
    glass.setColorAt(1, withAlpha(QColor(0xcf, 0xe8, 0xf0), 70));
    painter.setPen(QPen(withAlpha(QColor(0xdd, 0xee, 0xf4), 160), 1.5));
    painter.setBrush(glass);
    painter.drawRoundedRect(bottle, 10, 10);
    const QRectF waste = bottle.adjusted(4, bottle.height() * 0.62, -4, -4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(kMedium, 150));
    painter.drawRoundedRect(waste, 7, 7);
    painter.setBrush(QColor(0x2a, 0x35, 0x3d));
    painter.drawRoundedRect(QRectF(bottle.left() - 3, bottle.top() - 10, bottle.width() + 6, 14), 4,
                            4);
}

void fillBackdrop(QPainter& painter, const QRectF& frame, const QColor& tint,
                  const QPointF& lightAt) {
    QRadialGradient back(lightAt, frame.width() * 0.78);
    back.setColorAt(0, mix(kNight, tint, 0.16));
    back.setColorAt(0.55, kNight);
    back.setColorAt(1, kInk);
    painter.fillRect(frame, back);
}

void drawVignette(QPainter& painter, const QRectF& frame) {
    QRadialGradient vignette(frame.center(), frame.width() * 0.72);
    vignette.setColorAt(0.6, withAlpha(Qt::black, 0));
    vignette.setColorAt(1, withAlpha(Qt::black, 120));
    painter.fillRect(frame, vignette);
}

} // namespace

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    const bool small = size <= 24;
    const bool fine = size >= 64;

    // Tile.
    const qreal margin = small ? 2 : 10;
    const QRectF tile(margin, margin, 256 - 2 * margin, 256 - 2 * margin);
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0, QColor(0x2f, 0xb5, 0xc4));
    fill.setColorAt(1, kDeepTeal);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const qreal corner = small ? 40 : 54;
    painter.drawRoundedRect(tile, corner, corner);
    if (!small) {
        QRadialGradient sheen(tile.topLeft() + QPointF(60, 40), 200);
        sheen.setColorAt(0, withAlpha(Qt::white, 60));
        sheen.setColorAt(1, withAlpha(Qt::white, 0));
        painter.setBrush(sheen);
        painter.drawRoundedRect(tile, corner, corner);
    }

    // The dish mark with medium behind its cells.
    const qreal ringWidth = small ? 26 : (fine ? 13 : 18);
    const QRectF dish = small ? QRectF(30, 30, 196, 196) : QRectF(44, 44, 168, 168);
    const qreal inner = dish.width() / 2 - ringWidth * (fine ? 1.6 : 1.0);
    QRadialGradient medium(dish.center() + QPointF(-20, -24), inner * 1.3);
    medium.setColorAt(0, QColor(0xf5, 0x9c, 0xb4));
    medium.setColorAt(1, QColor(0xc8, 0x3a, 0x64));
    painter.setBrush(medium);
    painter.drawEllipse(dish.center(), inner, inner);
    drawDishMark(painter, dish, QColor(0xf4, 0xfa, 0xfc), withAlpha(QColor(0xff, 0xf0, 0xf4), 235),
                 ringWidth, fine);

    // The laser spot.
    if (!small) {
        const QPointF spot(dish.center() + QPointF(28, 30));
        QRadialGradient glow(spot, 24);
        glow.setColorAt(0, withAlpha(Qt::white, 255));
        glow.setColorAt(0.3, withAlpha(QColor(0xff, 0xd5, 0x4f), 220));
        glow.setColorAt(1, withAlpha(QColor(0xff, 0xd5, 0x4f), 0));
        painter.setBrush(glow);
        painter.drawEllipse(spot, 24, 24);
    }
    return image;
}

QImage drawPicture() {
    QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0, 0, kFrameWidth, kFrameHeight);
    fillBackdrop(painter, frame, kTeal, QPointF(880, 360));

    // A faint measuring grid behind the rig, fading out towards the text.
    const qreal gridFrom = 520;
    const qreal gridFull = 780;
    for (int x = 520; x < kFrameWidth; x += 40) {
        const qreal strength = std::clamp((x - gridFrom) / (gridFull - gridFrom), 0.0, 1.0);
        painter.setPen(QPen(withAlpha(kTeal, static_cast<int>(16 * strength)), 1));
        painter.drawLine(QPointF(x, 60), QPointF(x, kFrameHeight - 60));
    }
    QLinearGradient gridFade(gridFrom, 0, gridFull, 0);
    gridFade.setColorAt(0, withAlpha(kTeal, 0));
    gridFade.setColorAt(1, withAlpha(kTeal, 16));
    painter.setPen(QPen(QBrush(gridFade), 1));
    for (int y = 80; y < kFrameHeight - 40; y += 40) {
        painter.drawLine(QPointF(gridFrom, y), QPointF(kFrameWidth - 40, y));
    }

    // The rig: tubes first, so the devices sit on top of them.
    const QPointF dish(880, 430);
    const qreal rx = 165;
    const qreal ry = 50;
    const QRectF leftPump(560, 250, 170, 96);
    const QRectF rightPump(1040, 250, 170, 96);
    const QRectF vacuum(1030, 560, 190, 84);

    QPainterPath leftTube(QPointF(leftPump.center().x() + 20, leftPump.bottom() - 4));
    leftTube.cubicTo(QPointF(leftPump.center().x() + 30, 430), QPointF(740, 380),
                     QPointF(dish.x() - 95, dish.y() - 8));
    QPainterPath rightTube(QPointF(rightPump.center().x() - 20, rightPump.bottom() - 4));
    rightTube.cubicTo(QPointF(rightPump.center().x() - 30, 430), QPointF(1020, 380),
                      QPointF(dish.x() + 95, dish.y() - 8));
    drawTube(painter, leftTube, kMedium);
    drawTube(painter, rightTube, kMedium);
    drawDish(painter, dish, rx, ry, 26);
    // The aspiration line leaves over the near rim for the vacuum trap.
    const QPointF trapInlet(vacuum.right() - vacuum.width() * 0.24, vacuum.top() - 44);
    QPainterPath vacuumTube(QPointF(dish.x() + 96, dish.y() + 14));
    vacuumTube.cubicTo(QPointF(dish.x() + 190, dish.y() + 40), QPointF(trapInlet.x(), 440),
                       trapInlet);
    drawTube(painter, vacuumTube, QColor(0xb8, 0x8f, 0x9c));
    drawPump(painter, leftPump, 0.3);
    drawPump(painter, rightPump, 1.1);
    drawVacuum(painter, vacuum);
    drawLaser(painter, QPointF(dish.x() - 20, 200), QPointF(dish.x() - 20, dish.y() + 6));

    drawLabel(painter, QPointF(leftPump.left() + 20, leftPump.top()),
              QPointF(leftPump.left() + 30, leftPump.top() - 40), QStringLiteral("MICROPUMP L"));
    drawLabel(painter, QPointF(rightPump.right() - 20, rightPump.top()),
              QPointF(rightPump.right() - 30, rightPump.top() - 40), QStringLiteral("MICROPUMP R"));
    drawLabel(painter, QPointF(dish.x() + 14, 110), QPointF(dish.x() + 60, 84),
              QStringLiteral("LASER"));
    drawLabel(painter, QPointF(dish.x() - rx * 0.55, dish.y() + 62),
              QPointF(dish.x() - rx - 20, dish.y() + 130), QStringLiteral("CULTURE DISH"));
    drawLabel(painter, QPointF(vacuum.left() + 20, vacuum.bottom()),
              QPointF(vacuum.left() - 20, vacuum.bottom() + 40), QStringLiteral("VACUUM"));

    // Name and description.
    const qreal left = 84;
    drawText(painter, left, 150, uiFont(15, QFont::DemiBold, 135), QStringLiteral("KELMIRA"),
             withAlpha(kMuted, 200));
    drawText(painter, left - 4, 290, uiFont(104, QFont::ExtraLight, 102), QStringLiteral("Dorvex"),
             kText);
    painter.fillRect(QRectF(left, 326, 56, 3), kTeal);
    drawText(painter, left, 372, uiFont(21, QFont::Normal, 112),
             QStringLiteral("Cell-culture control system"), QColor(0xbf, 0xd5, 0xdd));
    const QFont itemFont = uiFont(17, QFont::Normal);
    const std::array<QString, 4> items{QStringLiteral("Programmed step sequences"),
                                       QStringLiteral("Two micropumps, nine levels each"),
                                       QStringLiteral("Laser and vacuum control"),
                                       QStringLiteral("Live measurement charts")};
    for (std::size_t i = 0; i < items.size(); ++i) {
        const qreal y = 432 + static_cast<qreal>(i) * 34;
        painter.setPen(Qt::NoPen);
        painter.setBrush(kTeal);
        painter.drawEllipse(QPointF(left + 4, y - 6), 3, 3);
        drawText(painter, left + 20, y, itemFont, items[i], kMuted);
    }
    drawVignette(painter, frame);
    return image;
}

CardLayers drawCard(const VideoScript& script) {
    const QRectF frame(0, 0, kFrameWidth, kFrameHeight);
    const qreal centreX = frame.center().x();
    CardLayers layers;

    // Background: dark field lit from the middle, with a faint colony of cells.
    layers.background = QImage(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
    {
        QPainter painter(&layers.background);
        painter.setRenderHint(QPainter::Antialiasing);
        fillBackdrop(painter, frame, script.accent, QPointF(centreX, kFrameHeight * 0.42));
        painter.setBrush(Qt::NoBrush);
        for (int i = 0; i < 4; ++i) {
            const qreal r = 330 + i * 70;
            painter.setPen(QPen(withAlpha(script.accent, 22 - i * 4), 1.2));
            painter.drawEllipse(QPointF(centreX, kFrameHeight * 0.42), r, r);
        }
        Scatter scatter(qHash(script.title));
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < 90; ++i) {
            const qreal a = scatter.next() * 2 * std::numbers::pi;
            const qreal d = 350 + scatter.next() * 400;
            const qreal r = 2 + scatter.next() * 9;
            const QPointF at(centreX + std::cos(a) * d * 1.15,
                             kFrameHeight * 0.42 + std::sin(a) * d * 0.7);
            painter.setBrush(withAlpha(script.accent, 10 + static_cast<int>(scatter.next() * 22)));
            painter.drawEllipse(at, r, r);
        }
        if (!script.footer.isEmpty()) {
            drawCentredText(painter, centreX, kFrameHeight - 44, uiFont(14, QFont::DemiBold, 140),
                            script.footer, withAlpha(kMuted, 170));
        }
        drawVignette(painter, frame);
    }

    // Title layer: the emblem over the name.
    layers.title = QImage(kFrameWidth, kFrameHeight, QImage::Format_ARGB32_Premultiplied);
    layers.title.fill(Qt::transparent);
    {
        QPainter painter(&layers.title);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF emblem(centreX - 56, 150, 112, 112);
        QRadialGradient halo(emblem.center(), 150);
        halo.setColorAt(0, withAlpha(script.accent, 60));
        halo.setColorAt(1, withAlpha(script.accent, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(halo);
        painter.drawEllipse(emblem.center(), 150, 150);
        switch (script.mark) {
        case Mark::Ring:
            drawRingMark(painter, emblem, script.accent);
            break;
        case Mark::Dish:
            drawDishMark(painter, emblem, kText, withAlpha(script.accent, 230), 6, true);
            break;
        case Mark::Drop:
            drawDropMark(painter, emblem, script.accent);
            break;
        }
        drawCentredText(painter, centreX, 418, uiFont(118, QFont::ExtraLight, 104), script.title,
                        kText);
    }

    // Subtitle layer: a short rule and the line under the name.
    layers.subtitle = QImage(kFrameWidth, kFrameHeight, QImage::Format_ARGB32_Premultiplied);
    layers.subtitle.fill(Qt::transparent);
    {
        QPainter painter(&layers.subtitle);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(QRectF(centreX - 32, 458, 64, 2.5), script.accent);
        drawCentredText(painter, centreX, 510, uiFont(24, QFont::Normal, 125),
                        script.subtitle.toUpper(), mix(kText, script.accent, 0.35));
    }
    return layers;
}

} // namespace tessaly::imagegen
