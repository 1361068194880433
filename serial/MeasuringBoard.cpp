#include "serial/MeasuringBoard.h"

#include <span>
#include <utility>

MeasuringBoard::MeasuringBoard(std::unique_ptr<CommControl> comm, LiveReading& reading,
                               QObject* parent)
    : QObject(parent), m_comm(std::move(comm)), m_reading(reading) {
    m_comm->setInputMode(1);
    m_comm->setRThreshold(1);
    m_comm->setOnComm([this] { onComm(); });
    m_comm->setOnLost([this](const QString& reason) { lose(reason); });
    m_showTimer.setSingleShot(true);
    m_showTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_showTimer, &QTimer::timeout, this, [this] { showDue(); });
}

MeasuringBoard::~MeasuringBoard() {
    m_comm->setOnComm(nullptr);
    m_comm->setOnLost(nullptr);
    closePort(*m_comm, "measuring");
}

CommResult MeasuringBoard::connect(qint16 port, const QString& settings) {
    try {
        m_comm->setCommPort(port);
        m_comm->setSettings(settings);
        m_comm->setSThreshold(0);
        if (!m_comm->PortOpen()) {
            m_comm->setPortOpen(true);
            // Bytes of a frame cut off by an earlier close must not join the new stream.
            m_assembler.clear();
        }
    } catch (const CommError& e) {
        return {false, e.code()};
    }
    emit linkChanged(true);
    return {true, 0};
}

void MeasuringBoard::disconnect() {
    if (closePort(*m_comm, "measuring")) {
        // A board no longer read gives no reading: its last one must not be taken as current.
        forgetStream();
        m_reading.reset();
        emit linkChanged(m_comm->PortOpen());
    }
}

void MeasuringBoard::lose(const QString& reason) {
    ++m_losses;
    forgetStream();
    // Readings of a board that is gone would be taken as current.
    m_reading.reset();
    emit lost(reason);
    emit linkChanged(false);
}

void MeasuringBoard::take(const frames::Reading& reading) {
    m_reading = reading;
    m_readingPending = false;
    emit readingDue();
}

void MeasuringBoard::forgetStream() {
    m_showTimer.stop();
    m_readingPending = false;
    m_pendingBytes.clear();
    // The first frame of the next board shows at once.
    m_sinceShown.invalidate();
    m_sinceRead.invalidate();
    m_assembler.clear();
}

void MeasuringBoard::showSoon(bool fastStream) {
    const qint64 since = m_sinceShown.isValid() ? m_sinceShown.elapsed() : kShowIntervalMs;
    // A showing already set for later stays so, unless it is due now.
    if (m_showTimer.isActive() && since < kShowIntervalMs) {
        return;
    }
    // Whatever comes before the next showing is read in one go when it is due: a board at the
    // line rate then wakes the program some 30 times a second, not 411.
    if (since >= kShowIntervalMs) {
        showDue();
        if (fastStream) {
            m_comm->holdReceiving(kShowIntervalMs);
        }
    } else if (fastStream) {
        // The read at the hold's end shows this frame with whatever came meanwhile; the timer
        // only stands in should nothing more come.
        const int wait = static_cast<int>(kShowIntervalMs - since);
        m_comm->holdReceiving(wait);
        m_showTimer.start(wait + kShowGraceMs);
    } else {
        m_showTimer.start(static_cast<int>(kShowIntervalMs - since));
    }
}

void MeasuringBoard::showPendingReading() {
    if (std::exchange(m_readingPending, false)) {
        emit readingDue();
    }
}

void MeasuringBoard::showDue() {
    m_showTimer.stop();
    if (!m_readingPending && m_pendingBytes.isEmpty()) {
        return;
    }
    if (!m_pendingBytes.isEmpty()) {
        emit bytesDue(std::exchange(m_pendingBytes, {}));
    }
    showPendingReading();
    m_sinceShown.start();
}

void MeasuringBoard::onComm() {
    if (m_comm->CommEvent() != CommControl::comEvReceive) {
        return;
    }
    try {
        const QByteArray bytes = m_comm->Input();
        if (bytes.isEmpty()) {
            return;
        }
        m_pendingBytes = bytes;
        // Frames are gathered across reads: the driver splits and joins reads freely.
        m_assembler.feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size())),
                         [this](const frames::Reading& r) {
                             ++m_framesReceived;
                             m_reading = r;
                             m_readingPending = true;
                         });
    } catch (...) {
        // Malformed input and port trouble are dropped without a word.
        return;
    }
    // Reads closer together than one and a half intervals make a stream worth holding; a
    // board at its usual 10 frames a second is read as each frame comes.
    const bool fast = m_sinceRead.isValid() && m_sinceRead.elapsed() < kShowIntervalMs * 3 / 2;
    m_sinceRead.start();
    showSoon(fast);
}
