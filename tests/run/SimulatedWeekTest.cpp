#include "tests/harness/RunFixture.h"

#include "audio/frmMemory.h"
#include "tests/harness/AudioTestSupport.h"

#include <QDir>
#include <QFile>

namespace {

// Resident memory in kilobytes.
qint64 residentKb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4 : -1;
}

qsizetype openDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

} // namespace

// A 40-step program cycling for seven days on the test clock, through the real run engine and
// a real player: no drift, no step out of order, the devices right at every step, and nothing
// that grows once the first cycle is done.
class SimulatedWeekTest : public QObject {
    Q_OBJECT
private slots:
    void aWeekOfCyclesKeepsTimeOrderAndMemory() {
        frmMemory player;
        RunFixture f([&player]() -> ClipPlayer& { return player; });
        for (int i = 0; i < kStepCount; ++i) {
            f.step(i, 0, 1, 30, i % 10, (i / 10 + i) % 10, i % 2, (i / 2) % 2, (i / 3) % 2);
        }
        f.p().Check7->setChecked(true);
        const qint32 length = f.editor->table().endSeconds[kStepCount];
        QCOMPARE(length, 40 * 90);

        QList<qint64> cycleStarts;
        int expectedStep = 0;
        int outOfOrder = 0;
        RunEngine& engine = f.engine();
        engine.onEvent = [&](RunEngine::Event e) {
            if (e == RunEngine::Event::CycleRestarted) {
                cycleStarts << engine.runSeconds();
                expectedStep = 0;
            } else if (e == RunEngine::Event::StepBegan) {
                outOfOrder += engine.stepIndex == expectedStep ? 0 : 1;
                expectedStep = engine.stepIndex + 1;
            }
        };
        f.press(RunEngine::Start);

        constexpr qint64 kWeek = 7 * 86400;
        // Ticks ten seconds apart keep a week within seconds of real time; the steps last 90 s.
        constexpr qint64 kTick = 10;
        int wrongDevices = 0;
        int lastStep = 0;
        qint64 memoryAfterFirstCycle = 0;
        qsizetype descriptorsAfterFirstCycle = 0;
        for (qint64 second = kTick; second <= kWeek; second += kTick) {
            f.clock.advanceMs(kTick * 1000);
            engine.Timer1_Timer();
            if (engine.stepIndex != lastStep) {
                lastStep = engine.stepIndex;
                const int i = lastStep;
                const std::array<int, 3> wanted{(i / 3) % 2, i % 2, (i / 2) % 2};
                wrongDevices += f.devices() == wanted ? 0 : 1;
                // Let the player's loader hand over, as the window's event loop would.
                QCoreApplication::processEvents();
            }
            if (cycleStarts.size() == 1 && memoryAfterFirstCycle == 0) {
                QTRY_VERIFY(!player.busy());
                memoryAfterFirstCycle = residentKb();
                descriptorsAfterFirstCycle = openDescriptors();
            }
        }
        QTRY_VERIFY(!player.busy());
        QCoreApplication::processEvents();

        // A cycle ends at the first tick past the program length, the same every time.
        const qint64 period = (length + 1 + kTick - 1) / kTick * kTick;
        QVERIFY(cycleStarts.size() >= 160);
        QCOMPARE(cycleStarts.first(), period);
        for (int k = 1; k < cycleStarts.size(); ++k) {
            QCOMPARE(cycleStarts[k] - cycleStarts[k - 1], period);
        }
        QCOMPARE(outOfOrder, 0);
        QCOMPARE(wrongDevices, 0);
        const qint64 growthKb = residentKb() - memoryAfterFirstCycle;
        qInfo("%lld cycles; after the first: memory grew by %lld kB, descriptors by %lld",
              static_cast<long long>(cycleStarts.size()), static_cast<long long>(growthKb),
              static_cast<long long>(openDescriptors() - descriptorsAfterFirstCycle));
        QCOMPARE(openDescriptors(), descriptorsAfterFirstCycle);
#ifndef __SANITIZE_ADDRESS__
        // (AddressSanitizer holds freed memory back on purpose, so there only the figure counts.)
        QVERIFY2(growthKb < 4096, qPrintable(QString::number(growthKb)));
#endif
    }
};

TESSALY_TEST_MAIN(SimulatedWeekTest)
#include "SimulatedWeekTest.moc"
