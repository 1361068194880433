#include "status/AccessToken.h"
#include "status/StatusHttpServer.h"
#include "status/StatusPageSettings.h"
#include "tests/harness/TestHarness.h"
#include "tests/status/HttpExchange.h"

#include <QRegularExpression>
#include <QSettings>
#include <memory>
#include <vector>

namespace {

const QByteArray kToken = "k3Jx_9vQ-2mLwZ8aT0pNfA";

struct Served {
    StatusHttpServer server;
    explicit Served(BoundedTcpServer::Limits limits = {}) : server(kToken, limits) {
        QString reason;
        if (!server.start(QHostAddress::LocalHost, 0, &reason)) {
            qFatal("The status server did not start: %s", qPrintable(reason));
        }
        server.setSnapshot(R"({"step":3})");
    }
    quint16 port() { return server.port(); }
};

} // namespace

class StatusServerTest : public QObject {
    Q_OBJECT
private slots:
    void tokensAreUrlSafeRandomAndComparedWhole() {
        const QByteArray a = newAccessToken();
        QCOMPARE(a.size(), 22);
        QVERIFY(QRegularExpression("^[A-Za-z0-9_-]+$").match(QString::fromLatin1(a)).hasMatch());
        QVERIFY(newAccessToken() != a);
        QVERIFY(tokenMatches(a, a));
        QVERIFY(!tokenMatches(a.left(21), a));
        QVERIFY(!tokenMatches(a + "x", a));
        QVERIFY(!tokenMatches({}, {}));
    }

    void everyPathNeedsTheToken() {
        Served s;
        for (const QByteArray target : {"/", "/status.json", "/page.js", "/nothing"}) {
            const HttpReply none = exchange(s.port(), getRequest(target));
            QCOMPARE(none.status, 401);
            QVERIFY(none.body.isEmpty());
            QCOMPARE(exchange(s.port(), getRequest(target + "?token=wrong")).status, 401);
            QCOMPARE(exchange(s.port(), getRequest(target, "Authorization: Bearer " +
                                                               kToken.left(21) + "\r\n"))
                         .status,
                     401);
        }
        const HttpReply byQuery = exchange(s.port(), getRequest("/status.json?token=" + kToken));
        QCOMPARE(byQuery.status, 200);
        QCOMPARE(byQuery.body, QByteArray(R"({"step":3})"));
        QCOMPARE(byQuery.header("Content-Type"), QByteArray("application/json; charset=utf-8"));
        const HttpReply byHeader = exchange(
            s.port(), getRequest("/status.json", "authorization: Bearer " + kToken + "\r\n"));
        QCOMPARE(byHeader.status, 200);
        QCOMPARE(byHeader.header("Content-Security-Policy"), QByteArray("default-src 'self'"));
        QCOMPARE(byHeader.header("X-Content-Type-Options"), QByteArray("nosniff"));
        QCOMPARE(byHeader.header("Referrer-Policy"), QByteArray("no-referrer"));
        QCOMPARE(byHeader.header("Cache-Control"), QByteArray("no-store"));
        QCOMPARE(byHeader.header("X-Frame-Options"), QByteArray("DENY"));
    }

