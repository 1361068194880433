#pragma once

#include "base/Reading.h"
#include "panel/PanelViews.h"
#include "run/ChartData.h"

class ChartScale;

// The history frame's two strip charts: every run tick samples the device boxes, the running
// step's levels and two values of the live reading (a gap while there is none), then redraws
// both boxes. The pictures are kept in the
// boxes, so covering and uncovering the window loses nothing between ticks.
class HistoryCharts {
public:
    HistoryCharts(const ChartControlsView& charts, const StepTableView& steps,
                  const DeviceControlsView& devices, const LiveReading& reading,
                  const ChartScale& scale);

    // Shifts the samples and takes the newest ones; stepIndex is the running step (0..40).
    void 图数据右移及新数据获取(int stepIndex);
    void 数据绘图();

    const ChartData& data() const { return m_data; }

private:
    const ChartControlsView& m_charts;
    const StepTableView& m_steps;
    const DeviceControlsView& m_devices;
    const LiveReading& m_reading;
    const ChartScale& m_scale;
    ChartData m_data;
};
