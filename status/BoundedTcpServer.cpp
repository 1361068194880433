#include "status/BoundedTcpServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

// Says why in a few bytes and closes; the HTTP server never sees the connection's rest.
void refuse(QTcpSocket* socket, QByteArrayView statusLine) {
    socket->write(QByteArray("HTTP/1.1 ") + statusLine.toByteArray() +
                  "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    socket->disconnectFromHost();
}

} // namespace

BoundedTcpServer::BoundedTcpServer(Limits limits, QObject* parent)
    : QTcpServer(parent), m_limits(limits) {}

void BoundedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    if (m_open >= m_limits.connections) {
        refuse(socket, "503 Service Unavailable");
        return;
    }
    ++m_open;
    m_requestBytes.insert(socket, 0);
    connect(socket, &QObject::destroyed, this, [this, socket] {
        --m_open;
        m_requestBytes.remove(socket);
    });

    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->setInterval(m_limits.idleMs);
    connect(idle, &QTimer::timeout, socket, [socket] {
        socket->disconnectFromHost();
        // A peer that never reads keeps its bytes in flight; it is dropped all the same.
        if (socket->state() != QAbstractSocket::UnconnectedState) {
            socket->abort();
        }
    });
    connect(socket, &QTcpSocket::bytesWritten, idle, qOverload<>(&QTimer::start));
    // Connected before the HTTP server's own handler, so the bytes that would make a request
    // too large are dropped unread; the server takes what it is given at each read.
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, idle] {
        idle->start();
        qint64& received = m_requestBytes[socket];
        received += socket->bytesAvailable();
        if (received > m_limits.requestBytes) {
            socket->readAll();
            refuse(socket, "413 Payload Too Large");
        }
    });
    idle->start();
    addPendingConnection(socket);
}