    void onlyGetAndHeadOnKnownPaths() {
        Served s;
        const QByteArray auth = "Authorization: Bearer " + kToken + "\r\n";
        for (const QByteArray method : {"POST", "PUT", "DELETE", "OPTIONS"}) {
            const HttpReply r = exchange(
                s.port(), getRequest("/status.json", auth + "Content-Length: 0\r\n", method));
            QCOMPARE(r.status, 405);
            QCOMPARE(r.header("Allow"), QByteArray("GET, HEAD"));
        }
        QCOMPARE(exchange(s.port(), getRequest("/../etc/passwd", auth)).status, 404);
        QCOMPARE(exchange(s.port(), getRequest("/status.jsonx", auth)).status, 404);

        const HttpReply get = exchange(s.port(), getRequest("/status.json", auth));
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, s.port());
        socket.write(getRequest("/status.json", auth, "HEAD"));
        const HttpReply head = awaitReply(socket, true);
        QCOMPARE(head.status, 200);
        QCOMPARE(head.header("Content-Length"), get.header("Content-Length"));
        // Nothing follows the headers: the next answer on the connection starts clean.
        socket.write(getRequest("/status.json", auth));
        QCOMPARE(awaitReply(socket).body, get.body);
    }

    void thePageIsSmallSelfContainedAndCarriesItsToken() {
        Served s;
        qint64 total = 0;
        for (const QByteArray target : {"/", "/page.js", "/page.css"}) {
            const HttpReply r = exchange(s.port(), getRequest(target + "?token=" + kToken));
            QCOMPARE(r.status, 200);
            total += r.body.size();
            QVERIFY2(!r.body.contains("http://") && !r.body.contains("https://"), target);
        }
        QVERIFY(total < 60 * 1024);
        const HttpReply page = exchange(s.port(), getRequest("/?token=" + kToken));
        QVERIFY(page.body.contains("/page.js?token=" + kToken));
        QVERIFY(!page.body.contains("@TOKEN@"));
    }

    void oversizedRequestsAreRefused() {
        Served s;
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, s.port());
        // Sent in pieces, as a slow client would, so no single read holds all of it.
        socket.write("GET /status.json?token=" + kToken + " HTTP/1.1\r\nHost: x\r\n");
        for (int i = 0; i < 5; ++i) {
            socket.write("X-Filler-" + QByteArray::number(i) + ": " + QByteArray(2000, 'a') +
                         "\r\n");
            for (int k = 0; k < 3; ++k) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            }
        }
        socket.write("\r\n");
        const HttpReply r = awaitReply(socket);
        QCOMPARE(r.status, 413);
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        // A request just under the limit is answered.
        const QByteArray filler = "X-Filler: " + QByteArray(7000, 'b') + "\r\n";
        QCOMPARE(exchange(s.port(), getRequest("/status.json?token=" + kToken, filler)).status,
                 200);
    }

    void connectionsAreBoundedAndIdleOnesClosed() {
        Served s({4, 8 * 1024, 300});
        std::vector<std::unique_ptr<QTcpSocket>> open;
        for (int i = 0; i < 4; ++i) {
            open.push_back(std::make_unique<QTcpSocket>());
            open.back()->connectToHost(QHostAddress::LocalHost, s.port());
        }
        QTRY_COMPARE(s.server.openConnections(), 4);
        const HttpReply refused = exchange(s.port(), getRequest("/status.json?token=" + kToken));
        QCOMPARE(refused.status, 503);
        // Idle connections are closed; then the page is served again.
        for (auto& socket : open) {
            QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
        }
        QTRY_COMPARE(s.server.openConnections(), 0);
        QCOMPARE(exchange(s.port(), getRequest("/status.json?token=" + kToken)).status, 200);
    }

    void aPortInUseIsAFailureWithItsReason() {
        Served first;
        StatusHttpServer second(kToken);
        QString reason;
        QVERIFY(!second.start(QHostAddress::LocalHost, first.port(), &reason));
        QVERIFY(!reason.isEmpty());
    }

    void settingsReadWhatALabPresets() {
        QSettings().clear();
        StatusPageSettings s = StatusPageSettings::load();
        QVERIFY(!s.enabled);
        QVERIFY(!s.localNetwork);
        QCOMPARE(s.port, quint16(8470));
        QCOMPARE(s.address(), QHostAddress(QHostAddress::LocalHost));
        QSettings().setValue("StatusPage/enabled", true);
        QSettings().setValue("StatusPage/address", "0.0.0.0");
        QSettings().setValue("StatusPage/port", 9001);
        QSettings().setValue("StatusPage/token", "abc");
        s = StatusPageSettings::load();
        QVERIFY(s.enabled && s.localNetwork);
        QCOMPARE(s.port, quint16(9001));
        QVERIFY(s.link().endsWith(":9001/?token=abc"));
        QSettings().setValue("StatusPage/port", 70000);
        QSettings().setValue("StatusPage/address", "10.0.0.7");
        s = StatusPageSettings::load();
        QCOMPARE(s.port, quint16(8470));
        QVERIFY(!s.localNetwork);
        QSettings().clear();
    }
};

TESSALY_TEST_MAIN(StatusServerTest)
#include "StatusServerTest.moc"
