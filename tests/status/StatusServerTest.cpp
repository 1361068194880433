#include "status/AccessToken.h"
#include "status/StatusHttpServer.h"
#include "status/StatusPageSettings.h"
#include "status/WrongTokenThrottle.h"
#include "tests/harness/TestHarness.h"
#include "tests/status/HttpExchange.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <memory>
#include <vector>

namespace {

const QByteArray kToken = "k3Jx_9vQ-2mLwZ8aT0pNfA";

const QByteArray kAuth = "Authorization: Bearer " + kToken + "\r\n";

struct Served {
    StatusHttpServer server;
    explicit Served(HttpLimits limits = {}) : server(kToken, limits) {
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
        QVERIFY(isAccessToken(a));
        QVERIFY(isAccessToken("0123456789abcdef"));
        QVERIFY(!isAccessToken("0123456789abcde"));
        QVERIFY(!isAccessToken("0123456789abcdef\"><b>"));
        QVERIFY(!isAccessToken("0123456789 abcdef"));
    }

    void wrongTokensSlowAnAddressDownForAWhile() {
        WrongTokenThrottle throttle({3, 1000, 5000});
        const QHostAddress guesser("10.0.0.9");
        const QHostAddress other("10.0.0.10");
        throttle.wrongToken(guesser, 0);
        throttle.wrongToken(guesser, 400);
        QVERIFY(!throttle.slowed(guesser, 500));
        // Two in one window and one in the next are not three in a window.
        throttle.wrongToken(guesser, 1200);
        QVERIFY(!throttle.slowed(guesser, 1300));
        throttle.wrongToken(guesser, 1300);
        throttle.wrongToken(guesser, 1400);
        QVERIFY(throttle.slowed(guesser, 1400));
        QVERIFY(throttle.slowed(guesser, 6399));
        QVERIFY(!throttle.slowed(other, 1400));
        QVERIFY(!throttle.slowed(guesser, 6400));
        // However many addresses guess, what is kept stays bounded.
        for (quint32 i = 0; i < 5000; ++i) {
            throttle.wrongToken(QHostAddress(0x0b000000 + i), 10'000 + i);
        }
        QVERIFY(throttle.addressesKept() <= 1024);
    }

    void everyPathNeedsTheToken() {
        HttpLimits limits;
        limits.wrongTokens.wrongTokens = 100;
        Served s(limits);
        for (const QByteArray target : {"/", "/status.json", "/page.js", "/nothing"}) {
            const HttpReply none = exchange(s.port(), getRequest(target));
            QCOMPARE(none.status, 401);
            QVERIFY(none.body.isEmpty());
            QVERIFY(none.secured());
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
        // The scheme is compared without regard to case.
        QCOMPARE(exchange(s.port(),
                          getRequest("/status.json", "Authorization: bearer " + kToken + "\r\n"))
                     .status,
                 200);
    }

    void onlyGetAndHeadOnKnownPaths() {
        Served s;
        const QByteArray auth = "Authorization: Bearer " + kToken + "\r\n";
        for (const QByteArray method : {"POST", "PUT", "DELETE", "OPTIONS"}) {
            const HttpReply r = exchange(
                s.port(), getRequest("/status.json", auth + "Content-Length: 0\r\n", method));
            QCOMPARE(r.status, 405);
            QCOMPARE(r.header("Allow"), QByteArray("GET, HEAD"));
            QVERIFY(r.secured());
        }
        const HttpReply missing = exchange(s.port(), getRequest("/../etc/passwd", auth));
        QCOMPARE(missing.status, 404);
        QVERIFY(missing.secured());
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
        // Whatever a token holds, it cannot add markup to the page.
        StatusHttpServer odd("a\"><b>&x");
        QVERIFY(odd.start(QHostAddress::LocalHost, 0, nullptr));
        const HttpReply oddPage =
            exchange(odd.port(), getRequest("/", "Authorization: Bearer a\"><b>&x\r\n"));
        QCOMPARE(oddPage.status, 200);
        QVERIFY(!oddPage.body.contains("<b>") && !oddPage.body.contains("a\">"));
        QVERIFY(oddPage.body.contains("/page.js?token=a%22%3E%3Cb%3E%26x\""));
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
        QVERIFY(r.secured());
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        // A request just under the limit is answered.
        const QByteArray filler = "X-Filler: " + QByteArray(7000, 'b') + "\r\n";
        QCOMPARE(exchange(s.port(), getRequest("/status.json?token=" + kToken, filler)).status,
                 200);
        // The limit is one request's: many small ones sent at once are each answered.
        QTcpSocket pipelined;
        pipelined.connectToHost(QHostAddress::LocalHost, s.port());
        const QByteArray one = getRequest("/status.json", kAuth);
        pipelined.write(one.repeated(500));
        QVERIFY(one.size() * 500 > 9 * 1024);
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += pipelined.readAll()).count("HTTP/1.1 200 OK") == 500,
                                 10000);
        QVERIFY(!got.contains("HTTP/1.1 4"));
    }

