#include "status/StatusHttpServer.h"

#include "status/AccessToken.h"

#include <QFile>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

namespace {

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/status/page/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("The status page resource %s is missing", qPrintable(name));
    }
    return file.readAll();
}

// The credentials of "Authorization: Bearer <token>", the scheme in any case; empty otherwise.
QByteArrayView bearerToken(const QByteArray& authorization) {
    const QByteArrayView value(authorization);
    const qsizetype space = value.indexOf(' ');
    if (space < 0 || value.first(space).compare("Bearer", Qt::CaseInsensitive) != 0) {
        return {};
    }
    return value.sliced(space + 1).trimmed();
}

} // namespace

StatusHttpServer::StatusHttpServer(QByteArray token, HttpLimits limits, QObject* parent)
    : QObject(parent), m_token(std::move(token)), m_limits(limits),
      m_tcp(new BoundedTcpServer(
          limits,
          [this](const HttpRequest& request, const QHostAddress& peer) {
              return answer(request, peer);
          },
          this)),
      m_throttle(limits.wrongTokens) {
    m_clock.start();
    // The page asks for its script and style with the token the page itself was opened with,
    // made safe for a URL and then for HTML whatever the token holds.
    const QByteArray inPage =
        QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(m_token)))
            .toHtmlEscaped()
            .toUtf8();
    m_page = resource(QStringLiteral("index.html")).replace("@TOKEN@", inPage);
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
    return true;
}

quint16 StatusHttpServer::port() const {
    return m_tcp->serverPort();
}

int StatusHttpServer::openConnections() const {
    return m_tcp->openConnections();
}

bool StatusHttpServer::authorised(const HttpRequest& request) const {
    const QString given = QUrlQuery(QUrl::fromEncoded(request.target))
                              .queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded);
    if (!given.isEmpty()) {
        return tokenMatches(given.toUtf8(), m_token);
    }
    const QByteArrayView bearer = bearerToken(request.header("authorization"));
    return !bearer.isEmpty() && tokenMatches(bearer, m_token);
}

HttpAnswer StatusHttpServer::answer(const HttpRequest& request, const QHostAddress& peer) {
    ++m_answered;
    if (!authorised(request)) {
        const qint64 now = m_clock.elapsed();
        if (m_throttle.slowed(peer, now)) {
            return {429,
                    {},
                    {},
                    {{"Retry-After", QByteArray::number(m_limits.wrongTokens.slowDownMs / 1000)}}};
        }
        m_throttle.wrongToken(peer, now);
        return {401, {}, {}, {{"WWW-Authenticate", "Bearer"}}};
    }
    if (request.method != "GET" && request.method != "HEAD") {
        return {405, {}, {}, {{"Allow", "GET, HEAD"}}};
    }
    const QString path = QUrl::fromEncoded(request.target).path();
    if (path == QLatin1String("/") || path == QLatin1String("/index.html")) {
        return {200, "text/html; charset=utf-8", m_page, {}};
    }
    if (path == QLatin1String("/status.json")) {
        return {200, "application/json; charset=utf-8", m_snapshot, {}};
    }
    if (path == QLatin1String("/metrics") && m_metricsSource) {
        if (m_metricsStale) {
            m_metrics = m_metricsSource();
            m_metricsStale = false;
        }
        return {200, "text/plain; version=0.0.4; charset=utf-8", m_metrics, {}};
    }
    if (path == QLatin1String("/page.js")) {
        return {200, "text/javascript; charset=utf-8", m_script, {}};
    }
    if (path == QLatin1String("/page.css")) {
        return {200, "text/css; charset=utf-8", m_style, {}};
    }
    return {404, {}, {}, {}};
}
