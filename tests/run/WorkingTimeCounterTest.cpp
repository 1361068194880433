#include "run/WorkingTimeCounter.h"
#include "app/AppRoot.h"
#include "base/Clock.h"
#include "panel/TessalyPanel.h"
#include "tests/harness/TestHarness.h"

#include <QLabel>
#include <QSettings>

class WorkingTimeCounterTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings().clear(); }

    void firstStartShowsNothingUntilTheFirstMinute() {
        ManualClock clock;
        AppRoot root(clock, AppRoot::Sound::None);
        TessalyPanel& panel = root.panel();
        root.Form_Load();
        QVERIFY(panel.Label29->text().isEmpty());
        QCOMPARE(WorkingTimeCounter::stored(), std::optional<qint32>(0));
        root.workingTime().tick();
        QCOMPARE(panel.Label29->text(), QString("∑working =00:01:00"));
    }

    void countKeepsGoingAcrossStarts() {
        {
            QLabel label;
            WorkingTimeCounter counter(&label);
            counter.prepare();
            counter.tick();
            counter.tick();
        }
        QLabel label;
        WorkingTimeCounter counter(&label);
        counter.prepare(); // an existing counter is kept
        counter.tick();
        QCOMPARE(label.text(), QString("∑working =00:03:00"));
    }

    void storedCounterOf3540ShowsOneHour() {
        WorkingTimeCounter::store(3540);
        QLabel label;
        WorkingTimeCounter(&label).tick();
        QCOMPARE(label.text(), QString("∑working =01:00:00"));
        QCOMPARE(WorkingTimeCounter::stored(), std::optional<qint32>(3600));
    }

    void pastOneDayTheHoursKeepCounting() {
        WorkingTimeCounter::store(359940);
        QLabel label;
        WorkingTimeCounter(&label).tick();
        QCOMPARE(label.text(), QString("∑working =100:00:00"));
    }

    void unreadableStorageStartsAgainAtZeroWithoutCounting_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("text") << QVariant("abc");
        QTest::newRow("negative") << QVariant("-60");
        QTest::newRow("beyond 32 bits") << QVariant("4294967296");
    }
    void unreadableStorageStartsAgainAtZeroWithoutCounting() {
        QFETCH(QVariant, stored);
        QSettings().setValue("WorkingTime/Seconds", stored);
        QLabel label("before");
        WorkingTimeCounter(&label).tick();
        QCOMPARE(label.text(), QString("before"));
        QCOMPARE(WorkingTimeCounter::stored(), std::optional<qint32>(0));
    }

    void overflowIsReportedAndNotStored() {
        WorkingTimeCounter::store(2147483587);
        QLabel label;
        WorkingTimeCounter counter(&label);
        counter.tick();
        QCOMPARE(label.text(), QString("∑working =596523:14:07"));
        TestEnvironment::instance().messages().clear();
        counter.tick();
        QCOMPARE(TestEnvironment::instance().messages().count(), 1);
        QCOMPARE(WorkingTimeCounter::stored(), std::optional<qint32>(2147483647));
    }

    void timerCountsOncePerMinute() {
        ManualClock clock;
        AppRoot root(clock, AppRoot::Sound::None);
        TessalyPanel& panel = root.panel();
        QVERIFY(panel.Timer3->isActive());
        QCOMPARE(panel.Timer3->interval(), 60000);
        WorkingTimeCounter::store(0);
        // One tick of the timer, at once: what counts is that its tick is counted.
        panel.Timer3->setSingleShot(true);
        panel.Timer3->start(1);
        QTRY_VERIFY(!panel.Label29->text().isEmpty());
        QCOMPARE(panel.Label29->text(), QString("∑working =00:01:00"));
    }
};

TESSALY_TEST_MAIN(WorkingTimeCounterTest)
#include "WorkingTimeCounterTest.moc"
