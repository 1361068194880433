// Both boards unplugged and plugged in again, hundreds of times, under a cycling run: each link
// follows every event, the relay board is told both boxes at each Connect, readings come back,
// and no descriptor is left behind.
#include "app/AppRoot.h"
#include "run/RunEngine.h"
#include "serial/DataWindow.h"
#include "serial/Frames.h"
#include "serial/PanelDeviceLinks.h"
#include "tests/harness/PtyPair.h"
#include "tests/harness/RunFixture.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace {

// A board behind a fixed path (a link) that can be unplugged and plugged in again, each time
// as a new pseudo-terminal, as a USB adapter comes back as a new device.
class PluggableBoard {
public:
    PluggableBoard(const QTemporaryDir& dir, const QString& name) : m_link(dir.filePath(name)) {}
    QString link() const { return m_link; }
    void plug() {
        m_pty = std::make_unique<PtyPair>();
        QFile::remove(m_link);
        QVERIFY(QFile::link(m_pty->path(), m_link));
    }
    void unplug() { m_pty.reset(); }
    PtyPair& pty() { return *m_pty; }

private:
    QString m_link;
    std::unique_ptr<PtyPair> m_pty;
};

int openDescriptors() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::NoDotAndDotDot | QDir::System)
                                .size());
}

// Runs the event loop until done() holds (QTRY's 50 ms steps would make the rounds slow).
bool waitFor(const std::function<bool()>& done, int timeoutMs = 2000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(1);
    }
    return true;
}

QByteArray relayFrame(int relay, bool closed) {
    return QByteArray::fromHex(closed ? "AA000100" : "AA000000")
        .replace(1, 1, QByteArray(1, char(relay)));
}

} // namespace

