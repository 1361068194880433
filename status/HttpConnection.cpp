#include "status/HttpConnection.h"

#include <QTcpSocket>
#include <algorithm>
#include <chrono>

namespace {

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Discards what a client sends after its last answer, so closing does not reset the
// connection under an answer the client has not read yet.
void discardInput(QTcpSocket* socket) {
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->skip(1 << 20); });
    socket->skip(1 << 20);
}

} // namespace

HttpConnection::HttpConnection(QTcpSocket* socket, QHostAddress peer, const HttpLimits& limits,
                               Answerer answerer, AnswerCounts& counts)
    : QObject(socket), m_socket(socket), m_peer(std::move(peer)), m_limits(limits),
      m_answerer(std::move(answerer)), m_counts(counts), m_restSinceMs(nowMs()) {
    // Qt holds no more than this of a client that is not being read: the rest waits in the
    // system's buffers and then the client's.
    socket->setReadBufferSize(m_limits.requestBytes * 2);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { timedOut(); });
    connect(socket, &QTcpSocket::readyRead, this, [this] { pump(); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        m_takenSinceMs = nowMs();
        if (m_socket->bytesToWrite() == 0) {
            m_restSinceMs = m_takenSinceMs;
        }
        pump();
    });
    pump();
}

void HttpConnection::refuse(QTcpSocket* socket, int status, const HttpLimits& limits,
                            AnswerCounts& counts) {
    ++counts[status];
    socket->write(httpAnswerBytes(HttpAnswer{status, {}, {}, {}}, false, true));
    discardInput(socket);
    socket->disconnectFromHost();
    QTimer::singleShot(limits.stalledMs, socket, [socket] { socket->abort(); });
}

void HttpConnection::pump() {
    if (m_closing) {
        rearm();
        return;
    }
    while (m_socket->bytesToWrite() <= m_limits.heldAnswerBytes) {
        const qint64 room = m_limits.requestBytes + 1 - m_in.size();
        if (room > 0 && m_socket->bytesAvailable() > 0) {
            if (m_in.isEmpty()) {
                m_requestSinceMs = nowMs();
            }
            m_in += m_socket->read(room);
        }
        if (m_in.isEmpty()) {
            break;
        }
        const HttpRequestRead read = readHttpRequest(m_in, m_limits.requestBytes);
        if (read.outcome == HttpRequestRead::Outcome::Incomplete) {
            break;
        }
        if (read.outcome == HttpRequestRead::Outcome::Refused) {
            send(HttpAnswer{read.status, {}, {}, {}}, false, true);
            break;
        }
        m_in.remove(0, read.headBytes);
        // What follows was sent by now: the next request's time starts here.
        m_requestSinceMs = m_in.isEmpty() ? -1 : nowMs();
        const HttpRequest& r = read.request;
        // A body is never read, so nothing after it could be told from it.
        const bool close = !r.keepAlive || r.hasBody();
        send(m_answerer(r, m_peer), r.method == "HEAD", close, r.minorVersion == 0 && r.keepAlive);
        if (close) {
            break;
        }
    }
    rearm();
}

void HttpConnection::send(const HttpAnswer& answer, bool headOnly, bool close,
                          bool keepAliveAsked) {
    if (m_socket->bytesToWrite() == 0) {
        m_takenSinceMs = nowMs();
    }
    ++m_counts[answer.status];
    m_socket->write(httpAnswerBytes(answer, headOnly, close, keepAliveAsked));
    if (close) {
        m_closing = true;
        m_in.clear();
        m_requestSinceMs = -1;
        discardInput(m_socket);
        m_socket->disconnectFromHost();
    }
}

void HttpConnection::rearm() {
    if (m_socket->state() == QAbstractSocket::UnconnectedState) {
        m_timer.stop();
        return;
    }
    qint64 deadline = 0;
    if (m_socket->bytesToWrite() > 0 || m_closing) {
        m_waiting = Waiting::Taking;
        deadline = m_takenSinceMs + m_limits.stalledMs;
    } else if (m_requestSinceMs >= 0) {
        m_waiting = Waiting::Request;
        deadline = m_requestSinceMs + m_limits.requestMs;
    } else {
        m_waiting = Waiting::Idle;
        deadline = m_restSinceMs + m_limits.idleMs;
    }
    m_timer.start(static_cast<int>(std::max<qint64>(0, deadline - nowMs())));
}

void HttpConnection::timedOut() {
    switch (m_waiting) {
    case Waiting::Request:
        send(HttpAnswer{408, {}, {}, {}}, false, true);
        rearm();
        break;
    case Waiting::Idle:
        m_socket->disconnectFromHost();
        break;
    case Waiting::Taking:
        // A client that takes nothing keeps its bytes in flight; it is dropped all the same.
        m_socket->abort();
        break;
    }
}
