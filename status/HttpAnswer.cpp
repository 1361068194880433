#include "status/HttpAnswer.h"

namespace {

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Payload Too Large";
    case 429:
        return "Too Many Requests";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Unknown";
    }
}

} // namespace

QByteArray httpAnswerBytes(const HttpAnswer& answer, bool headOnly, bool close,
                           bool keepAliveAsked) {
    QByteArray out;
    out.reserve(320 + answer.body.size());
    out += "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) +
           "\r\n"
           "Content-Security-Policy: default-src 'self'\r\n"
           "X-Content-Type-Options: nosniff\r\n"
           "Referrer-Policy: no-referrer\r\n"
           "Cache-Control: no-store\r\n"
           "X-Frame-Options: DENY\r\n";
    if (!answer.type.isEmpty()) {
        out += "Content-Type: " + answer.type + "\r\n";
    }
    out += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    for (const auto& [name, value] : answer.headers) {
        out += name + ": " + value + "\r\n";
    }
    if (close) {
        out += "Connection: close\r\n";
    } else if (keepAliveAsked) {
        out += "Connection: keep-alive\r\n";
    }
    out += "\r\n";
    if (!headOnly) {
        out += answer.body;
    }
    return out;
}