class PortFlappingTest : public QObject {
    Q_OBJECT
private slots:
    void unplugAndReplugBothBoardsUnderACyclingRun() {
        QTemporaryDir dir;
        PluggableBoard relayBoard(dir, QStringLiteral("relay"));
        PluggableBoard meter(dir, QStringLiteral("meter"));
        qputenv("TESSALY_VIRTUAL_PORTS",
                ("COM201=" + relayBoard.link() + ":Relay;COM202=" + meter.link() + ":Meter")
                    .toLocal8Bit());
        ManualClock clock;
        RecordingPlayer player;
        AppRoot root(clock, [&player]() -> ClipPlayer& { return player; });
        root.endProcess = [] {
        };
        root.Form_Load();
        TessalyPanel& p = root.panel();
        RecordingMessageBoxes& boxes = TestEnvironment::instance().messages();

        // Three one-second steps whose laser and vacuum flags change at every step.
        for (int i = 0; i < kStepCount; ++i) {
            RunFixture::setStep(p, i, 0, 0, 0, 0, 0);
        }
        RunFixture::setStep(p, 0, 0, 0, 1, 1, 0, 1, 0);
        RunFixture::setStep(p, 1, 0, 0, 1, 0, 1, 0, 1);
        RunFixture::setStep(p, 2, 0, 0, 1, 1, 1, 1, 1);
        p.Check7->setChecked(true);
        p.USBcheck->setChecked(true);

        // What the relay board was told of each relay at the last Connect.
        std::array<bool, 2> toldAtConnect{};
        const auto connectRelay = [&] {
            relayBoard.plug();
            QTest::mouseClick(p.显示串口, Qt::LeftButton);
            p.SelectPort[0]->setEditText(QStringLiteral("COM201->Relay"));
            QTest::mouseClick(p.Command1, Qt::LeftButton);
            QCOMPARE(p.Command1->text(), QString("Disconnect"));
            QVERIFY(p.Check2->isEnabled() && p.Check3->isEnabled());
            // Told both relays as the boxes stand, before anything else.
            QCOMPARE(relayBoard.pty().read(8),
                     relayFrame(1, p.Check2->isChecked()) + relayFrame(2, p.Check3->isChecked()));
            toldAtConnect = {p.Check2->isChecked(), p.Check3->isChecked()};
            QCOMPARE(p.Check2->text(), QString("Laser"));
        };
        const auto connectMeter = [&] {
            meter.plug();
            QTest::mouseClick(p.显示串口, Qt::LeftButton);
            p.SelectPort[1]->setEditText(QStringLiteral("COM202->Meter"));
            QTest::mouseClick(p.Command2, Qt::LeftButton);
            QCOMPARE(p.Command2->text(), QString("Disconnect"));
        };
        const auto tick = [&] {
            clock.advanceMs(500);
            root.runEngine().Timer1_Timer();
        };
        frames::RawFields raw;
        raw.voltage = 41234;
        const auto encoded = frames::encodeFrame(raw);
        const QByteArray frame(reinterpret_cast<const char*>(encoded.data()), encoded.size());

        connectRelay();
        connectMeter();
        root.runEngine().启动程序_Click(RunEngine::Start);
        int descriptors = -1;
        constexpr int kRounds = 200;
        for (int round = 0; round < kRounds && !QTest::currentTestFailed(); ++round) {
            if (round == 5) {
                descriptors = openDescriptors();
            }
            tick();
            relayBoard.unplug();
            QVERIFY(waitFor([&] { return p.Command1->text() == "Connect"; }));
            QVERIFY(!p.Check2->isEnabled() && !p.Image2[0]->isVisible() &&
                    !p.Image2[1]->isVisible());
            QVERIFY(!root.deviceLinks()->relayConnected());
            QVERIFY(root.deviceLinks()->relayLink() == PanelDeviceLinks::BoardLink::Lost);
            tick(); // the run goes on while the board is away
            connectRelay();
            QVERIFY(root.deviceLinks()->relayLink() == PanelDeviceLinks::BoardLink::Connected);

            meter.pty().write(frame);
            QVERIFY(waitFor([&] { return p.实时数据[0]->text() != "0"; }));
            const QString reading = p.实时数据[0]->text();
            meter.unplug();
            QVERIFY(waitFor([&] { return p.Command2->text() == "Connect"; }));
            // No reading now: the last one stays in sight, greyed, and nothing takes it as 0.
            QCOMPARE(p.实时数据[0]->text(), reading);
            QVERIFY(!p.实时数据[0]->isEnabled());
            QVERIFY(!root.measuringBoard().reading().has_value());
            QVERIFY(root.deviceLinks()->measuringLink() == PanelDeviceLinks::BoardLink::Lost);
            tick();
            connectMeter();
            meter.pty().write(frame);
            QVERIFY(waitFor([&] {
                return p.实时数据[0]->isEnabled() && p.实时数据[0]->text() == reading &&
                       root.measuringBoard().reading().has_value();
            }));
            // Every loss is said once, and nothing else.
            QVERIFY(waitFor([&] { return boxes.count() >= 2; }));
            QCOMPARE(boxes.count(), 2);
            boxes.clear();
        }
        QVERIFY(root.runEngine().stepIndex >= 0);
        QCOMPARE(openDescriptors(), descriptors);
        root.deviceLinks()->want({0, 1, 1}); // both on as the exit comes
        root.exitSoftware();
        // Both relays end open: the frames since the last Connect, the exit's last, leave each
        // relay's last word "open" (a relay already open needs none).
        std::array<bool, 2> closed = toldAtConnect;
        const QByteArray rest = relayBoard.pty().read(1 << 20, 1000);
        QCOMPARE(rest.size() % 4, 0);
        for (qsizetype i = 0; i + 4 <= rest.size(); i += 4) {
            const int relay = static_cast<unsigned char>(rest[i + 1]);
            QVERIFY(static_cast<unsigned char>(rest[i]) == 0xAA && (relay == 1 || relay == 2));
            closed[relay - 1] = rest[i + 2] != 0;
        }
        QVERIFY2(!closed[0] && !closed[1], rest.toHex(' ').constData());
        qunsetenv("TESSALY_VIRTUAL_PORTS");
    }
};

TESSALY_TEST_MAIN(PortFlappingTest)
#include "PortFlappingTest.moc"
