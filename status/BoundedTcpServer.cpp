#include "status/BoundedTcpServer.h"

#include <QTcpSocket>

namespace {

// An IPv4 client is one address whether it came in over IPv4 or IPv6.
QHostAddress clientAddress(const QTcpSocket& socket) {
    bool isV4 = false;
    const quint32 v4 = socket.peerAddress().toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : socket.peerAddress();
}

} // namespace

BoundedTcpServer::BoundedTcpServer(HttpLimits limits, HttpConnection::Answerer answerer,
                                   QObject* parent)
    : QTcpServer(parent), m_limits(limits), m_answerer(std::move(answerer)) {}

void BoundedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    const QHostAddress client = clientAddress(*socket);
    int& fromClient = m_openByAddress[client];
    if (m_open >= m_limits.connections || fromClient >= m_limits.connectionsPerAddress) {
        if (fromClient == 0) {
            m_openByAddress.remove(client);
        }
        HttpConnection::refuse(socket, 503, m_limits, m_answers);
        return;
    }
    ++m_open;
    ++fromClient;
    connect(socket, &QObject::destroyed, this, [this, client] {
        --m_open;
        const auto it = m_openByAddress.find(client);
        if (it != m_openByAddress.end() && --*it <= 0) {
            m_openByAddress.erase(it);
        }
    });
    new HttpConnection(socket, client, m_limits, m_answerer, m_answers);
}
