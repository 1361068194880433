#include "status/WrongTokenThrottle.h"

namespace {
// Enough for a lab network; past it the addresses with nothing against them are forgotten.
constexpr qsizetype kAddressesKept = 1024;
} // namespace

bool WrongTokenThrottle::slowed(const QHostAddress& address, qint64 nowMs) const {
    const auto it = m_records.constFind(address);
    return it != m_records.cend() && nowMs < it->slowedUntilMs;
}

void WrongTokenThrottle::wrongToken(const QHostAddress& address, qint64 nowMs) {
    if (m_records.size() >= kAddressesKept && !m_records.contains(address)) {
        forgetOld(nowMs);
        if (m_records.size() >= kAddressesKept) {
            return;
        }
    }
    Record& r = m_records[address];
    if (r.count == 0 || nowMs - r.windowStartMs >= m_limits.windowMs) {
        r.windowStartMs = nowMs;
        r.count = 0;
    }
    if (++r.count >= m_limits.wrongTokens) {
        r.slowedUntilMs = nowMs + m_limits.slowDownMs;
        r.count = 0;
    }
}

void WrongTokenThrottle::forgetOld(qint64 nowMs) {
    m_records.removeIf([&](const auto& entry) {
        const Record& r = entry.value();
        return nowMs >= r.slowedUntilMs && nowMs - r.windowStartMs >= m_limits.windowMs;
    });
    // Still full of current guessers: the ones not yet slowed down start over.
    if (m_records.size() >= kAddressesKept) {
        m_records.removeIf([&](const auto& entry) { return nowMs >= entry.value().slowedUntilMs; });
    }
}
