#pragma once

#include "status/StatusSnapshot.h"

#include <deque>
#include <vector>

// The last minutes of voltage and current, one sample per second, for the status page's chart.
class ReadingHistory {
public:
    static constexpr qint64 kSpanS = 600;

    // A sample for the second epochS; a second already sampled keeps its first sample, and
    // samples older than the span before it are dropped.
    void add(const StatusSample& sample);
    std::vector<StatusSample> samples() const { return {m_samples.begin(), m_samples.end()}; }

private:
    std::deque<StatusSample> m_samples;
};
