#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One answer of the status server, before it becomes bytes.
struct HttpAnswer {
    int status = 200;
    QByteArray type;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

// The bytes of answer: the status line, the security headers every answer carries whatever
// its status, its length and type, the connection's fate, and the body unless headOnly (HEAD
// gets GET's headers and length without it). keepAliveAsked: an HTTP/1.0 client that asked to
// keep the connection is told it is kept.
QByteArray httpAnswerBytes(const HttpAnswer& answer, bool headOnly, bool close,
                           bool keepAliveAsked = false);
