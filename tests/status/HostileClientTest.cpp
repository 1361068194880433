#include "status/StatusHttpServer.h"
#include "tests/harness/TestHarness.h"
#include "tests/status/HttpExchange.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <unistd.h>

namespace {

const QByteArray kToken = "hostile-test-token-0123";

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// A status as large as a long run's, so each unread answer weighs what it would.
QByteArray largeSnapshot() {
    QByteArray json = R"({"history":[)";
    while (json.size() < 32 * 1024) {
        json += "[5012.5,87.25],";
    }
    json.chop(1);
    return json + "]}";
}

bool running(const QProcess& p) {
    return p.state() != QProcess::NotRunning;
}

} // namespace

// The status server against clients that mean harm, from other processes on loopback.
class HostileClientTest : public QObject {
    Q_OBJECT
private slots:
    void clientsThatNeverReadCannotGrowTheProgram() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer keeps freed memory in quarantine; resident memory tells nothing");
#endif
        StatusHttpServer server(kToken);
        QVERIFY(server.start(QHostAddress::LocalHost, 0, nullptr));
        server.setSnapshot(largeSnapshot());
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(exchange(server.port(), getRequest("/status.json?token=" + kToken)).status,
                     200);
        }
        const qint64 before = residentBytes();
        QProcess withToken;
        QProcess without;
        const QString port = QString::number(server.port());
        withToken.start(QStringLiteral(TESSALY_STATUS_UNREAD), {port, kToken, "20", "256"});
        without.start(QStringLiteral(TESSALY_STATUS_UNREAD), {port, "-", "20", "256"});
        QVERIFY(withToken.waitForStarted() && without.waitForStarted());
        qint64 peak = before;
        while (running(withToken) || running(without)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            peak = std::max(peak, residentBytes());
        }
        const QByteArray sent = withToken.readAllStandardOutput() + without.readAllStandardOutput();
        const QString figures = QStringLiteral("resident %1 MB, peak %2 MB (+%3 KB); %4")
                                    .arg(before / 1048576.0, 0, 'f', 1)
                                    .arg(peak / 1048576.0, 0, 'f', 1)
                                    .arg((peak - before) / 1024)
                                    .arg(QString::fromLatin1(sent.simplified()));
        qInfo("%s", qPrintable(figures));
        QVERIFY2(sent.count("sent ") == 2, sent.constData());
        // 32 connections, each holding a request, a read buffer and its waiting answers, are
        // some 4 MB at the very most; two clients hold far less.
        QVERIFY2(peak - before < 4 * 1024 * 1024, qPrintable(figures));
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections(), 0, 15000);
    }

    void slowConnectionsFromOneAddressLeaveRoomForAViewer() {
        const QString slowhttptest = QStandardPaths::findExecutable(QStringLiteral("slowhttptest"));
        QVERIFY2(!slowhttptest.isEmpty(),
                 "slowhttptest is not installed (scripts/install-deps.sh --tests installs it)");
        StatusHttpServer server(kToken);
        QVERIFY(server.start(QHostAddress::LocalHost, 0, nullptr));
        // Slowloris from 127.0.0.1: 100 connections, each sending a header line every 2 s.
        QProcess slow;
        slow.start(slowhttptest,
                   {"-H", "-c", "100", "-r", "50", "-i", "2", "-l", "14", "-p", "2", "-u",
                    QStringLiteral("http://127.0.0.1:%1/status.json").arg(server.port())});
        QVERIFY(slow.waitForStarted());
        QElapsedTimer attack;
        attack.start();
        int views = 0;
        qint64 slowest = 0;
        int mostOpen = 0;
        // A viewer on 127.0.0.2 opens the status every quarter second meanwhile.
        while (running(slow) && attack.elapsed() < 30'000) {
            QTest::qWait(250);
            mostOpen = std::max(mostOpen, server.openConnections());
            QTcpSocket viewer;
            QVERIFY(viewer.bind(QHostAddress("127.0.0.2")));
            QElapsedTimer answered;
            answered.start();
            viewer.connectToHost(QHostAddress::LocalHost, server.port());
            viewer.write(getRequest("/status.json?token=" + kToken));
            const HttpReply r = awaitReply(viewer, false, 1000);
            QVERIFY2(r.status == 200, qPrintable(QStringLiteral("view %1 at %2 ms got %3")
                                                     .arg(views)
                                                     .arg(attack.elapsed())
                                                     .arg(r.status)));
            slowest = std::max(slowest, answered.elapsed());
            ++views;
        }
        slow.waitForFinished(20'000);
        qInfo("%d views, slowest answer %lld ms, at most %d connections open", views, slowest,
              mostOpen);
        QVERIFY(views >= 30);
        // The attacker's address has its 8 slots, the viewer its one.
        QVERIFY(mostOpen <= 9);
        QVERIFY(slowest < 1000);
    }
};

TESSALY_TEST_MAIN(HostileClientTest)
#include "HostileClientTest.moc"
