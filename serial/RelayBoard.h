#pragma once

#include "serial/CommControl.h"

#include <QByteArray>
#include <QObject>
#include <array>
#include <cstdint>
#include <memory>

// The two-relay board (relay 1 laser, relay 2 vacuum pump) on its serial port, 9600,n,8,1.
// connect() is the only thing that opens the port: a command while it is closed is not sent,
// so no frame ever reaches a port that nobody connected.
class RelayBoard : public QObject {
    Q_OBJECT
public:
    explicit RelayBoard(std::unique_ptr<CommControl> comm, QObject* parent = nullptr);
    // Closes the port if open.
    ~RelayBoard() override;
    RelayBoard(const RelayBoard&) = delete;
    RelayBoard& operator=(const RelayBoard&) = delete;

    using Result = CommResult;

    // Opens the port numbered port (an open port is closed first when the number differs).
    Result connect(qint16 port);
    // Closes the port; nothing is switched first (the caller opens the relays it must).
    void disconnect();
    bool isConnected() const { return m_comm->PortOpen(); }
    // The port of the last connect, or the one chosen for the next.
    qint16 port() const { return m_comm->CommPort(); }
    // Sets the port for the next connect; the port must be closed.
    void choosePort(qint16 port) { m_comm->setCommPort(port); }

    // Relay 1 or 2 closed (on) or open (off).
    Result switchRelay(int relay, bool close);
    // Asks relay 1 or 2 for its state; the answer comes as received().
    Result query(int relay);
    // Asks the board to answer CC.
    Result test();

    // How switching commands ended: taken, failed on the port, or not sent (port closed).
    enum class CommandResult { Sent, Failed, NotSent };
    static constexpr int kCommandResults = 3;
    // Switching commands for relay 1 or 2 since the board was made, by how they ended.
    std::uint64_t commands(int relay, CommandResult result) const {
        return m_commands[relay - 1][static_cast<int>(result)];
    }
    // Losses since the board was made.
    std::uint64_t losses() const { return m_losses; }

signals:
    // After connect, disconnect and a loss.
    void linkChanged(bool connected);
    // The device went away; the port is closed by then.
    void lost(const QString& reason);
    // The board took a switching command.
    void switched(int relay, bool closed);
    // Bytes from the board (at most the length a query or the test asked for; the rest of a
    // read is dropped), what they answer (frames::Reply), and how many bytes had come.
    void received(const QByteArray& bytes, int reply, int count);

private:
    Result send(const QByteArray& frame, int replyLength);
    void onComm();

    std::unique_ptr<CommControl> m_comm;
    std::array<std::array<std::uint64_t, kCommandResults>, 2> m_commands{};
    std::uint64_t m_losses = 0;
};
