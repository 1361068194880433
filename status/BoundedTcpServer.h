#pragma once

#include <QHash>
#include <QTcpServer>

class QTcpSocket;

// A listening socket that keeps its connections bounded: a few at once (one more is answered
// 503 and closed), requests of a few kilobytes (a larger one is answered 413 and closed) and
// a connection closed once it has been idle for a while.
class BoundedTcpServer : public QTcpServer {
public:
    struct Limits {
        int connections = 32;
        qint64 requestBytes = 8 * 1024;
        int idleMs = 10'000;
    };

    explicit BoundedTcpServer(Limits limits, QObject* parent = nullptr);

    int openConnections() const { return m_open; }
    // A whole request came on socket and was answered: the next one counts from nothing.
    void requestAnswered(QTcpSocket* socket) { m_requestBytes[socket] = 0; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    Limits m_limits;
    int m_open = 0;
    // Bytes received since the last answered request, by connection.
    QHash<QTcpSocket*, qint64> m_requestBytes;
};
