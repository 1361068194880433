#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>

// One HTTP answer as the client got it.
struct HttpReply {
    int status = 0;
    QByteArray head;
    QByteArray body;
    // The server closed the connection after answering.
    bool closed = false;

    QByteArray header(const QByteArray& name) const {
        for (const QByteArray& line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
                return line.mid(colon + 1).trimmed();
            }
        }
        return {};
    }
    // Carries the headers that every answer of the server must, whatever its status.
    bool secured() const {
        return header("Content-Security-Policy") == "default-src 'self'" &&
               header("X-Content-Type-Options") == "nosniff" &&
               header("Referrer-Policy") == "no-referrer" &&
               header("Cache-Control") == "no-store" && header("X-Frame-Options") == "DENY";
    }
};

// Sends raw request bytes on socket and waits, serving the event loop (the server runs in this
// thread), for one whole answer. headOnly: the answer has no body whatever its length says.
inline HttpReply awaitReply(QTcpSocket& socket, bool headOnly = false, int timeoutMs = 5000) {
    QByteArray got;
    HttpReply reply;
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        got += socket.readAll();
        const qsizetype end = got.indexOf("\r\n\r\n");
        if (end >= 0) {
            reply.head = got.left(end);
            reply.status = got.mid(9, 3).toInt();
            const qsizetype length = headOnly ? 0 : reply.header("Content-Length").toLongLong();
            if (got.size() - end - 4 >= length) {
                reply.body = got.mid(end + 4, length);
                // A closing server has the socket unconnected within a few turns of the loop.
                for (int i = 0; i < 5 && socket.state() != QAbstractSocket::UnconnectedState; ++i) {
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                }
                reply.closed = socket.state() == QAbstractSocket::UnconnectedState;
                return reply;
            }
        }
        if (socket.state() == QAbstractSocket::UnconnectedState && got.isEmpty()) {
            break;
        }
    }
    reply.closed = socket.state() == QAbstractSocket::UnconnectedState;
    return reply;
}

inline HttpReply exchange(quint16 port, const QByteArray& request, bool headOnly = false) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request);
    return awaitReply(socket, headOnly);
}

inline QByteArray getRequest(const QByteArray& target, const QByteArray& extraHeaders = {},
                             const QByteArray& method = "GET") {
    return method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n";
}
