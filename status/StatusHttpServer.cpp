#include "status/StatusHttpServer.h"

#include "status/AccessToken.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QUrlQuery>

namespace {

using Status = QHttpServerResponder::StatusCode;

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/status/page/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("The status page resource %s is missing", qPrintable(name));
    }
    return file.readAll();
}

} // namespace

void StatusHttpServer::respond(const QHttpServerRequest& request, QTcpSocket* socket, Status status,
                               const QByteArray& type, const QByteArray& body,
                               QHttpServerResponder::HeaderList extra) {
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(status);
    responder.writeHeaders({{"Content-Security-Policy", "default-src 'self'"},
                            {"X-Content-Type-Options", "nosniff"},
                            {"Referrer-Policy", "no-referrer"},
                            {"Cache-Control", "no-store"},
                            {"X-Frame-Options", "DENY"},
                            {"Content-Length", QByteArray::number(body.size())}});
    if (!type.isEmpty()) {
        responder.writeHeader("Content-Type", type);
    }
    responder.writeHeaders(extra);
    // HEAD gets the headers GET would, without the body; writing the empty body ends the
    // headers.
    responder.writeBody(request.method() == QHttpServerRequest::Method::Head ? QByteArray() : body);
    // A client that asked to close gets its connection closed once the answer is out.
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("connection", Qt::CaseInsensitive) == 0 &&
            value.trimmed().compare("close", Qt::CaseInsensitive) == 0) {
            socket->disconnectFromHost();
        }
    }
}

StatusHttpServer::StatusHttpServer(QByteArray token, BoundedTcpServer::Limits limits,
                                   QObject* parent)
    : QAbstractHttpServer(parent), m_token(std::move(token)),
      m_tcp(new BoundedTcpServer(limits, this)) {
    // The page asks for its script and style with the token the page itself was opened with.
    m_page = resource(QStringLiteral("index.html")).replace("@TOKEN@", m_token);
    m_script = resource(QStringLiteral("page.js"));
    m_style = resource(QStringLiteral("page.css"));
}

bool StatusHttpServer::start(const QHostAddress& address, quint16 port, QString* error) {
    if (!m_tcp->listen(address, port)) {
        if (error) {
            *error = m_tcp->errorString();
        }
        return false;
    }
    bind(m_tcp);
    return true;
}

quint16 StatusHttpServer::port() const {
    return m_tcp->serverPort();
}

int StatusHttpServer::openConnections() const {
    return m_tcp->openConnections();
}

bool StatusHttpServer::authorised(const QHttpServerRequest& request) const {
    const QString given =
        request.query().queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded);
    if (!given.isEmpty()) {
        return tokenMatches(given.toUtf8(), m_token);
    }
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("authorization", Qt::CaseInsensitive) == 0 &&
            value.startsWith("Bearer ")) {
            return tokenMatches(QByteArrayView(value).sliced(7).trimmed(), m_token);
        }
    }
    return false;
}

bool StatusHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    m_tcp->requestAnswered(socket);
    ++m_answered;
    if (!authorised(request)) {
        respond(request, socket, Status::Unauthorized, {}, {}, {{"WWW-Authenticate", "Bearer"}});
        return true;
    }
    const auto method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        respond(request, socket, Status::MethodNotAllowed, {}, {}, {{"Allow", "GET, HEAD"}});
        return true;
    }
    const QString path = request.url().path();
    if (path == QLatin1String("/") || path == QLatin1String("/index.html")) {
        respond(request, socket, Status::Ok, "text/html; charset=utf-8", m_page);
    } else if (path == QLatin1String("/status.json")) {
        respond(request, socket, Status::Ok, "application/json; charset=utf-8", m_snapshot);
    } else if (path == QLatin1String("/page.js")) {
        respond(request, socket, Status::Ok, "text/javascript; charset=utf-8", m_script);
    } else if (path == QLatin1String("/page.css")) {
        respond(request, socket, Status::Ok, "text/css; charset=utf-8", m_style);
    } else {
        respond(request, socket, Status::NotFound, {}, {});
    }
    return true;
}

void StatusHttpServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    respond(request, socket, Status::NotFound, {}, {});
}
