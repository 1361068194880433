#pragma once

#include <array>

class QImage;

// The samples of the seven chart traces, newest first: sample 0 is the latest tick, and the
// charts show samples 0..500 (sample 501 is never written). Traces: 0 laser, 1 vacuum pump,
// 2 optical signal, 3 left level, 4 right level, 5 D+ reading, 6 voltage reading.
struct ChartData {
    static constexpr int kTraces = 7;
    static constexpr int kSamples = 502;
    static constexpr int kDrawn = 501;

    std::array<std::array<float, kSamples>, kTraces> samples{};

    // Moves every trace one sample older and stores the newest samples at 0.
    void 图数据右移及新数据获取(const std::array<float, kTraces>& newest);
};

// The value scale of trace 5: scaleLow at the bottom, gridStep per y unit.
struct ChartScaleValues {
    float scaleLow = 0;
    float gridStep = 10;
};

// Redraws both chart pictures from data: x 0..500 left to right and y 0..10 bottom to top
// over each image, device traces as bars whose thickness shows the state. An empty scale
// (gridStep 0) leaves trace 5 out rather than drawing at an undefined place.
void 数据绘图(const ChartData& data, ChartScaleValues scale, QImage& upper, QImage& lower);
