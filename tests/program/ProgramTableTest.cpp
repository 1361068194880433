#include "program/ProgramTable.h"
#include "base/TimeText.h"
#include "tests/harness/TestHarness.h"

class ProgramTableTest : public QObject {
    Q_OBJECT
private slots:
    void normalizationKeepsFieldsInRange_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("shown");
        QTest::newRow("negative minutes") << "-7" << 59 << "7";
        QTest::newRow("too many minutes") << "99" << 59 << "59";
        QTest::newRow("75 minutes") << "75" << 59 << "59";
        QTest::newRow("fraction of hours") << "2.9" << 12 << "2";
        QTest::newRow("cleared") << "" << 59 << "0";
        QTest::newRow("letters") << "abc" << 9 << "0";
        QTest::newRow("trailing letters") << "7x" << 9 << "7";
        QTest::newRow("floor before magnitude") << "-0.5" << 9 << "1";
        QTest::newRow("negative fraction") << "-3.5" << 9 << "4";
        QTest::newRow("maximum itself") << "12" << 12 << "12";
        QTest::newRow("hours over") << "13" << 12 << "12";
        QTest::newRow("leading zero") << "07" << 59 << "7";
        QTest::newRow("leading blanks") << "  4" << 9 << "4";
        QTest::newRow("huge") << "1e400" << 9 << "9";
        QTest::newRow("huge negative") << "-99999999999" << 59 << "59";
    }
    void normalizationKeepsFieldsInRange() {
        QFETCH(QString, typed);
        QFETCH(int, maximum);
        QFETCH(QString, shown);
        QCOMPARE(normalizeStepText(typed, maximum), shown);
        // Normalizing again changes nothing, so the change event stops repeating.
        QCOMPARE(normalizeStepText(shown, maximum), shown);
    }

    void recomputeAccumulatesEndTimesAndClipNames() {
        ProgramSteps steps;
        steps[0] = {{"0", "1", "30", "5", "3"}, {1, 0, 0}};
        steps[1] = {{"1", "0", "0", "3", "7"}, {0, 1, 1}};
        steps[2] = {{"0", "0", "10", "0", "0"}, {0, 0, 0}};
        ProgramTable table;
        table.recompute(steps);
        QCOMPARE(table.durationSeconds[0], 90);
        QCOMPARE(table.endSeconds[0], 90);
        QCOMPARE(table.endSeconds[1], 3690);
        QCOMPARE(table.endSeconds[2], 3700);
        QCOMPARE(table.endSeconds[39], 3700);
        QCOMPARE(table.endSeconds[40], 3700);
        QCOMPARE(table.clipName[0], QString("53.mc"));
        QCOMPARE(table.clipName[1], QString("37.mc"));
        QCOMPARE(table.clipName[39], QString("00.mc"));
        QVERIFY(table.clipName[40].isEmpty());
        QCOMPARE(table.leftLevel[1], 3);
        QCOMPARE(table.rightLevel[1], 7);
        QCOMPARE(table.laser[0], 1);
        QCOMPARE(table.signal[1], 1);
        QCOMPARE(table.hours[1], 1);
    }

    void recomputeStartsTheTotalAfresh() {
        ProgramSteps steps;
        steps[5].texts[2] = "10";
        ProgramTable table;
        table.recompute(steps);
        table.recompute(steps);
        QCOMPARE(table.endSeconds[40], 10);
        QCOMPARE(table.endSeconds[4], 0);
        QCOMPARE(table.endSeconds[5], 10);
    }

    void longestProgramFitsAndShowsCountingHours() {
        ProgramSteps steps;
        for (StepInput& s : steps) {
            s.texts = {"12", "59", "59", "9", "9"};
        }
        ProgramTable table;
        table.recompute(steps);
        QCOMPARE(table.endSeconds[40], 1871960);
        QCOMPARE(SecondsToHms(table.endSeconds[39]), QString("519:59:20"));
    }

    void unnormalizedHugeFieldRaisesOverflowAndKeepsEarlierRows() {
        ProgramSteps steps;
        steps[0].texts[2] = "5";
        steps[1].texts[0] = "3000000";
        ProgramTable table;
        QVERIFY_THROWS_EXCEPTION(OverflowError, table.recompute(steps));
        QCOMPARE(table.endSeconds[0], 5);
    }
};

TESSALY_TEST_MAIN(ProgramTableTest)
#include "ProgramTableTest.moc"
