#include "tests/harness/RunFixture.h"

#include "base/TimeText.h"

class RunEngineTest : public QObject {
    Q_OBJECT
private slots:
    void commandsSetButtonsFieldsTimersAndState() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 0, 1, 0, 3, 4);
        const auto enabled = [&p] {
            QString s;
            for (QPushButton* b : p.启动程序) {
                s += b->isEnabled() ? '1' : '0';
            }
            return s + (p.微泵速度[1]->isEnabled() ? "E" : "D") +
                   (p.Command3[1]->isVisible() || p.Command3[1]->isHidden() ? "" : "") +
                   (p.Command3[1]->isHidden() ? "h" : "s");
        };
        QCOMPARE(enabled(), QString("1000Es"));
        f.press(RunEngine::Start);
        QCOMPARE(enabled(), QString("0101Dh"));
        QVERIFY(p.Timer1->isActive());
        QCOMPARE(p.当前状态->text(), QString("Running"));
        f.press(RunEngine::Pause);
        QCOMPARE(enabled(), QString("0011Eh"));
        QVERIFY(!p.Timer1->isActive() && p.Timer2->isActive());
        QCOMPARE(p.当前状态->text(), QString("Pausing"));
        f.press(RunEngine::Contin);
        QCOMPARE(enabled(), QString("0101Dh"));
        QVERIFY(p.Timer1->isActive() && !p.Timer2->isActive());
        QCOMPARE(p.当前状态->text(), QString("Running"));
        p.微泵速度[1]->setText("5");
        f.press(RunEngine::Stopp);
        QCOMPARE(enabled(), QString("1000Es"));
        QVERIFY(!p.Timer1->isActive());
        QCOMPARE(p.微泵速度[1]->text(), QString("0"));
        QCOMPARE(p.当前状态->text(), QString("Stopped"));
    }

    void startPlaysStepZeroAndStampsTheStart() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 0, 0, 10, 1, 2, 1, 0, 1);
        f.press(RunEngine::Start);
        QCOMPARE(f.player.requests, QStringList{"12.mc"});
        QCOMPARE(p.Label27->text(), QString("12.mc"));
        QCOMPARE(p.Label18[0]->text(), QString("18:01:55 Monday, Dec 7 2026"));
        QCOMPARE(p.Label18[1]->text(), p.Label18[0]->text());
        QCOMPARE(f.devices(), (std::array<int, 3>{1, 1, 0}));
        for (int i = 0; i < kStepCount; ++i) {
            QCOMPARE(f.colour(i), 7);
        }
    }

    void tenSecondStepEndsAtElevenSeconds() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.clock.advanceMs(300); // starting inside a second changes nothing
        f.step(0, 0, 0, 10, 1, 1);
        f.step(1, 0, 0, 10, 3, 4);
        f.press(RunEngine::Start);
        f.run(10500);
        QCOMPARE(f.engine().stepIndex, 0);
        QCOMPARE(p.Label22[41]->text(), QString("00:00:10"));
        QCOMPARE(f.player.requests, QStringList{"11.mc"});
        f.run(500);
        QCOMPARE(p.Label22[41]->text(), QString("00:00:11"));
        QCOMPARE(f.engine().stepIndex, 1);
        QCOMPARE(f.player.requests, (QStringList{"11.mc", "34.mc"}));
        QCOMPARE(p.Label27->text(), QString("34.mc"));
        QCOMPARE(f.colour(0), 10);
    }

    void currentStepBlinksThroughSevenColours() {
        RunFixture f;
        f.step(0, 0, 1, 0, 1, 1);
        f.press(RunEngine::Start);
        QList<int> seen;
        for (int k = 0; k < 8; ++k) {
            f.run(500);
            seen << f.colour(0);
        }
        // Every tick makes 40 passes over the unfinished step, each moving its colour on by one
        // of the seven: tick t shows 8 + (40 t - 1) mod 7.
        QCOMPARE(seen, (QList<int>{12, 10, 8, 13, 11, 9, 14, 12}));
        QCOMPARE(f.colour(1), 7);
    }

    void emptyStepsEndTogetherAndTheProgramStopsAtOnce() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 0, 0, 5, 1, 1);
        f.step(1, 0, 0, 5, 2, 2, 0, 1, 0);
        f.step(2, 0, 0, 5, 3, 3, 1, 0, 1);
        f.press(RunEngine::Start);
        f.run(15500);
        QCOMPARE(f.engine().stepIndex, 2);
        QCOMPARE(f.devices(), (std::array<int, 3>{1, 1, 0}));
        f.run(500);
        for (int i = 0; i < kStepCount; ++i) {
            QCOMPARE(f.colour(i), 10);
        }
        QCOMPARE(p.当前状态->text(), QString("Stopped"));
        QVERIFY(!p.Timer1->isActive());
        // The empty name of the end, with the devices of row 40 (all off), then the idle clip.
        QCOMPARE(f.player.requests, (QStringList{"11.mc", "22.mc", "33.mc", "", "00.mc"}));
        QCOMPARE(f.devices(), (std::array<int, 3>{0, 0, 0}));
        QVERIFY(p.Label27->text().isEmpty());
        QVERIFY(p.启动程序[0]->isEnabled());
    }

    void sameClipKeepsTheEarlierStepsDevices() {
        RunFixture f;
        f.step(0, 0, 0, 5, 2, 2, 1, 0, 0);
        f.step(1, 0, 0, 5, 2, 2, 0, 1, 1);
        f.press(RunEngine::Start);
        f.run(8000);
        QCOMPARE(f.engine().stepIndex, 1);
        QCOMPARE(f.devices(), (std::array<int, 3>{0, 1, 0}));
        QCOMPARE(f.player.requests, QStringList{"22.mc"});
    }

    void cycleStartsAgainWithGreyStepsAndANewCycleStamp() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 0, 0, 3, 4, 5);
        f.step(1, 0, 0, 3, 6, 7);
        p.Check7->setChecked(true);
        f.press(RunEngine::Start);
        const QString started = p.Label18[0]->text();
        f.run(7000);
        QCOMPARE(f.engine().stepIndex, 0);
        QCOMPARE(p.当前状态->text(), QString("Running"));
        QVERIFY(p.Timer1->isActive());
        QCOMPARE(f.colour(0), 7);
        QCOMPARE(p.Label18[0]->text(), started);
        QCOMPARE(p.Label18[1]->text(), QString("18:02:02 Monday, Dec 7 2026"));
        // The end hands over the empty name; step 0's clip follows at the next tick.
        QCOMPARE(f.player.requests, (QStringList{"45.mc", "67.mc", ""}));
        f.run(500);
        QCOMPARE(p.Label22[41]->text(), QString("00:00:00"));
        QCOMPARE(f.player.requests.last(), QString("45.mc"));
    }

    void pauseMovesTheStepBoundariesLater() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 0, 0, 10, 1, 1);
        f.step(1, 0, 0, 10, 2, 2);
        f.press(RunEngine::Start);
        f.run(4000);
        f.press(RunEngine::Pause);
        f.run(30000);
        QCOMPARE(p.Label22[42]->text(), QString("00:00:30"));
        QCOMPARE(p.Label22[41]->text(), QString("00:00:04"));
        QCOMPARE(p.Label18[1]->text(), QString("00:00:20")); // the program length
        f.press(RunEngine::Contin);
        f.run(500);
        QCOMPARE(p.Label22[41]->text(), QString("00:00:04"));
        f.run(6000);
        QCOMPARE(f.engine().stepIndex, 0);
        f.run(500);
        QCOMPARE(f.engine().stepIndex, 1);
        QCOMPARE(p.Label22[41]->text(), QString("00:00:11"));
    }

    // Whoever follows the run gets its state as a value, already current at each event.
    void theRunStateIsPublishedBeforeEachEvent() {
        RunFixture f;
        f.step(0, 0, 0, 3, 4, 5);
        f.step(1, 0, 0, 3, 6, 7);
        f.p().Check7->setChecked(true);
        QList<RunState> seen;
        RunState cycled;
        f.engine().onEvent = [&](RunEngine::Event e) {
            if (e == RunEngine::Event::StepBegan) {
                seen << f.engine().state();
            } else if (e == RunEngine::Event::CycleRestarted) {
                cycled = f.engine().state();
            }
        };
        QVERIFY(f.engine().state().phase == RunState::Phase::Stopped);
        f.press(RunEngine::Start);
        f.run(2000);
        RunState s = f.engine().state();
        QVERIFY(s.phase == RunState::Phase::Running);
        QCOMPARE(s.cycle, 1);
        QCOMPARE(s.step, 0);
        QCOMPARE(s.elapsedS, 2);
        QCOMPARE(s.stepRemainingS, 1);
        f.press(RunEngine::Pause);
        QVERIFY(f.engine().state().phase == RunState::Phase::Paused);
        f.run(5000);
        QCOMPARE(f.engine().state().elapsedS, 2);
        f.press(RunEngine::Contin);
        f.run(6000);
        s = f.engine().state();
        QCOMPARE(s.cycle, 2);
        QCOMPARE(s.step, 0);
        f.press(RunEngine::Stopp);
        QVERIFY(f.engine().state().phase == RunState::Phase::Stopped);
        QCOMPARE(seen[1].step, 1);
        QCOMPARE(seen[1].stepRemainingS, 2); // begun at 4 s, ends at 6 s
        QCOMPARE(cycled.cycle, 2);
        QCOMPARE(cycled.step, 0);
    }

    void stoppFromPausingKeepsThePauseCounterRunning() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 0, 1, 0, 1, 1);
        f.press(RunEngine::Start);
        f.press(RunEngine::Pause);
        f.run(3000);
        f.press(RunEngine::Stopp);
        QVERIFY(p.Timer2->isActive());
        f.run(2000);
        QCOMPARE(p.Label22[42]->text(), QString("00:00:05"));
    }

    void stoppMidStepPlaysTheIdleClipAndRestoresTheStepsDevices() {
        RunFixture f;
        TessalyPanel& p = f.p();
        for (int i = 0; i < 5; ++i) {
            f.step(i, 0, 0, 2, i, 1);
        }
        f.step(5, 0, 0, 30, 7, 7, 1, 0, 1);
        f.press(RunEngine::Start);
        f.run(15000);
        QCOMPARE(f.engine().stepIndex, 5);
        f.outputs = {}; // as if the operator had switched everything off by hand
        f.press(RunEngine::Stopp);
        QCOMPARE(f.player.requests.last(), QString("00.mc"));
        QCOMPARE(p.Label27->text(), QString("77.mc"));
        QCOMPARE(f.devices(), (std::array<int, 3>{1, 1, 0}));
    }

    void allZeroProgramEndsAfterOneSecond() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.press(RunEngine::Start);
        QCOMPARE(f.player.requests, QStringList{"00.mc"});
        f.run(500);
        QCOMPARE(p.当前状态->text(), QString("Running"));
        f.run(500);
        QCOMPARE(p.当前状态->text(), QString("Stopped"));
        QCOMPARE(f.player.requests, (QStringList{"00.mc", "", "00.mc"}));
    }

    void editsDuringARunTakeEffectAtTheNextTick() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 0, 1, 0, 1, 1);
        f.step(1, 0, 1, 0, 2, 2);
        f.press(RunEngine::Start);
        f.run(5000);
        p.Text5[0]->setText("6");
        QCOMPARE(f.player.requests, QStringList{"11.mc"});
        f.run(500);
        QCOMPARE(f.player.requests.last(), QString("16.mc"));
        p.Text2[0]->setText("0");
        p.Text3[0]->setText("3");
        f.run(500);
        QCOMPARE(f.engine().stepIndex, 1);
        QCOMPARE(f.player.requests.last(), QString("22.mc"));
    }

    void wallClockChangesDoNotMoveTheRun() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 0, 0, 20, 1, 1);
        f.step(1, 0, 0, 20, 2, 2);
        f.press(RunEngine::Start);
        f.run(10000);
        // Daylight saving ends: the wall clock goes back an hour.
        f.clock.setWallClock(f.clock.now().addSecs(-3600));
        f.run(5000);
        QCOMPARE(p.Label22[41]->text(), QString("00:00:15"));
        QCOMPARE(f.engine().stepIndex, 0);
        // And forward two hours: nothing is skipped.
        f.clock.setWallClock(f.clock.now().addSecs(7200));
        f.run(6000);
        QCOMPARE(p.Label22[41]->text(), QString("00:00:21"));
        QCOMPARE(f.engine().stepIndex, 1);
        // Time stamps shown to the operator follow the wall clock.
        p.Check7->setChecked(true);
        f.run(20000);
        QCOMPARE(p.Label18[1]->text(), TimeStampText(f.clock.nowDays()));
    }

    void longCyclesAndPausesKeepCountingHours() {
        RunFixture f;
        TessalyPanel& p = f.p();
        f.step(0, 12, 0, 0, 1, 1);
        f.step(1, 12, 0, 0, 2, 2);
        f.step(2, 12, 0, 0, 3, 3);
        f.press(RunEngine::Start);
        f.clock.advanceMs(25LL * 3600 * 1000);
        f.run(500);
        QCOMPARE(p.Label22[41]->text(), QString("25:00:00"));
        QCOMPARE(p.Label18[2]->text(), QString("1  01:00:00"));
        QCOMPARE(f.engine().stepIndex, 2);
        f.press(RunEngine::Pause);
        f.clock.advanceMs(30LL * 3600 * 1000 - 500);
        f.run(500);
        QCOMPARE(p.Label22[42]->text(), QString("30:00:00"));
    }

    // A message box shown inside a tick (a port error, a failed relay command) runs an event
    // loop in which the run timer fires again; that tick must not run inside the first.
    void aTickNeverRunsInsideAnotherOperation() {
        struct NestingPlayer final : ClipPlayer {
            std::function<void()> during;
            QStringList requests;
            void 播放一个指定文件(const QString& name) override {
                requests << name;
                if (during) {
                    during();
                }
            }
        } player;
        RunFixture f([&player]() -> ClipPlayer& { return player; });
        f.step(0, 0, 0, 2, 1, 1);
        f.step(1, 0, 0, 2, 2, 2);
        player.during = [&f] {
            f.clock.advanceMs(3000);
            f.engine().Timer1_Timer();
        };
        f.press(RunEngine::Start);
        QCOMPARE(player.requests, QStringList{"11.mc"});
        QCOMPARE(f.engine().stepIndex, 0);
        player.during = nullptr;
        f.run(500);
        QCOMPARE(f.engine().stepIndex, 1);
        QCOMPARE(player.requests, (QStringList{"11.mc", "22.mc"}));
    }
};

TESSALY_TEST_MAIN(RunEngineTest)
#include "RunEngineTest.moc"
