#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

// One HTTP/1.x request head as a client sent it. Bodies are never read: a request that has one
// is answered and its connection closed.
struct HttpRequest {
    QByteArray method;
    QByteArray target;
    // HTTP/1.<minorVersion>: 0 or 1.
    int minorVersion = 1;
    QList<QPair<QByteArray, QByteArray>> headers;
    // The connection stays open after the answer (HTTP/1.1 unless "close"; HTTP/1.0 only with
    // "keep-alive").
    bool keepAlive = true;
    qint64 contentLength = 0;
    bool chunked = false;

    bool hasBody() const { return chunked || contentLength > 0; }
    // The first value of the header name (any case), or empty.
    QByteArray header(QByteArrayView name) const;
};

// What the bytes at the front of a connection's input hold.
struct HttpRequestRead {
    enum class Outcome { Incomplete, Complete, Refused };
    Outcome outcome = Outcome::Incomplete;
    // Complete: the request and the bytes of its head, blank line included.
    HttpRequest request;
    qsizetype headBytes = 0;
    // Refused: the status to answer before closing (400, 413 or 505).
    int status = 0;
};

// Reads one request head from the front of bytes. A request (head and body) longer than limit
// bytes is refused with 413; anything that is not strictly HTTP/1.x framing (bare line ends,
// folded or nameless headers, a duplicate or invalid Content-Length, a Transfer-Encoding other
// than "chunked", both of them, a body on GET or HEAD, HTTP/1.1 without exactly one Host) with
// 400, so no two readers of these bytes could see different requests.
HttpRequestRead readHttpRequest(QByteArrayView bytes, qsizetype limit);