    void framingThatCouldBeReadTwoWaysIsRefused_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const QByteArray get = "GET /status.json HTTP/1.1\r\nHost: x\r\n" + kAuth;
        const QByteArray post = "POST /status.json HTTP/1.1\r\nHost: x\r\n" + kAuth;
        QTest::newRow("two lengths")
            << post + "Content-Length: 2\r\nContent-Length: 2\r\n\r\nab" << 400;
        QTest::newRow("negative length") << post + "Content-Length: -1\r\n\r\n" << 400;
        QTest::newRow("length list") << post + "Content-Length: 2, 2\r\n\r\nab" << 400;
        QTest::newRow("huge length") << post + "Content-Length: 99999999999999\r\n\r\n" << 413;
        QTest::newRow("xchunked") << post + "Transfer-Encoding: xchunked\r\n\r\n" << 400;
        QTest::newRow("gzip, chunked") << post + "Transfer-Encoding: gzip, chunked\r\n\r\n" << 400;
        QTest::newRow("chunked and length")
            << post + "Transfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n0\r\n\r\n"
            << 400;
        QTest::newRow("GET with a body") << get + "Content-Length: 5\r\n\r\nhello" << 400;
        QTest::newRow("HEAD chunked") << "HEAD /status.json HTTP/1.1\r\nHost: x\r\n" + kAuth +
                                             "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n"
                                      << 400;
        QTest::newRow("two spaces")
            << QByteArray("GET  /status.json HTTP/1.1\r\nHost: x\r\n\r\n") << 400;
        QTest::newRow("no version") << QByteArray("GET /status.json\r\nHost: x\r\n\r\n") << 400;
        QTest::newRow("no slash") << QByteArray("GET status.json HTTP/1.1\r\nHost: x\r\n\r\n")
                                  << 400;
        QTest::newRow("bare line feeds")
            << QByteArray("GET /status.json HTTP/1.1\nHost: x\n\n") << 400;
        QTest::newRow("folded header") << get + "X-A: 1\r\n folded\r\n\r\n" << 400;
        QTest::newRow("space before colon") << get + "X-A : 1\r\n\r\n" << 400;
        QTest::newRow("no host") << "GET /status.json HTTP/1.1\r\n" + kAuth + "\r\n" << 400;
        QTest::newRow("two hosts") << get + "Host: y\r\n\r\n" << 400;
        QTest::newRow("HTTP/2.0") << QByteArray("GET / HTTP/2.0\r\nHost: x\r\n\r\n") << 505;
    }

