#include "app/ExitSequence.h"
#include "tests/harness/TestHarness.h"

#include <stdexcept>

class ExitSequenceTest : public QObject {
    Q_OBJECT
private slots:
    // A relay must still be opened when an earlier step of the exit fails.
    void everyStepRunsOnceInOrderEvenAfterAFailure() {
        ExitSequence exit;
        QStringList ran;
        exit.add("stop", [&] { ran << "stop"; });
        exit.add("pumps", [&] {
            ran << "pumps";
            throw std::runtime_error("player gone");
        });
        exit.add("relays", [&] { ran << "relays"; });
        QVERIFY(exit.run());
        QCOMPARE(ran, (QStringList{"stop", "pumps", "relays"}));
        QCOMPARE(exit.failures(), QStringList{"pumps: player gone"});
        QVERIFY(!exit.run());
        QCOMPARE(ran.size(), 3);
    }
};

TESSALY_TEST_MAIN(ExitSequenceTest)
#include "ExitSequenceTest.moc"
