#pragma once

#include "panel/PanelViews.h"

// The charts' value scale, kept from the scale fields: scaleLow from Text6(0), scaleHigh from
// Text6(1), and the grid step between them, all in single precision as the charts use them.
class ChartScale {
public:
    explicit ChartScale(const ChartControlsView& charts);

    // Follows every change of the two scale fields.
    void wire();
    // Reads the field index (0 low, 1 high) and recomputes the grid step.
    void Text6_Change(int index);

    float scaleLow = 0;
    float scaleHigh = 100;
    float gridStep = 10;

private:
    const ChartControlsView& m_charts;
};