    void framingThatCouldBeReadTwoWaysIsRefused() {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        Served s;
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, s.port());
        // A valid request behind it must not be answered: the connection ends with the refusal.
        socket.write(request + getRequest("/status.json", kAuth));
        const HttpReply r = awaitReply(socket);
        QCOMPARE(r.status, status);
        QVERIFY(r.secured());
        QCOMPARE(r.header("Connection"), QByteArray("close"));
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(!socket.readAll().contains("HTTP/1.1"));
    }

    void eachConnectionEndsWhenItsClientSaysSo() {
        // Nothing a client sends makes the program write a line of its own.
        QTest::failOnWarning(QRegularExpression(".*"));
        Served s;
        const QByteArray json = getRequest("/status.json", kAuth);
        // HTTP/1.0 closes after its answer unless it asks to keep the connection.
        const HttpReply old =
            exchange(s.port(), "GET /status.json?token=" + kToken + " HTTP/1.0\r\n\r\n");
        QCOMPARE(old.status, 200);
        QVERIFY(old.closed);
        QTcpSocket kept;
        kept.connectToHost(QHostAddress::LocalHost, s.port());
        kept.write("GET /status.json HTTP/1.0\r\nConnection: keep-alive\r\n" + kAuth + "\r\n");
        const HttpReply first = awaitReply(kept);
        QCOMPARE(first.header("Connection"), QByteArray("keep-alive"));
        QVERIFY(!first.closed);
        kept.write(json);
        QCOMPARE(awaitReply(kept).status, 200);

        // Nothing sent after "Connection: close" is answered.
        QTcpSocket closing;
        closing.connectToHost(QHostAddress::LocalHost, s.port());
        closing.write(getRequest("/status.json", kAuth + "Connection: close\r\n") + json);
        const HttpReply last = awaitReply(closing);
        QCOMPARE(last.status, 200);
        QTRY_COMPARE(closing.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(!closing.readAll().contains("HTTP/1.1"));

        // An upgrade request is an ordinary request: one answer, and the connection goes on.
        QTcpSocket upgrade;
        upgrade.connectToHost(QHostAddress::LocalHost, s.port());
        upgrade.write(
            getRequest("/status.json", kAuth + "Connection: Upgrade\r\nUpgrade: websocket\r\n"
                                               "Sec-WebSocket-Version: 13\r\n"
                                               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n") +
            json);
        QByteArray answers;
        for (int i = 0; i < 25; ++i) {
            QTest::qWait(20);
            answers += upgrade.readAll();
        }
        QCOMPARE(answers.count("HTTP/1.1 "), 2);
        QCOMPARE(answers.count("HTTP/1.1 200 OK"), 2);
        QCOMPARE(upgrade.state(), QAbstractSocket::ConnectedState);
    }

    void aSlowRequestTimesOutWhateverItSends() {
        HttpLimits limits;
        limits.requestMs = 500;
        Served s(limits);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, s.port());
        QElapsedTimer sent;
        sent.start();
        socket.write("GET /status.json HTTP/1.1\r\n");
        // A byte now and then no longer keeps the request alive.
        HttpReply r;
        while (!sent.hasExpired(3000) && socket.state() == QAbstractSocket::ConnectedState &&
               !socket.bytesAvailable()) {
            socket.write("X");
            QTest::qWait(100);
        }
        r = awaitReply(socket);
        QCOMPARE(r.status, 408);
        QVERIFY(r.secured());
        // Timers may fire a little early, never seconds late.
        QVERIFY(sent.elapsed() >= 400);
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    }

    void aClientThatReadsNothingGetsNoMoreAnswersAndIsDropped() {
        HttpLimits limits;
        limits.stalledMs = 1000;
        Served s(limits);
        s.server.setSnapshot(QByteArray(32 * 1024, 'x'));
        QTcpSocket socket;
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        // Qt reads nothing for this client past a byte: the answers back up in the server.
        socket.setReadBufferSize(1);
        socket.connectToHost(QHostAddress::LocalHost, s.port());
        QVERIFY(socket.waitForConnected(2000));
        socket.write(getRequest("/status.json", kAuth).repeated(2000));
        // The 2000 answers would be 64 MB; the server stops reading once its answers wait, and
        // drops the client that takes none of them.
        QTRY_COMPARE_WITH_TIMEOUT(s.server.openConnections(), 0, 10000);
        QVERIFY2(s.server.answeredRequests() < 1000,
                 qPrintable(QString::number(s.server.answeredRequests())));
    }

    void oneAddressCannotTakeEverySlot() {
        Served s;
        std::vector<std::unique_ptr<QTcpSocket>> slow;
        for (int i = 0; i < 8; ++i) {
            slow.push_back(std::make_unique<QTcpSocket>());
            QVERIFY(slow.back()->bind(QHostAddress("127.0.0.2")));
            slow.back()->connectToHost(QHostAddress::LocalHost, s.port());
            slow.back()->write("GET /");
        }
        QTRY_COMPARE(s.server.openConnections(), 8);
        QTcpSocket ninth;
        QVERIFY(ninth.bind(QHostAddress("127.0.0.2")));
        ninth.connectToHost(QHostAddress::LocalHost, s.port());
        const HttpReply refused = awaitReply(ninth);
        QCOMPARE(refused.status, 503);
        QVERIFY(refused.secured());
        QCOMPARE(exchange(s.port(), getRequest("/status.json", kAuth)).status, 200);
    }

    void repeatedWrongTokensAreAnswered429ButTheRightOneIsNot() {
        Served s;
        QTcpSocket guesser;
        guesser.connectToHost(QHostAddress::LocalHost, s.port());
        for (int i = 0; i < 10; ++i) {
            guesser.write(getRequest("/status.json?token=guess" + QByteArray::number(i)));
            QCOMPARE(awaitReply(guesser).status, 401);
        }
        guesser.write(getRequest("/status.json"));
        const HttpReply slowed = awaitReply(guesser);
        QCOMPARE(slowed.status, 429);
        QVERIFY(slowed.secured());
        QCOMPARE(slowed.header("Retry-After"), QByteArray("60"));
        guesser.write(getRequest("/status.json", kAuth));
        QCOMPARE(awaitReply(guesser).status, 200);
        QTcpSocket other;
        QVERIFY(other.bind(QHostAddress("127.0.0.2")));
        other.connectToHost(QHostAddress::LocalHost, s.port());
        other.write(getRequest("/status.json"));
        QCOMPARE(awaitReply(other).status, 401);
    }

    void connectionsAreBoundedAndIdleOnesClosed() {
        HttpLimits limits;
        limits.connections = 4;
        limits.idleMs = 300;
        Served s(limits);
        std::vector<std::unique_ptr<QTcpSocket>> open;
        for (int i = 0; i < 4; ++i) {
            open.push_back(std::make_unique<QTcpSocket>());
            open.back()->connectToHost(QHostAddress::LocalHost, s.port());
        }
        QTRY_COMPARE(s.server.openConnections(), 4);
        QTcpSocket fifth;
        QVERIFY(fifth.bind(QHostAddress("127.0.0.3")));
        fifth.connectToHost(QHostAddress::LocalHost, s.port());
        fifth.write(getRequest("/status.json", kAuth));
        const HttpReply refused = awaitReply(fifth);
        QCOMPARE(refused.status, 503);
        QVERIFY(refused.secured());
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
        QVERIFY(s.presetProblems.isEmpty());
        const QString token = QStringLiteral("Lab-preset_token-0123456789");
        QSettings().setValue("StatusPage/enabled", true);
        QSettings().setValue("StatusPage/address", "0.0.0.0");
        QSettings().setValue("StatusPage/port", 9001);
        QSettings().setValue("StatusPage/token", token);
        s = StatusPageSettings::load();
        QVERIFY(s.enabled && s.localNetwork);
        QCOMPARE(s.port, quint16(9001));
        QVERIFY(s.link().endsWith(":9001/?token=" + token));
        QVERIFY(s.presetProblems.isEmpty());
        // Wrong presets: the defaults this time, said, and left in the file as written.
        for (const QString port : {"0", "70000", "abc"}) {
            QSettings().setValue("StatusPage/port", port);
            QSettings().setValue("StatusPage/address", "10.0.0.7");
            QSettings().setValue("StatusPage/token", "ab");
            s = StatusPageSettings::load();
            QCOMPARE(s.port, quint16(8470));
            QVERIFY(!s.localNetwork);
            QVERIFY(s.token.isEmpty());
            QCOMPARE(s.presetProblems.size(), 3);
            QVERIFY(s.presetProblems.join(' ').contains('"' + port + '"'));
            QCOMPARE(QSettings().value("StatusPage/port").toString(), port);
        }
        QSettings().clear();
    }

    void theSettingsFileIsTheOwnersAlone() {
        QSettings().clear();
        QSettings().sync();
        QFile::remove(QSettings().fileName());
        StatusPageSettings s;
        s.enabled = true;
        s.token = QString::fromLatin1(newAccessToken());
        s.save();
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto modeBits = ownerOnly | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                              QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                              QFileDevice::ReadOther | QFileDevice::WriteOther |
                              QFileDevice::ExeOther;
        QCOMPARE(QFile(QSettings().fileName()).permissions() & modeBits, ownerOnly);
        QCOMPARE(StatusPageSettings::load().token, s.token);
        // A file another setting made first is closed up before the token goes in.
        QFile(QSettings().fileName()).setPermissions(ownerOnly | QFileDevice::ReadOther);
        s.saveToken();
        QCOMPARE(QFile(QSettings().fileName()).permissions() & modeBits, ownerOnly);
        QSettings().clear();
    }
};

TESSALY_TEST_MAIN(StatusServerTest)
#include "StatusServerTest.moc"
