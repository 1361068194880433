#pragma once

#include "status/BoundedTcpServer.h"
#include "status/HttpAnswer.h"
#include "status/HttpLimits.h"
#include "status/HttpRequest.h"
#include "status/WrongTokenThrottle.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

// The read-only status page over HTTP: the page, its script and style, and /status.json.
// Only GET and HEAD, only with the access token; nothing is read from disk on a request and a
// request never builds anything: the snapshot is handed in as bytes.
class StatusHttpServer : public QObject {
public:
    StatusHttpServer(QByteArray token, HttpLimits limits = {}, QObject* parent = nullptr);

    // Listens on address and port (0: any free port); false with the reason when it cannot.
    bool start(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const;
    int openConnections() const;
    // Requests answered so far, refused ones included.
    qint64 answeredRequests() const { return m_answered; }

    // The JSON the next requests are answered with.
    void setSnapshot(const QByteArray& json) { m_snapshot = json; }

private:
    HttpAnswer answer(const HttpRequest& request, const QHostAddress& peer);
    bool authorised(const HttpRequest& request) const;

    QByteArray m_token;
    HttpLimits m_limits;
    BoundedTcpServer* m_tcp;
    WrongTokenThrottle m_throttle;
    QElapsedTimer m_clock;
    QByteArray m_page;
    QByteArray m_script;
    QByteArray m_style;
    QByteArray m_snapshot = "{}";
    qint64 m_answered = 0;
};
