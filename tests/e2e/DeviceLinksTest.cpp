// The main panel drives the simulated boards: connect both from the panel alone, run a program
// that switches the laser, read the live values, and leave no relay closed on the way out.
#include "app/AppRoot.h"
#include "app/TerminationSignals.h"
#include "run/RunEngine.h"
#include "run/RunRecorder.h"
#include "serial/DataWindow.h"
#include "serial/RelayBoard.h"
#include "serial/RelayPanel.h"
#include "tests/harness/BoardSimulator.h"
#include "tests/harness/ConnectBoards.h"
#include "tests/harness/RunFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <csignal>

namespace {

struct ConnectedRig {
    ManualClock clock;
    RecordingPlayer player;
    // The recording player, or the real player window when soundWindow is set.
    std::unique_ptr<AppRoot> rootPtr;
    AppRoot& root;
    int processEnds = 0;

    explicit ConnectedRig(bool soundWindow = false)
        : rootPtr(soundWindow ? std::make_unique<AppRoot>(clock, AppRoot::Sound::PlayerWindow)
                              : std::make_unique<AppRoot>(
                                    clock, [this]() -> ClipPlayer& { return player; })),
          root(*rootPtr) {}

    TessalyPanel& p() { return root.panel(); }

    // Start-up, then what the operator does: tick the master switch, refresh, choose the two
    // simulated boards and connect them.
    void connect() {
        root.endProcess = [this] {
            ++processEnds;
        };
        root.Form_Load();
        connectSimulatedBoards(p());
    }
};

// Waits until the simulator has printed every one of lines, in this order.
void expectRelayLines(BoardSimulator& sim, const QStringList& lines) {
    QTRY_COMPARE_WITH_TIMEOUT(sim.laterLines(), lines, 5000);
}

} // namespace

