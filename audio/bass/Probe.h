#pragma once

#include <cstdint>

// Timing figures of the output, for the benchmarks: steady-clock nanoseconds. Not part of the
// library's exported interface.
namespace tessaly::bass::probe {

// Start of the latest output callback, or 0 before the first.
std::int64_t lastCallbackStart();
// Start of the output callback that first rendered the channel since it was last started,
// or 0 if it has not been rendered yet (or the handle is unknown).
std::int64_t firstRendered(std::uint32_t channel);
// Frames of each output callback.
int bufferFrames();
// Output callbacks since the output was opened that had no audio ready in time (see
// Mixer::underruns); 0 without an output.
std::uint64_t underruns();

} // namespace tessaly::bass::probe
