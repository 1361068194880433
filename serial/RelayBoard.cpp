#include "serial/RelayBoard.h"

#include "serial/Frames.h"

RelayBoard::RelayBoard(std::unique_ptr<CommControl> comm, QObject* parent)
    : QObject(parent), m_comm(std::move(comm)) {
    if (m_comm->PortOpen()) {
        m_comm->setPortOpen(false);
    }
    m_comm->setCommPort(1);
    m_comm->setSettings(QStringLiteral("9600,n,8,1"));
    m_comm->setInputMode(1);
    m_comm->setInputLen(0);
    m_comm->setSThreshold(0);
    m_comm->setRThreshold(1);
    m_comm->setInBufferCount(0);
    m_comm->setOutBufferCount(0);
    m_comm->setOnComm([this] { onComm(); });
    m_comm->setOnLost([this](const QString& reason) {
        ++m_losses;
        emit lost(reason);
        emit linkChanged(false);
    });
}

RelayBoard::~RelayBoard() {
    m_comm->setOnComm(nullptr);
    m_comm->setOnLost(nullptr);
    closePort(*m_comm, "relay");
}

RelayBoard::Result RelayBoard::connect(qint16 port) {
    try {
        if (m_comm->PortOpen() && m_comm->CommPort() != port) {
            m_comm->setPortOpen(false);
        }
        m_comm->setCommPort(port);
        if (!m_comm->PortOpen()) {
            m_comm->setPortOpen(true);
        }
    } catch (const CommError& e) {
        emit linkChanged(m_comm->PortOpen());
        return {false, e.code()};
    }
    emit linkChanged(true);
    return {true, 0};
}

void RelayBoard::disconnect() {
    if (closePort(*m_comm, "relay")) {
        emit linkChanged(m_comm->PortOpen());
    }
}

RelayBoard::Result RelayBoard::send(const QByteArray& frame, int replyLength) {
    if (!m_comm->PortOpen()) {
        return {false, CommErrorCode::PortNotOpen};
    }
    try {
        m_comm->Output(frame);
        m_comm->setOutBufferCount(0);
        if (replyLength > 0) {
            m_comm->setInputLen(replyLength);
        }
    } catch (const CommError& e) {
        return {false, e.code()};
    }
    return {true, 0};
}

namespace {
QByteArray bytesOf(std::span<const std::uint8_t> frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}
} // namespace

RelayBoard::Result RelayBoard::switchRelay(int relay, bool close) {
    const Result result =
        send(bytesOf(frames::relaySwitchFrame(static_cast<quint8>(relay), close ? 1 : 0)), 0);
    if (relay == 1 || relay == 2) {
        const CommandResult counted = result.done ? CommandResult::Sent
                                      : result.error == CommErrorCode::PortNotOpen
                                          ? CommandResult::NotSent
                                          : CommandResult::Failed;
        ++m_commands[relay - 1][static_cast<int>(counted)];
    }
    if (result.done) {
        emit switched(relay, close);
    }
    return result;
}

RelayBoard::Result RelayBoard::query(int relay) {
    return send(bytesOf(frames::relayCommandFrame(frames::kQuery, static_cast<quint8>(relay))), 2);
}

RelayBoard::Result RelayBoard::test() {
    return send(bytesOf(frames::relayCommandFrame(frames::kSwitch, frames::kTest)), 1);
}

void RelayBoard::onComm() {
    if (m_comm->CommEvent() != CommControl::comEvReceive) {
        return;
    }
    try {
        const int n = m_comm->InBufferCount();
        QByteArray bytes;
        if (n >= 1) {
            bytes = m_comm->Input();
            m_comm->setInBufferCount(0);
        }
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        const frames::Reply reply =
            frames::interpretReply({data, static_cast<std::size_t>(bytes.size())});
        emit received(bytes, static_cast<int>(reply), n);
    } catch (...) {
        // A receive handler ends silently.
    }
}
