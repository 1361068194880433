#pragma once

// The measuring board's reading as numbers. Plain C++ without Qt: the frame decoder, the board
// simulator and the fuzz targets share it with the program.

#include <array>
#include <optional>

namespace frames {

// Indexes into Reading::values, in frame order.
enum ReadingIndex { Voltage, Current, Charge, Energy, Time, DPlus, DMinus, ReadingCount };

// One frame's seven values: mV, mA, mAh, mWh, the board's time, D+ mV, D- mV.
struct Reading {
    std::array<double, ReadingCount> values{};
};

} // namespace frames

// What the rig measures now: the newest reading, or none (before the first frame, and from a
// lost board until its next frame). None is never shown, plotted or written as 0.
using LiveReading = std::optional<frames::Reading>;
