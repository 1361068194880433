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
#include <functional>

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

    // The JSON the next requests are answered with; /metrics is made again after it.
    void setSnapshot(const QByteArray& json) {
        m_snapshot = json;
        m_metricsStale = true;
    }
    // Makes /metrics: asked by the first request after each new snapshot, so a client asking
    // often costs no more than the snapshots do (a few a second).
    void setMetricsSource(std::function<QByteArray()> source) {
        m_metricsSource = std::move(source);
    }
    // Answers sent so far, by status code, refusals included.
    const HttpConnection::AnswerCounts& answersByCode() const { return m_tcp->answersByCode(); }

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
    std::function<QByteArray()> m_metricsSource;
    QByteArray m_metrics;
    bool m_metricsStale = true;
    qint64 m_answered = 0;
};
