#pragma once

#include "status/HttpAnswer.h"
#include "status/HttpLimits.h"
#include "status/HttpRequest.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

class QTcpSocket;

// One client's connection to the status server: reads its requests one at a time, only while
// its earlier answers are being taken, answers each, and closes it when the client asks, when
// a request is refused or takes too long, when it sits idle and when it takes nothing.
// Lives as a child of its socket.
class HttpConnection : public QObject {
public:
    using Answerer = std::function<HttpAnswer(const HttpRequest&, const QHostAddress& peer)>;
    // Answers sent, by status code; the server's, which outlives its connections.
    using AnswerCounts = std::map<int, quint64>;

    HttpConnection(QTcpSocket* socket, QHostAddress peer, const HttpLimits& limits,
                   Answerer answerer, AnswerCounts& counts);

    // Answers status on a connection that is not taken, and closes it.
    static void refuse(QTcpSocket* socket, int status, const HttpLimits& limits,
                       AnswerCounts& counts);

private:
    enum class Waiting { Idle, Request, Taking };

    void pump();
    void send(const HttpAnswer& answer, bool headOnly, bool close, bool keepAliveAsked = false);
    void rearm();
    void timedOut();

    QTcpSocket* m_socket;
    QHostAddress m_peer;
    HttpLimits m_limits;
    Answerer m_answerer;
    AnswerCounts& m_counts;
    // The front of the client's input: one request and at most a byte past the limit.
    QByteArray m_in;
    bool m_closing = false;
    QTimer m_timer;
    Waiting m_waiting = Waiting::Idle;
    qint64 m_restSinceMs = 0;
    qint64 m_requestSinceMs = -1;
    qint64 m_takenSinceMs = 0;
};
