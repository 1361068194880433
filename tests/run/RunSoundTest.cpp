#include "tests/harness/RunFixture.h"

#include "audio/frmMemory.h"
#include "tests/harness/AudioTestSupport.h"

#include <cmath>
#include <span>

using namespace audiotest;

// A short program run through the real player and audio library, checked from what the sound
// card would have played (SDL's disk driver).
class RunSoundTest : public QObject {
    Q_OBJECT
private:
    // The output from 4096 frames after the mark, once 8192 more have been written: far enough
    // behind the switch that no buffer of the clip before is left in it.
    static std::vector<std::int16_t> heardAfter(const DiskCapture& capture, std::size_t mark) {
        constexpr std::size_t kSkip = 4096;
        constexpr std::size_t kSpan = 8192;
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(capture.frames() >= mark + kSkip + kSpan, 20000);
        }();
        const std::vector<std::int16_t> all = capture.samples();
        return {all.begin() + static_cast<std::ptrdiff_t>(2 * (mark + kSkip)),
                all.begin() + static_cast<std::ptrdiff_t>(2 * (mark + kSkip + kSpan))};
    }

    static void verifyTones(const std::vector<std::int16_t>& heard, double left, double right) {
        const std::span<const std::int16_t> s(heard);
        const std::size_t n = frameCount(heard);
        for (int side = 0; side < 2; ++side) {
            const double hz = side == 0 ? left : right;
            if (hz == 0) {
                QCOMPARE(peak(s, side, 0, n), 0);
            } else {
                const double measured = toneHz(s, side, 0, n);
                QVERIFY2(std::abs(measured - hz) < 3, qPrintable(QString::number(measured)));
            }
        }
    }

    // Waits until the player has taken the request and its new channel plays.
    static std::size_t settled(frmMemory& player, const DiskCapture& capture) {
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(!player.busy(), 20000);
            QTRY_VERIFY_WITH_TIMEOUT(player.tmrBASS->isActive(), 20000);
        }();
        return capture.frames();
    }

private slots:
    void eachStepIsHeardThenSilenceAfterStopp() {
        DiskCapture capture(QStringLiteral("run-sound"));
        frmMemory player;
        RunFixture f([&player]() -> ClipPlayer& { return player; });
        ManualClock& clock = f.clock;
        TessalyPanel& panel = f.p();
        RunFixture::setStep(panel, 0, 0, 0, 2, 3, 7);
        RunFixture::setStep(panel, 1, 0, 0, 2, 9, 0);
        RunEngine& engine = f.engine();

        engine.启动程序_Click(RunEngine::Start);
        verifyTones(heardAfter(capture, settled(player, capture)), 300, 700);
        if (QTest::currentTestFailed()) {
            return;
        }

        const auto tickUntil = [&](auto done) {
            for (int k = 0; k < 40 && !done(); ++k) {
                clock.advanceMs(500);
                engine.Timer1_Timer();
            }
        };
        tickUntil([&] { return engine.stepIndex == 1; });
        QCOMPARE(engine.currentClip, QString("90.mc"));
        verifyTones(heardAfter(capture, settled(player, capture)), 900, 0);
        if (QTest::currentTestFailed()) {
            return;
        }

        tickUntil([&] { return panel.当前状态->text() == QLatin1String("Stopped"); });
        QCOMPARE(panel.当前状态->text(), QString("Stopped"));
        QCOMPARE(engine.currentClip, QString("00.mc"));
        verifyTones(heardAfter(capture, settled(player, capture)), 0, 0);
    }

    // Stop pressed on both pumps in quick succession: the second request comes while the
    // first loads, and still it is what is heard, so no pump runs while its panel says stopped.
    void bothPumpsStoppedInQuickSuccessionFallSilent() {
        DiskCapture capture(QStringLiteral("pumps-stop"));
        frmMemory player;
        RunFixture f([&player]() -> ClipPlayer& { return player; });
        f.p().微泵速度[1]->setText("3");
        f.p().微泵速度[2]->setText("7");
        f.pumps().Command3_Click(1);
        f.pumps().Command3_Click(2);
        QTRY_COMPARE_WITH_TIMEOUT(player.cmd.FileName, QString("37.mc"), 20000);
        verifyTones(heardAfter(capture, settled(player, capture)), 300, 700);
        f.pumps().Command4_Click(1);
        f.pumps().Command4_Click(2);
        QTRY_COMPARE_WITH_TIMEOUT(player.cmd.FileName, QString("00.mc"), 20000);
        verifyTones(heardAfter(capture, settled(player, capture)), 0, 0);
    }
};

TESSALY_TEST_MAIN(RunSoundTest)
#include "RunSoundTest.moc"
