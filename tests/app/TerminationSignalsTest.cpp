#include "app/TerminationSignals.h"
#include "tests/harness/TestHarness.h"

#include "serial/RelayCrashGuard.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class TerminationSignalsTest : public QObject {
    Q_OBJECT
private slots:
    // Each way the system ends a program arrives on the window thread, where the exit
    // sequence can run, instead of ending the process on the spot.
    void terminationSignalsReachTheWindowThread() {
        QList<int> received;
        const TerminationSignals signalsHandled([&](int s) { received << s; });
        QVERIFY(signalsHandled.installed());
        for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
            received.clear();
            QVERIFY(std::raise(s) == 0);
            QTRY_COMPARE(received, QList<int>{s});
        }
    }

    // The window thread does not answer: a second signal ends the process at once, but writes
    // the relays' open frames to the relay port first.
    void aSecondSignalOpensTheRelaysAndEndsAtOnce() {
        int line[2] = {-1, -1};
        QVERIFY(::pipe(line) == 0);
        const TerminationSignals signalsHandled([](int) {});
        RelayCrashGuard::arm(line[1], QByteArray::fromHex("AA010000AA020000"));
        const pid_t child = ::fork();
        if (child == 0) {
            std::raise(SIGTERM); // handled later, on the window thread that never gets to it
            std::raise(SIGTERM);
            ::_exit(0);
        }
        RelayCrashGuard::disarm(line[1]);
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 128 + SIGTERM);
        ::close(line[1]);
        char bytes[16] = {};
        QCOMPARE(::read(line[0], bytes, sizeof bytes), ssize_t{8});
        QCOMPARE(QByteArray(bytes, 8), QByteArray::fromHex("AA010000AA020000"));
        ::close(line[0]);
    }
};

TESSALY_TEST_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
