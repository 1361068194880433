#include "base/TimeText.h"
#include "base/Clock.h"
#include "base/NumericText.h"
#include "tests/harness/TestHarness.h"

#include <QFile>
#include <QLocale>
#include <limits>

class TimeTextTest : public QObject {
    Q_OBJECT
private slots:
    void secondsToHmsPadsEachPart_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "00:00:00";
        QTest::newRow("59") << 59 << "00:00:59";
        QTest::newRow("60") << 60 << "00:01:00";
        QTest::newRow("3600") << 3600 << "01:00:00";
        QTest::newRow("3725") << 3725 << "01:02:05";
        QTest::newRow("46799") << 46799 << "12:59:59";
        QTest::newRow("86399") << 86399 << "23:59:59";
        QTest::newRow("one day keeps counting hours") << 86400 << "24:00:00";
        QTest::newRow("100 hours") << 360000 << "100:00:00";
        QTest::newRow("longest program") << 1871960 << "519:59:20";
        QTest::newRow("negative") << -61 << "-00:01:01";
        QTest::newRow("int max") << std::numeric_limits<qint32>::max() << "596523:14:07";
        QTest::newRow("int min") << std::numeric_limits<qint32>::min() << "-596523:14:08";
    }
    void secondsToHmsPadsEachPart() {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(SecondsToHms(seconds), text);
    }

    void daysToDhmsSplitsWholeDays_data() {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0  00:00:00";
        QTest::newRow("one and a half") << 1.5 << "1  12:00:00";
        QTest::newRow("quarter") << 0.25 << "0  06:00:00";
        QTest::newRow("just under a day rounds up") << (1.0 - 1e-9) << "1  00:00:00";
        QTest::newRow("ten days one second") << (10.0 + 1.0 / 86400) << "10  00:00:01";
    }
    void daysToDhmsSplitsWholeDays() {
        QFETCH(double, days);
        QFETCH(QString, text);
        QCOMPARE(DaysToDhms(days), text);
    }

    void timeStampTextUsesLongWeekdayAndShortMonth() {
        const QDateTime t(QDate(2026, 12, 7), QTime(18, 1, 55));
        QCOMPARE(TimeStampText(daysFromDateTime(t)), QStringLiteral("18:01:55 Monday, Dec 7 2026"));
    }

    void dayCountsRoundTripToTheSecond() {
        const QDateTime t(QDate(2026, 3, 29), QTime(1, 59, 59));
        QCOMPARE(dateTimeFromDays(daysFromDateTime(t)), t);
        QCOMPARE(daysFromDateTime(QDateTime(QDate(1899, 12, 31), QTime(6, 0))), 1.25);
    }

    void manualClockMovesInWholeSeconds() {
        ManualClock clock(QDateTime(QDate(2026, 1, 1), QTime(10, 0, 0)));
        clock.advanceMs(999);
        QCOMPARE(clock.now().time(), QTime(10, 0, 0));
        clock.advanceMs(1);
        QCOMPARE(clock.now().time(), QTime(10, 0, 1));
        clock.setWallClock(QDateTime(QDate(2026, 1, 1), QTime(9, 0, 0)));
        QCOMPARE(clock.now().time(), QTime(9, 0, 0));
        QCOMPARE(clock.monotonicMs(), 1000);
    }

    void systemClockTruncatesToWholeSecond() { QCOMPARE(systemClock().now().time().msec(), 0); }

    void fileExistsAtTellsFilesOnly() {
        const QString home = TestEnvironment::instance().home();
        const QString empty = home + "/empty.TSY";
        QFile f(empty);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(FileExistsAt(empty));
        QVERIFY(!FileExistsAt(home + "/missing.TSY"));
        QVERIFY(!FileExistsAt(home));
        QVERIFY(!FileExistsAt(QString()));
        QVERIFY(!FileExistsAt(home + "/no/such/folder/x"));
    }

    void checkedArithmeticRaisesInsteadOfWrapping() {
        QCOMPARE(checkedAdd(2147483587, 60), 2147483647);
        QVERIFY_THROWS_EXCEPTION(OverflowError, checkedAdd(2147483588, 60));
        QVERIFY_THROWS_EXCEPTION(OverflowError, checkedMul(46799, 46799));
        QCOMPARE(roundToInt32(2.5), 2);
        QCOMPARE(roundToInt32(3.5), 4);
        QCOMPARE(roundToInt32(-2.5), -2);
        QVERIFY_THROWS_EXCEPTION(OverflowError, roundToInt32(3e9));
        QVERIFY_THROWS_EXCEPTION(OverflowError,
                                 roundToInt32(std::numeric_limits<double>::quiet_NaN()));
    }

    void leadingNumberReadsLikeADecimalReader_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "12" << 12.0;
        QTest::newRow("trailing letters") << "7x" << 7.0;
        QTest::newRow("fraction") << "1.9" << 1.9;
        QTest::newRow("negative") << "-7" << -7.0;
        QTest::newRow("leading blanks") << "   5" << 5.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("lone sign") << "-" << 0.0;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("point fraction") << ".5" << 0.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("dangling exponent") << "2e" << 2.0;
        QTest::newRow("blank inside ends the number") << "1 2" << 1.0;
    }
    void leadingNumberReadsLikeADecimalReader() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(leadingNumber(text), value);
    }

    void leadingNumberOfAHugeExponentIsInfinite() { QVERIFY(std::isinf(leadingNumber(u"1e400"))); }
};

TESSALY_TEST_MAIN(TimeTextTest)
#include "TimeTextTest.moc"
