#include "app/TerminationSignals.h"
#include "tests/harness/TestHarness.h"

#include <csignal>

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
};

TESSALY_TEST_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
