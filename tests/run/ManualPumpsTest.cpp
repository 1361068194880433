#include "tests/harness/RootFixture.h"

#include "run/ManualPumps.h"

class ManualPumpsTest : public QObject {
    Q_OBJECT
private slots:
    void levelFieldKeepsOneDigit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("12") << "12"
                            << "9";
        QTest::newRow("-3") << "-3"
                            << "3";
        QTest::newRow("-3.5") << "-3.5"
                              << "4";
        QTest::newRow("4.7") << "4.7"
                             << "4";
        QTest::newRow("letter") << "a"
                                << "0";
        QTest::newRow("empty") << ""
                               << "0";
    }
    void levelFieldKeepsOneDigit() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        RunFixture f;
        f.p().微泵速度[2]->setText(typed);
        QCOMPARE(f.p().微泵速度[2]->text(), shown);
    }

    void runAndStopChooseTheClipOfBothPumps() {
        RunFixture f;
        TessalyPanel& p = f.p();
        ManualPumps& pumps = f.pumps();
        p.微泵速度[1]->setText("4");
        p.微泵速度[2]->setText("9");
        QTest::mouseClick(p.Command3[1], Qt::LeftButton);
        QVERIFY(!p.Command3[1]->isEnabled() && p.Command4[1]->isEnabled());
        QVERIFY(!p.微泵速度[1]->isEnabled());
        QCOMPARE(p.Label27->text(), QString("40.mc"));
        pumps.Command3_Click(2);
        QCOMPARE(p.Label27->text(), QString("49.mc"));
        pumps.Command4_Click(1);
        QCOMPARE(p.Label27->text(), QString("09.mc"));
        QVERIFY(p.Command3[1]->isEnabled() && !p.Command4[1]->isEnabled());
        pumps.Command4_Click(2);
        QCOMPARE(pumps.instantClip, QString("00.mc"));
        QCOMPARE(f.player.requests, (QStringList{"40.mc", "49.mc", "09.mc", "00.mc"}));
    }

    void withoutASoundOutputThePumpsAndTheRunStayDisabled() {
        ManualClock clock;
        AppRoot root(clock, AppRoot::Sound::None);
        TessalyPanel& p = root.panel();
        QVERIFY(!p.启动程序[0]->isEnabled());
        QVERIFY(!p.Command3[1]->isEnabled());
        // A pump still counts as stopped: its own button is not what is disabled.
        root.manualPumps().确定即时文件名();
        QCOMPARE(p.Label27->text(), QString("00.mc"));
    }

    void exitPressesBothStopButtons() {
        RootFixture f;
        TessalyPanel& p = f.p();
        f.root.endProcess = [] {
        };
        f.root.manualPumps().Command3_Click(1);
        setCheckValue(p.Check2, 1);
        p.Timer1->start();
        f.root.exitSoftware();
        QVERIFY(!p.Timer1->isActive());
        QCOMPARE(f.player.requests, (QStringList{"00.mc", "00.mc", "00.mc"}));
        QCOMPARE(f.devices(), (std::array<int, 3>{0, 0, 0}));
    }
};

TESSALY_TEST_MAIN(ManualPumpsTest)
#include "ManualPumpsTest.moc"
