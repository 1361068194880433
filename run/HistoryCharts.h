#pragma once

#include "base/OutputWishes.h"
#include "base/Reading.h"
#include "panel/PanelViews.h"
#include "run/ChartData.h"

class ChartScale;
class ProgramEditor;

// The history frame's two strip charts: every run tick samples what the outputs are meant to
// be, the running step's levels and two values of the live reading (a gap while there is
// none), then redraws both boxes. The pictures are kept in the boxes, so covering and
// uncovering the window loses nothing between ticks.
class HistoryCharts {
public:
    // outputs: what the device boxes show (the run's wishes and the operator's clicks).
    HistoryCharts(const ChartControlsView& charts, const ProgramEditor& program,
                  const OutputWishes& outputs, const LiveReading& reading, const ChartScale& scale);

    // Shifts the samples and takes the newest ones; stepIndex is the running step (0..40).
    void 图数据右移及新数据获取(int stepIndex);
    void 数据绘图();

    const ChartData& data() const { return m_data; }

private:
    const ChartControlsView& m_charts;
    const ProgramEditor& m_program;
    const OutputWishes& m_outputs;
    const LiveReading& m_reading;
    const ChartScale& m_scale;
    ChartData m_data;
};
