#include "run/ChartData.h"

#include "base/Palette.h"

#include <QImage>
#include <QPainter>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>

void ChartData::图数据右移及新数据获取(const std::array<float, kTraces>& newest) {
    for (int t = 0; t < kTraces; ++t) {
        std::array<float, kSamples>& trace = samples[t];
        std::copy_backward(trace.begin(), trace.begin() + kDrawn - 1, trace.begin() + kDrawn);
        trace[0] = newest[t];
    }
}

namespace {

// Maps chart coordinates (x 0..500, y 0..10 from the bottom) onto an image and draws the
// segments of a trace in one call per stretch of equal pen rather than one call each.
class ChartPainter {
public:
    explicit ChartPainter(QImage& image)
        : m_painter(&image), m_xScale(image.width() / 500.0), m_yScale(image.height() / 10.0),
          m_height(image.height()) {
        m_painter.fillRect(image.rect(), QColor(kPalette[15]));
    }

    // Draws the trace y(x) for x 0..500; width(i) is the pen width of the segment ending at i.
    template <typename Y, typename Width> void trace(int colour, Y y, Width width) {
        QVarLengthArray<QLineF, ChartData::kDrawn> run;
        int runWidth = 0;
        const auto flush = [&] {
            if (!run.isEmpty()) {
                QPen pen{QColor(kPalette[colour])};
                pen.setWidth(runWidth);
                pen.setCapStyle(Qt::FlatCap);
                m_painter.setPen(pen);
                m_painter.drawLines(run.constData(), static_cast<int>(run.size()));
            }
            run.clear();
        };
        for (int i = 1; i < ChartData::kDrawn; ++i) {
            const double y0 = y(i - 1);
            const double y1 = y(i);
            if (!std::isfinite(y0) || !std::isfinite(y1)) {
                continue;
            }
            if (const int w = width(i); w != runWidth) {
                flush();
                runWidth = w;
            }
            run.append(QLineF(point(i - 1, y0), point(i, y1)));
        }
        flush();
    }

private:
    QPointF point(double x, double y) const {
        // Off the chart a line is cut at the edge; very far off it is bounded first, which
        // keeps the painter's arithmetic exact without moving what shows.
        return {x * m_xScale, m_height - std::clamp(y, -1e5, 1e5) * m_yScale};
    }

    QPainter m_painter;
    double m_xScale;
    double m_yScale;
    int m_height;
};

// Thick only for a plain tick: a greyed box (2) switches nothing on, so it is drawn off too.
int barWidth(float sample) {
    return sample == 1 ? 4 : 1;
}

} // namespace

void 数据绘图(const ChartData& data, ChartScaleValues scale, QImage& upper, QImage& lower) {
    ChartPainter top(upper);
    ChartPainter bottom(lower);
    const auto& s = data.samples;
    // Laser, vacuum pump and optical signal: bars at fixed heights, thick while on.
    constexpr double kBarY[3] = {9, 4, 2};
    constexpr int kBarColour[3] = {12, 11, 2};
    for (int t = 0; t < 3; ++t) {
        top.trace(
            kBarColour[t], [&](int) { return kBarY[t]; }, [&](int i) { return barWidth(s[t][i]); });
    }
    const auto fixed = [](int width) {
        return [width](int) {
            return width;
        };
    };
    bottom.trace(
        9, [&](int i) { return double(s[3][i]); }, fixed(2));
    bottom.trace(
        13, [&](int i) { return double(s[4][i]); }, fixed(2));
    // An empty scale (gridStep 0) gives no finite height, so the trace is left out.
    bottom.trace(
        2, [&](int i) { return (double(s[5][i]) - scale.scaleLow) / scale.gridStep; },
        [&](int i) { return barWidth(s[2][i]); });
    top.trace(
        0, [&](int i) { return double(s[6][i]) / 2 + 4 - 2500; }, fixed(1));
}
