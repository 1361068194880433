#pragma once

#include "status/HttpConnection.h"
#include "status/HttpLimits.h"

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>

// The status server's listening socket: a few connections at once and fewer from any one
// address (one more is answered 503 and closed), each an HttpConnection.
class BoundedTcpServer : public QTcpServer {
public:
    BoundedTcpServer(HttpLimits limits, HttpConnection::Answerer answerer,
                     QObject* parent = nullptr);

    int openConnections() const { return m_open; }
    // Answers sent so far, by status code, refusals included.
    const HttpConnection::AnswerCounts& answersByCode() const { return m_answers; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    HttpLimits m_limits;
    HttpConnection::Answerer m_answerer;
    int m_open = 0;
    QHash<QHostAddress, int> m_openByAddress;
    HttpConnection::AnswerCounts m_answers;
};
