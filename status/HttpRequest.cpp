#include "status/HttpRequest.h"

#include <algorithm>
#include <cctype>

namespace {

using Outcome = HttpRequestRead::Outcome;

HttpRequestRead refused(int status) {
    HttpRequestRead r;
    r.outcome = Outcome::Refused;
    r.status = status;
    return r;
}

bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isTokenChar);
}

// Visible characters, spaces, tabs and bytes above ASCII; no other control character.
bool isFieldValue(QByteArrayView s) {
    return std::all_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u == '\t' || (u >= 0x20 && u != 0x7f);
    });
}

QByteArrayView trimmed(QByteArrayView s) {
    while (!s.isEmpty() && (s.front() == ' ' || s.front() == '\t')) {
        s = s.sliced(1);
    }
    while (!s.isEmpty() && (s.back() == ' ' || s.back() == '\t')) {
        s.chop(1);
    }
    return s;
}

bool hasListToken(QByteArrayView list, QByteArrayView token) {
    for (const QByteArray& item : list.toByteArray().split(',')) {
        if (trimmed(item).compare(token, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// 1*DIGIT, small enough to hold; -1 otherwise (a sign, spaces, a list, an overflow).
qint64 contentLength(QByteArrayView s) {
    if (s.isEmpty() || s.size() > 15 ||
        !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    qint64 n = 0;
    for (const char c : s) {
        n = n * 10 + (c - '0');
    }
    return n;
}

// "METHOD /target HTTP/1.x" into r; 0, or the status that refuses it.
int readRequestLine(QByteArrayView line, HttpRequest& r) {
    if (line.contains('\r') || line.contains('\n')) {
        return 400;
    }
    const QList<QByteArray> parts = line.toByteArray().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || !parts[1].startsWith('/') ||
        !std::all_of(parts[1].begin(), parts[1].end(),
                     [](char c) { return static_cast<unsigned char>(c) > 0x20 && c != 0x7f; })) {
        return 400;
    }
    const QByteArray& version = parts[2];
    if (version.size() != 8 || !version.startsWith("HTTP/") || version[6] != '.' ||
        !std::isdigit(static_cast<unsigned char>(version[5])) ||
        !std::isdigit(static_cast<unsigned char>(version[7]))) {
        return 400;
    }
    if (version[5] != '1' || version[7] > '1') {
        return 505;
    }
    r.method = parts[0];
    r.target = parts[1];
    r.minorVersion = version[7] - '0';
    return 0;
}

} // namespace

QByteArray HttpRequest::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (name.compare(key, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

HttpRequestRead readHttpRequest(QByteArrayView bytes, qsizetype limit) {
    // Empty lines before a request are allowed (some clients send one after a body).
    qsizetype start = 0;
    while (bytes.sliced(start).startsWith("\r\n")) {
        start += 2;
    }
    const qsizetype end = bytes.indexOf(QByteArrayView("\r\n\r\n"), start);
    if (end < 0) {
        // A request line that is already wrong is refused without waiting for the rest.
        // So is a line ended by a bare LF, which would otherwise wait for an end never sent.
        for (qsizetype lf = bytes.indexOf('\n', start); lf >= 0; lf = bytes.indexOf('\n', lf + 1)) {
            if (lf == 0 || bytes[lf - 1] != '\r') {
                return refused(400);
            }
        }
        const qsizetype eol = bytes.indexOf(QByteArrayView("\r\n"), start);
        HttpRequest ignored;
        if (eol >= 0 && eol < limit) {
            if (const int status = readRequestLine(bytes.sliced(start, eol - start), ignored)) {
                return refused(status);
            }
        }
        return bytes.size() > limit ? refused(413) : HttpRequestRead{};
    }
    const qsizetype headBytes = end + 4;
    if (headBytes > limit) {
        return refused(413);
    }
    const QByteArrayView head = bytes.sliced(start, end + 2 - start);
    // Every line ends in CR LF: a bare CR or LF could end a line for one reader and not another.
    QList<QByteArrayView> lines;
    for (qsizetype from = 0; from < head.size();) {
        const qsizetype eol = head.indexOf(QByteArrayView("\r\n"), from);
        const QByteArrayView line = head.sliced(from, eol - from);
        if (line.contains('\r') || line.contains('\n')) {
            return refused(400);
        }
        lines.append(line);
        from = eol + 2;
    }

    HttpRequestRead read;
    HttpRequest& r = read.request;
    if (const int status = readRequestLine(lines.front(), r)) {
        return refused(status);
    }

    int lengths = 0;
    int encodings = 0;
    int hosts = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        const qsizetype colon = line.indexOf(':');
        // No folded lines, no space before the colon, no nameless header.
        if (colon <= 0 || !isToken(line.first(colon))) {
            return refused(400);
        }
        const QByteArrayView value = trimmed(line.sliced(colon + 1));
        if (!isFieldValue(value)) {
            return refused(400);
        }
        const QByteArrayView name = line.first(colon);
        r.headers.append({name.toByteArray(), value.toByteArray()});
        if (name.compare("content-length", Qt::CaseInsensitive) == 0) {
            ++lengths;
            r.contentLength = contentLength(value);
            if (r.contentLength < 0) {
                return refused(400);
            }
        } else if (name.compare("transfer-encoding", Qt::CaseInsensitive) == 0) {
            ++encodings;
            if (value.compare("chunked", Qt::CaseInsensitive) != 0) {
                return refused(400);
            }
            r.chunked = true;
        } else if (name.compare("host", Qt::CaseInsensitive) == 0) {
            ++hosts;
        }
    }
    if (lengths > 1 || encodings > 1 || (lengths > 0 && encodings > 0) ||
        (r.chunked && r.minorVersion == 0) || hosts > 1 || (r.minorVersion == 1 && hosts == 0)) {
        return refused(400);
    }
    if (r.hasBody() && (r.method == "GET" || r.method == "HEAD")) {
        return refused(400);
    }
    if (r.contentLength > limit - headBytes) {
        return refused(413);
    }
    const QByteArray connection = r.header("connection");
    r.keepAlive = r.minorVersion == 1 ? !hasListToken(connection, "close")
                                      : hasListToken(connection, "keep-alive");
    read.outcome = Outcome::Complete;
    read.headBytes = headBytes;
    return read;
}
