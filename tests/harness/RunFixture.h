#pragma once

#include "audio/ClipPlayer.h"
#include "base/CheckValue.h"
#include "base/Clock.h"
#include "base/Palette.h"
#include "panel/PanelViews.h"
#include "panel/TessalyPanel.h"
#include "program/ProgramEditor.h"
#include "run/ManualPumps.h"
#include "run/RunEngine.h"
#include "tests/harness/TestHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>

// Records every clip the program asks to hear.
class RecordingPlayer final : public ClipPlayer {
public:
    void 播放一个指定文件(const QString& name) override { requests << name; }
    QStringList requests;
};

// The run engine and the manual pumps on the views of a bare panel (controls only), with the
// program editor that gives them the table, a test clock and, unless another player is given,
// a recording player; and a way to step the run tick.
struct RunFixture {
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(18, 1, 55))};
    RecordingPlayer player;
    // What the run last said its step wants of the outputs, and the pumps' clip.
    OutputWishes outputs;
    PumpClip clip;
    std::unique_ptr<TessalyPanel> panel;
    std::unique_ptr<ProgramEditor> editor;
    std::unique_ptr<RunEngine> runEngine;
    std::unique_ptr<ManualPumps> manualPumps;

    explicit RunFixture(ClipPlayerProvider sound = {}) {
        if (!sound) {
            sound = [this]() -> ClipPlayer& {
                return player;
            };
        }
        panel = std::make_unique<TessalyPanel>();
        editor = std::make_unique<ProgramEditor>(*panel, clock);
        editor->wireStepControls();
        runEngine =
            std::make_unique<RunEngine>(*panel, *panel, *panel, clip, *editor, clock, sound);
        runEngine->wire();
        runEngine->onOutputs = [this](const OutputWishes& wishes) {
            outputs = wishes;
        };
        manualPumps = std::make_unique<ManualPumps>(*panel, clip, sound);
        manualPumps->wire();
    }

    TessalyPanel& p() { return *panel; }
    RunEngine& engine() { return *runEngine; }
    ManualPumps& pumps() { return *manualPumps; }

    // Sets step i: duration and levels as texts, and the three flags.
    static void setStep(TessalyPanel& panel, int i, int h, int m, int s, int left, int right,
                        int laser = 0, int vacuum = 0, int signal = 0) {
        panel.Text1[i]->setText(QString::number(h));
        panel.Text2[i]->setText(QString::number(m));
        panel.Text3[i]->setText(QString::number(s));
        panel.Text4[i]->setText(QString::number(left));
        panel.Text5[i]->setText(QString::number(right));
        setCheckValue(panel.Check4[i], laser);
        setCheckValue(panel.Check5[i], vacuum);
        setCheckValue(panel.Check6[i], signal);
    }
    void step(int i, int h, int m, int s, int left, int right, int laser = 0, int vacuum = 0,
              int signal = 0) {
        setStep(*panel, i, h, m, s, left, right, laser, vacuum, signal);
    }

    // Lets ms pass in run ticks of 500 ms, each tick run while the run timer is on.
    void run(qint64 ms) {
        for (qint64 t = 0; t < ms; t += 500) {
            clock.advanceMs(500);
            if (panel->Timer1->isActive()) {
                engine().Timer1_Timer();
            }
            if (panel->Timer2->isActive()) {
                engine().Timer2_Timer();
            }
        }
    }

    void press(int command) { engine().启动程序_Click(command); }

    int colour(int i) const { return paletteBackground(panel->Label1[i]); }

    // What the run last said its step wants: signal, laser, vacuum pump.
    std::array<int, 3> devices() const { return {outputs.signal, outputs.laser, outputs.vacuum}; }
};
