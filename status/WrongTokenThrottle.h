#pragma once

#include <QHash>
#include <QHostAddress>

// How many wrong tokens an address may send in a window before it is slowed down, and for how
// long.
struct WrongTokenLimits {
    int wrongTokens = 10;
    qint64 windowMs = 60'000;
    qint64 slowDownMs = 60'000;
};

// Slows down guessing: an address that sent too many wrong or missing tokens within a window
// is refused for a while. A right token is never looked at here, so it is never slowed.
class WrongTokenThrottle {
public:
    using Limits = WrongTokenLimits;

    explicit WrongTokenThrottle(Limits limits = {}) : m_limits(limits) {}

    // The address is being refused at nowMs.
    bool slowed(const QHostAddress& address, qint64 nowMs) const;
    // The address sent a wrong or missing token at nowMs.
    void wrongToken(const QHostAddress& address, qint64 nowMs);
    qsizetype addressesKept() const { return m_records.size(); }

private:
    struct Record {
        qint64 windowStartMs = 0;
        int count = 0;
        qint64 slowedUntilMs = -1;
    };
    void forgetOld(qint64 nowMs);

    Limits m_limits;
    QHash<QHostAddress, Record> m_records;
};