class DeviceLinksTest : public QObject {
    Q_OBJECT
private slots:
    void programStepsSwitchTheLaserAndReadingsArrive() {
        BoardSimulator sim;
        QVERIFY(sim.running());
        ConnectedRig rig;
        rig.connect();
        if (QTest::currentTestFailed()) {
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(rig.p().实时数据[0]->text() != QLatin1String("0"), 5000);

        for (int i = 0; i < kStepCount; ++i) {
            RunFixture::setStep(rig.p(), i, 0, 0, 0, 0, 0);
        }
        RunFixture::setStep(rig.p(), 0, 0, 0, 2, 1, 1, 1);
        RunFixture::setStep(rig.p(), 1, 0, 0, 2, 2, 1, 0);
        RunEngine& engine = rig.root.runEngine();
        rig.root.recorder().setEnabled(true);
        // The run tells the links what its steps want: nothing listens to the boxes' changes.
        for (QCheckBox* box : {rig.p().Check1, rig.p().Check2, rig.p().Check3}) {
            QObject::disconnect(box, &QCheckBox::stateChanged, nullptr, nullptr);
            QObject::disconnect(box, &QAbstractButton::toggled, nullptr, nullptr);
        }
        engine.启动程序_Click(RunEngine::Start);
        expectRelayLines(sim, {"relay 1 closed (laser on)"});
        // The boards connected before the start are listed once among the recent events.
        QStringList recent;
        for (const QStringList& e : rig.root.recorder().recentEvents()) {
            recent << e.last();
        }
        QCOMPARE(recent.count("relay board connected on COM201"), 1);
        QCOMPARE(recent.count("measuring board connected on COM202"), 1);
        QVERIFY(!rig.p().Image2[0]->isVisibleTo(&rig.p()) &&
                rig.p().Image2[1]->isVisibleTo(&rig.p()));
        for (int k = 0; k < 8 && engine.stepIndex == 0; ++k) {
            rig.clock.advanceMs(500);
            engine.Timer1_Timer();
        }
        QCOMPARE(engine.stepIndex, 1);
        expectRelayLines(sim, {"relay 1 closed (laser on)", "relay 1 opened (laser off)"});

        // The run record has what the boards were told, in order.
        QFile record(rig.root.recorder().recordPath());
        QVERIFY(record.open(QIODevice::ReadOnly));
        QStringList devices;
        for (const QString& line : QString::fromUtf8(record.readAll()).split('\n')) {
            const QStringList cells = line.split('\t');
            if (cells.size() > 3 && (cells[3] == "relay" || cells[3] == "board")) {
                devices << cells.last();
            }
        }
        QCOMPARE(devices, (QStringList{"relay board connected on COM201",
                                       "measuring board connected on COM202", "1 close sent",
                                       "1 open sent"}));
    }

    void everyWayOffOpensBothRelaysBeforeThePortsClose() {
        for (const char* way : {"exit", "SIGTERM", "master switch"}) {
            BoardSimulator sim;
            QVERIFY(sim.running());
            ConnectedRig rig;
            rig.connect();
            if (QTest::currentTestFailed()) {
                return;
            }
            rig.p().Check2->click();
            rig.p().Check3->click();
            expectRelayLines(sim, {"relay 1 closed (laser on)", "relay 2 closed (vacuum pump on)"});
            if (QByteArray(way) == "exit") {
                rig.root.exitSoftware();
                QCOMPARE(rig.processEnds, 1);
                QVERIFY(rig.root.relayPanel() == nullptr);
            } else if (QByteArray(way) == "SIGTERM") {
                // Wired as the program's entry point wires it.
                const TerminationSignals termination([&rig](int) { rig.root.exitSoftware(); });
                QVERIFY(std::raise(SIGTERM) == 0);
                QTRY_COMPARE(rig.processEnds, 1);
                QVERIFY(rig.root.relayPanel() == nullptr);
            } else {
                rig.p().USBcheck->setChecked(false);
                QVERIFY(!rig.root.relayBoard().isConnected());
                QVERIFY(!rig.p().Check2->isChecked() && !rig.p().Check2->isEnabled());
                QCOMPARE(rig.p().Command1->text(), QString("Connect"));
            }
            expectRelayLines(sim,
                             {"relay 1 closed (laser on)", "relay 2 closed (vacuum pump on)",
                              "relay 1 opened (laser off)", "relay 2 opened (vacuum pump off)"});
        }
    }

    // An exit can start inside the data window's own receive handler (a signal or a box handled
    // while it lets events run): the window and its port are deleted only after it returns.
    void anExitInsideTheReceiveHandlerDeletesNothingUnderIt() {
        BoardSimulator sim;
        QVERIFY(sim.running());
        ConnectedRig rig;
        rig.connect();
        if (QTest::currentTestFailed()) {
            return;
        }
        const QPointer<数据采集窗口> window = rig.root.dataWindow();
        // Shown, so that the handler writes its fields.
        window->show();
        bool exited = false;
        // The first reading the handler writes exits, with the rest of the frame still to show.
        QObject::connect(window->Text2[0], &QLineEdit::textChanged, window, [&] {
            if (!exited) {
                exited = true;
                rig.root.exitSoftware();
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(exited, 5000);
        QCOMPARE(rig.processEnds, 1);
        QVERIFY(rig.root.dataWindow() == nullptr);
        QTRY_VERIFY(window.isNull());
    }

    // No usable sound output: the exit's first Stop press sets up the player, which fails and
    // ends the program, but only after the relays were opened and the ports closed.
    void anAudioFailureAtExitEndsOnlyAfterTheRelaysOpen() {
        BoardSimulator sim;
        QVERIFY(sim.running());
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        ConnectedRig rig(true);
        rig.connect();
        if (QTest::currentTestFailed()) {
            return;
        }
        rig.p().Check2->click();
        expectRelayLines(sim, {"relay 1 closed (laser on)"});
        rig.root.exitSoftware();
        qputenv("SDL_AUDIODRIVER", "dummy");
        QCOMPARE(rig.processEnds, 1);
        QCOMPARE(rig.root.exitCode(), 1);
        QVERIFY(TestEnvironment::instance().messages().last().text.startsWith(
            "Couldn't Initialize Digital Output"));
        QVERIFY(rig.root.relayPanel() == nullptr);
        expectRelayLines(sim, {"relay 1 closed (laser on)", "relay 1 opened (laser off)"});
    }

    // The simulator killed mid-run stands for an unplugged adapter.
    void aBoardThatDisappearsIsNoticedAndTheRunGoesOn() {
        auto sim = std::make_unique<BoardSimulator>();
        QVERIFY(sim->running());
        ConnectedRig rig;
        rig.connect();
        if (QTest::currentTestFailed()) {
            return;
        }
        RecordingMessageBoxes& boxes = TestEnvironment::instance().messages();
        boxes.clear();
        RunFixture::setStep(rig.p(), 0, 0, 0, 2, 1, 1, 1);
        RunFixture::setStep(rig.p(), 1, 0, 0, 2, 2, 1, 0);
        RunEngine& engine = rig.root.runEngine();
        engine.启动程序_Click(RunEngine::Start);
        QVERIFY(rig.p().Image2[1]->isVisibleTo(&rig.p()));

        sim.reset();
        QTRY_COMPARE_WITH_TIMEOUT(rig.p().Command1->text(), QString("Connect"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.p().Command2->text(), QString("Connect"), 5000);
        QCOMPARE(boxes.count(), 2);
        QVERIFY(boxes.shown()[0].text.contains("COM20"));
        // The box keeps what the step wants, for the board to be told at the next Connect.
        QVERIFY(rig.p().Check2->isChecked() && !rig.p().Check2->isEnabled());
        QCOMPARE(rig.p().Check2->text(), QString("Laser - not switched"));
        QVERIFY(!rig.p().Image2[0]->isVisibleTo(&rig.p()) &&
                !rig.p().Image2[1]->isVisibleTo(&rig.p()));
        for (int k = 0; k < 8 && engine.stepIndex == 0; ++k) {
            rig.clock.advanceMs(500);
            engine.Timer1_Timer();
        }
        QCOMPARE(engine.stepIndex, 1);
        QCOMPARE(boxes.count(), 2);

        BoardSimulator back;
        QVERIFY(back.running());
        QTest::mouseClick(rig.p().显示串口, Qt::LeftButton);
        rig.p().SelectPort[0]->setEditText(BoardSimulator::relayEntry());
        QTest::mouseClick(rig.p().Command1, Qt::LeftButton);
        QCOMPARE(rig.p().Command1->text(), QString("Disconnect"));
        rig.p().Check2->click();
        expectRelayLines(back, {"relay 1 closed (laser on)"});
    }
};

TESSALY_TEST_MAIN(DeviceLinksTest)
#include "DeviceLinksTest.moc"
