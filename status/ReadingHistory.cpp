#include "status/ReadingHistory.h"

void ReadingHistory::add(const StatusSample& sample) {
    if (!m_samples.empty() && sample.epochS <= m_samples.back().epochS) {
        // A clock set back starts the chart again rather than drawing time backwards.
        if (sample.epochS == m_samples.back().epochS) {
            return;
        }
        m_samples.clear();
    }
    m_samples.push_back(sample);
    while (m_samples.front().epochS <= sample.epochS - kSpanS) {
        m_samples.pop_front();
    }
}
