// Renders the pictures of the help files: the main panel as an operator sees it in the middle
// of a run of the sample program Demo_0.TSY, with both boards connected, and close-ups of its
// step table, history charts and device frames.
//
//   helpshots OUTPUT_FOLDER SAMPLE_PROGRAM
//
// Runs offscreen with a fixed home folder, date, locale and style, so the same sources give the
// same pictures on every build machine.

#include "base/Clock.h"
#include "base/Palette.h"
#include "base/Paths.h"
#include "base/TimeText.h"
#include "panel/MainPanelControls.h"
#include "panel/PanelViews.h"
#include "panel/TessalyPanel.h"
#include "program/ProgramEditor.h"
#include "program/ProgramFile.h"
#include "run/ChartData.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QStyleFactory>
#include <cmath>
#include <cstdio>

namespace {

// The moment of the pictured run: started at 09:30:00, 100 seconds in (step 05 of Demo_0).
const QDateTime kRunStart(QDate(2026, 3, 16), QTime(9, 30, 0));
constexpr int kElapsedSeconds = 100;
constexpr int kTicks = 2 * kElapsedSeconds; // one chart sample per 500 ms run tick

struct Readings {
    double voltage;
    double dPlus;
};

// A plausible measuring board: a supply near 5 V and a D+ line that drifts a little.
Readings readingsAt(int tick) {
    return {5002.0 + 3.5 * std::sin(tick / 9.0), 612.0 + 40.0 * std::sin(tick / 23.0)};
}

// The step that runs at elapsed seconds, as the run engine finds it (a step ends when the
// elapsed time is strictly greater than its end time); kStepCount after the last.
int stepAt(const ProgramTable& table, int elapsed) {
    int i = 0;
    while (i < kStepCount && elapsed > table.endSeconds[i]) {
        ++i;
    }
    return i;
}

// A micropump started by hand at level (its "Run" pressed), or stopped again when level is
// empty; the clip label shows the clip both pumps then play.
void showManualPump(MainPanelControls& c, int pump, const QString& level) {
    const bool running = !level.isEmpty();
    c.微泵速度[pump]->setText(running ? level : QStringLiteral("0"));
    c.微泵速度[pump]->setEnabled(!running);
    c.Command3[pump]->setEnabled(!running);
    c.Command4[pump]->setEnabled(running);
    const QString left = pump == 1 && running ? level : QStringLiteral("0");
    const QString right = pump == 2 && running ? level : QStringLiteral("0");
    c.Label27->setText(left + right + QStringLiteral(".mc"));
}

// The run's state on the panel: step colours, buttons, times and the current clip.
void showRun(MainPanelControls& c, const ProgramTable& table, int step) {
    for (int i = 0; i < kStepCount; ++i) {
        setPaletteBackground(c.Label1[i], i < step ? 10 : (i == step ? 14 : 7));
    }
    c.启动程序[0]->setEnabled(false);
    c.启动程序[1]->setEnabled(true);
    c.启动程序[2]->setEnabled(false);
    c.启动程序[3]->setEnabled(true);
    c.当前状态->setText(QStringLiteral("Running"));
    const double start = daysFromDateTime(kRunStart);
    c.Label18[0]->setText(TimeStampText(start));
    c.Label18[1]->setText(TimeStampText(start));
    c.Label18[2]->setText(DaysToDhms(kElapsedSeconds / 86400.0));
    c.Label22[41]->setText(SecondsToHms(kElapsedSeconds));
    c.Label27->setText(table.clipName[step]);
    for (int k = 1; k <= 2; ++k) {
        c.微泵速度[k]->setEnabled(false);
        c.Command3[k]->hide();
        c.Command4[k]->hide();
    }
    c.Label29->setText(QStringLiteral("∑working =36:17:00"));
}

// Both boards connected, the outputs as the current step set them, live readings.
void showDevices(MainPanelControls& c, const StepTableView& steps, int step) {
    c.USBcheck->setChecked(true);
    const QString ports[2] = {QStringLiteral("COM33->USB Serial Port (COM33)"),
                              QStringLiteral("COM34->USB Serial Port (COM34)")};
    for (int k = 0; k < 2; ++k) {
        c.SelectPort[k]->setEnabled(true);
        c.SelectPort[k]->setEditText(ports[k]);
    }
    for (QPushButton* b : {c.Command1, c.Command2}) {
        b->setEnabled(true);
        b->setText(QStringLiteral("Disconnect"));
    }
    const auto output = [](QCheckBox* box, std::array<QLabel*, 2>& pair, bool on) {
        box->setEnabled(true);
        box->setChecked(on);
        pair[0]->setVisible(!on);
        pair[1]->setVisible(on);
    };
    output(c.Check2, c.Image2, steps.Check4[step]->isChecked());
    output(c.Check3, c.Image3, steps.Check5[step]->isChecked());
    output(c.Check1, c.Image1, steps.Check6[step]->isChecked());
    const Readings r = readingsAt(kTicks);
    const QString values[7] = {QString::number(r.voltage, 'f', 1),
                               QStringLiteral("152.4"),
                               QStringLiteral("12.7"),
                               QStringLiteral("63.5"),
                               QStringLiteral("3605"),
                               QString::number(std::round(r.dPlus)),
                               QStringLiteral("598")};
    for (int k = 0; k < 7; ++k) {
        c.实时数据[k]->setText(values[k]);
    }
}

// The history of the run so far, sampled as the run tick samples it.
void drawCharts(MainPanelControls& c, const ProgramTable& table, const StepTableView& steps) {
    c.Text6[0]->setText(QStringLiteral("0"));
    c.Text6[1]->setText(QStringLiteral("1000"));
    ChartData data;
    for (int tick = 1; tick <= kTicks; ++tick) {
        const int step = std::min(stepAt(table, tick / 2), kStepCount - 1);
        const Readings r = readingsAt(tick);
        data.图数据右移及新数据获取(
            {float(steps.Check4[step]->isChecked()), float(steps.Check5[step]->isChecked()),
             float(steps.Check6[step]->isChecked()), float(table.leftLevel[step]),
             float(table.rightLevel[step]), float(r.dPlus), float(r.voltage)});
    }
    std::array<QImage, 2> images;
    for (int k = 0; k < 2; ++k) {
        images[k] = QImage(c.Picture1[k]->contentsRect().size(), QImage::Format_RGB32);
    }
    数据绘图(data, {0.0F, 100.0F}, images[0], images[1]);
    for (int k = 0; k < 2; ++k) {
        c.Picture1[k]->setPixmap(QPixmap::fromImage(images[k]));
    }
}

bool save(const QPixmap& picture, const QString& path) {
    if (!picture.save(path, "PNG")) {
        std::fprintf(stderr, "helpshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: helpshots OUTPUT_FOLDER SAMPLE_PROGRAM\n");
        return 2;
    }
    // The same picture on every machine: no display, a fixed home folder for the paths the
    // panel shows, one style and one locale.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("HOME", "/home/operator");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QString outFolder = QString::fromLocal8Bit(argv[1]);
    const QString sample = QString::fromLocal8Bit(argv[2]);

    const ParsedProgram parsed = readProgramFile(sample);
    if (!parsed.steps) {
        std::fprintf(stderr, "helpshots: %s\n", qPrintable(parsed.error.message(sample)));
        return 1;
    }

    TessalyPanel panel;
    界面扁平化(panel);
    const StepTableView& steps = panel;
    ManualClock clock(kRunStart.addSecs(-120));
    ProgramEditor editor(steps, clock);
    editor.wireStepControls();
    editor.applySteps(*parsed.steps);
    editor.setProgramPath(workingFolder() + QFileInfo(sample).fileName());
    panel.Label26->setText(QStringLiteral("Loading Time: ") + GeneralDateText(clock.now()));

    panel.show();
    setMainPanelSize(panel);
    QApplication::processEvents();
    // No text cursor in the pictures.
    if (QWidget* focused = QApplication::focusWidget()) {
        focused->clearFocus();
    }

    QDir().mkpath(outFolder);
    const QDir out(outFolder);
    // Before the run: the left micropump running by hand at level 5.
    showManualPump(panel, 1, QStringLiteral("5"));
    QApplication::processEvents();
    if (!save(panel.声控设备->grab(), out.filePath(QStringLiteral("commands.png")))) {
        return 1;
    }
    showManualPump(panel, 1, {});

    const ProgramTable& table = editor.table();
    const int step = stepAt(table, kElapsedSeconds);
    showRun(panel, table, step);
    showDevices(panel, steps, step);
    drawCharts(panel, table, steps);
    QApplication::processEvents();

    // The first ten rows of the left group, with their column headers and end times.
    const QRect rows = panel.Label1[0]->geometry().united(panel.Label22[9]->geometry());
    const QRect header(rows.left(), panel.Label26->geometry().bottom() + 2, rows.width(),
                       rows.bottom() - panel.Label26->geometry().bottom() + 2);
    const bool ok = save(panel.grab(), out.filePath(QStringLiteral("main-panel.png"))) &&
                    save(panel.微泵程序->grab(header.adjusted(-4, 0, 4, 1)),
                         out.filePath(QStringLiteral("step-rows.png"))) &&
                    save(panel.Frame1->grab(), out.filePath(QStringLiteral("charts.png"))) &&
                    save(panel.串口设备汇总->grab(), out.filePath(QStringLiteral("devices.png")));
    return ok ? 0 : 1;
}
