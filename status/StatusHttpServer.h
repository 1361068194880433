#pragma once

#include "status/BoundedTcpServer.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHostAddress>
#include <QHttpServerResponder>

// The read-only status page over HTTP: the page, its script and style, and /status.json.
// Only GET and HEAD, only with the access token; nothing is read from disk on a request and a
// request never builds anything: the snapshot is handed in as bytes.
class StatusHttpServer : public QAbstractHttpServer {
    Q_OBJECT

public:
    StatusHttpServer(QByteArray token, BoundedTcpServer::Limits limits = {},
                     QObject* parent = nullptr);

    // Listens on address and port (0: any free port); false with the reason when it cannot.
    bool start(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const;
    int openConnections() const;
    // Requests answered so far, refused ones included.
    qint64 answeredRequests() const { return m_answered; }

    // The JSON the next requests are answered with.
    void setSnapshot(const QByteArray& json) { m_snapshot = json; }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    bool authorised(const QHttpServerRequest& request) const;
    static void respond(const QHttpServerRequest& request, QTcpSocket* socket,
                        QHttpServerResponder::StatusCode status, const QByteArray& type,
                        const QByteArray& body, QHttpServerResponder::HeaderList extra = {});

    QByteArray m_token;
    BoundedTcpServer* m_tcp;
    QByteArray m_page;
    QByteArray m_script;
    QByteArray m_style;
    QByteArray m_snapshot = "{}";
    qint64 m_answered = 0;
};
