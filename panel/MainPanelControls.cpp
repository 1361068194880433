#include "panel/MainPanelControls.h"

#include "base/Palette.h"
#include "base/Paths.h"
#include "base/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <vector>

namespace {

QString twoDigitRow(int i) {
    return QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
}

// Menu captions show an ampersand only when it is doubled.
QString menuText(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

template <typename W> W* place(W* widget, const QString& name, const QRect& rect) {
    widget->setObjectName(name);
    widget->setGeometry(rect);
    return widget;
}

// Widgets that repaint often (readings, a field's blinking cursor) are made opaque, so that a
// repaint covers them alone and not the frame beneath, whose border and title cost more than
// they do. Each is filled with the frame's own inside at its place, read off the frame once,
// so it looks just as it would see-through.
void fillWithFrameInside(QWidget* frame, QWidget* central, std::vector<QWidget*> widgets) {
    frame->ensurePolished();
    QImage inside(frame->size(), QImage::Format_ARGB32_Premultiplied);
    inside.fill(central->palette().color(QPalette::Window));
    frame->render(&inside, QPoint(), QRegion(), QWidget::RenderFlags());
    for (QWidget* w : widgets) {
        QPalette filled = w->palette();
        filled.setColor(QPalette::Window, inside.pixelColor(w->geometry().center()));
        w->setPalette(filled);
        w->setBackgroundRole(QPalette::Window);
        w->setAutoFillBackground(true);
    }
}

QLabel* label(QWidget* parent, const QString& text, const QString& name, const QRect& rect) {
    return place(new QLabel(text, parent), name, rect);
}

QPushButton* button(QWidget* parent, const QString& text, const QString& name, const QRect& rect) {
    return place(new QPushButton(text, parent), name, rect);
}

// One of an indicator pair: red for off (index 0), green for on (index 1).
QLabel* indicator(QWidget* parent, const QString& name, bool on, const QRect& rect) {
    QPixmap picture(rect.size());
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(on ? QColor(0, 255, 0) : QColor(255, 0, 0));
    painter.setPen(Qt::darkGray);
    painter.drawEllipse(picture.rect().adjusted(1, 1, -2, -2));
    painter.end();
    QLabel* image = place(new QLabel(parent), name, rect);
    image->setPixmap(picture);
    image->setAccessibleName(on ? QStringLiteral("On") : QStringLiteral("Off"));
    image->hide();
    return image;
}

void buildMenu(QMainWindow& window, MainPanelControls& c) {
    QMenuBar* bar = window.menuBar();
    const auto action = [](QAction* a, const char* name) {
        a->setObjectName(QString::fromUtf8(name));
        return a;
    };
    c.mnuFile = bar->addMenu(QStringLiteral("&File"));
    c.mnuFile->setObjectName(QStringLiteral("mnuFile"));
    c.mnu调入程序 = action(c.mnuFile->addAction(QStringLiteral("Load")), "mnu调入程序");
    c.mnu保存程序 = action(c.mnuFile->addAction(QStringLiteral("Save")), "mnu保存程序");
    c.mnu将程序另存为 = action(c.mnuFile->addAction(QStringLiteral("Save as")), "mnu将程序另存为");
    c.Save_as_MP3 = action(c.mnuFile->addAction(QStringLiteral("Save as MP3")), "Save_as_MP3");
    c.mnuRecordRuns = action(c.mnuFile->addAction(QStringLiteral("Record runs")), "mnuRecordRuns");
    c.mnuRecordRuns->setCheckable(true);
    c.mnuShareStatus =
        action(c.mnuFile->addAction(QStringLiteral("Share run status...")), "mnuShareStatus");
    c.mnuExit = action(c.mnuFile->addAction(QStringLiteral("Exit")), "mnuExit");
    c.看工作目录 =
        action(bar->addAction(menuText(workingFolder() + QStringLiteral("*.*"))), "看工作目录");
    c.mnuhelp = bar->addMenu(QStringLiteral("Help"));
    c.mnuhelp->setObjectName(QStringLiteral("mnuhelp"));
    c.Help_Chinese = action(c.mnuhelp->addAction(QStringLiteral("Chinese")), "Help_Chinese");
    c.Help_English = action(c.mnuhelp->addAction(QStringLiteral("English")), "Help_English");
    c.exitsoftware = action(bar->addAction(QStringLiteral("Exit")), "exitsoftware");
    c.video = action(bar->addAction(QStringLiteral("Video intro")), "video");
    c.版权 = action(bar->addAction(QStringLiteral("Copyright")), "版权");
}

void buildProgramFrame(MainPanelControls& c, QWidget* central) {
    c.微泵程序 = place(new QGroupBox(workingFolder() + QStringLiteral("Demo_0.TSY"), central),
                       QStringLiteral("微泵程序"), twipsRect(120, 60, 12100, 6180));
    QWidget* f = c.微泵程序;

    c.Label26 = label(f, {}, QStringLiteral("Label26"), twipsRect(600, 200, 5400, 240));
    c.Label26->setAccessibleDescription(QStringLiteral("Last load or save"));
    c.Label29 = label(f, {}, QStringLiteral("Label29"), twipsRect(6960, 200, 4200, 240));
    c.Label29->setAccessibleDescription(QStringLiteral("Working time"));

    // Column headers of the two groups; the right group stands 6360 twips to the right.
    struct Header {
        const char* left;
        const char* right;
        const char* caption;
        int x;
        int width;
    };
    const Header headers[] = {
        {"Label2", "Label10", "hh:mm:ss", 600, 1080}, {"Label5", "Label13", "Left", 2040, 600},
        {"Label6", "Label14", "Right", 2640, 600},    {"Label7", "Label15", "Laser", 3240, 480},
        {"Label8", "Label16", "Vac.", 3720, 480},     {"Label9", "Label17", "Signal", 4200, 600},
        {"Label19", "Label20", "Σt", 4800, 780}};
    for (const Header& h : headers) {
        label(f, QString::fromUtf8(h.caption), QLatin1String(h.left),
              twipsRect(h.x, 390, h.width, 210));
        label(f, QString::fromUtf8(h.caption), QLatin1String(h.right),
              twipsRect(h.x + 6360, 390, h.width, 210));
    }

    const char* const fieldNames[kStepTextFields] = {"hours", "minutes", "seconds", "left level",
                                                     "right level"};
    const int fieldLeft[kStepTextFields] = {600, 960, 1320, 2040, 2640};
    const int fieldWidth[kStepTextFields] = {345, 345, 345, 540, 540};
    const char* const flagNames[kStepFlags] = {"laser", "vacuum", "signal"};
    const int flagLeft[kStepFlags] = {3240, 3720, 4200};
    std::array<std::array<QLineEdit*, kStepRows>*, kStepTextFields> texts = {
        &c.Text1, &c.Text2, &c.Text3, &c.Text4, &c.Text5};
    std::array<std::array<QCheckBox*, kStepRows>*, kStepFlags> flags = {&c.Check4, &c.Check5,
                                                                        &c.Check6};
    for (int i = 0; i < kStepRows; ++i) {
        const bool rightGroup = i >= 20;
        const int top = 600 + (rightGroup ? i - 20 : i) * 240;
        const int shift = rightGroup ? 6360 : 0;
        const QString nn = twoDigitRow(i);
        const QString step = QStringLiteral("Step ") + nn + QLatin1Char(' ');
        const int numberLeft = rightGroup ? 6600 : (i < 10 ? 120 : 240);
        c.Label1[i] =
            label(f, nn, QStringLiteral("Label1_%1").arg(i), twipsRect(numberLeft, top, 330, 225));
        c.Label1[i]->setAccessibleDescription(step + QStringLiteral("number"));
        setPaletteBackground(c.Label1[i], 7);
        for (int k = 0; k < kStepTextFields; ++k) {
            auto* edit = place(new QLineEdit(QStringLiteral("0"), f),
                               QStringLiteral("Text%1_%2").arg(k + 1).arg(i),
                               twipsRect(fieldLeft[k] + shift, top, fieldWidth[k], 225));
            edit->setAccessibleName(step + QLatin1String(fieldNames[k]));
            edit->setAlignment(Qt::AlignCenter);
            (*texts[k])[i] = edit;
        }
        for (int k = 0; k < kStepFlags; ++k) {
            auto* box = place(new QCheckBox(f), QStringLiteral("Check%1_%2").arg(k + 4).arg(i),
                              twipsRect(flagLeft[k] + shift, top, 300, 225));
            box->setAccessibleName(step + QLatin1String(flagNames[k]));
            (*flags[k])[i] = box;
        }
        c.Label22[i] = label(f, QStringLiteral("00:00:00"), QStringLiteral("Label22_%1").arg(i),
                             twipsRect(4680 + shift, top, 900, 225));
        c.Label22[i]->setAccessibleDescription(step + QStringLiteral("end time"));
    }
    std::vector<QWidget*> fields;
    for (const auto* column : texts) {
        fields.insert(fields.end(), column->begin(), column->end());
    }
    fillWithFrameInside(f, central, fields);
    // Row 40 stands under row 39 and takes no part in the program.
    for (QWidget* w : std::initializer_list<QWidget*>{
             c.Label1[40], c.Text1[40], c.Text2[40], c.Text3[40], c.Text4[40], c.Text5[40],
             c.Check4[40], c.Check5[40], c.Check6[40], c.Label22[40]}) {
        w->setEnabled(false);
    }

    const char* const runCaptions[4] = {"Start", "Pause", "Contin.", "Stopp"};
    for (int k = 0; k < 4; ++k) {
        c.启动程序[k] =
            button(f, QLatin1String(runCaptions[k]), QStringLiteral("启动程序_%1").arg(k),
                   twipsRect(5640, 600 + k * 360, 900, 330));
        c.启动程序[k]->setEnabled(k == 0);
    }
    c.当前状态 = label(f, QStringLiteral("Standby"), QStringLiteral("当前状态"),
                       twipsRect(5640, 2100, 900, 240));
    c.当前状态->setAccessibleDescription(QStringLiteral("Run state"));
    c.Check7 = place(new QCheckBox(QStringLiteral("Cycle"), f), QStringLiteral("Check7"),
                     twipsRect(5640, 2400, 900, 260));
    c.Label22[41] = label(f, QStringLiteral("00:00:00"), QStringLiteral("Label22_41"),
                          twipsRect(5640, 2760, 900, 240));
    c.Label22[41]->setAccessibleDescription(QStringLiteral("Cycle elapsed"));
    c.Label22[42] = label(f, QStringLiteral("00:00:00"), QStringLiteral("Label22_42"),
                          twipsRect(5640, 3060, 900, 240));
    c.Label22[42]->setAccessibleDescription(QStringLiteral("Pause length"));

    const char* const bottomCaptions[3] = {"Start at:", "This round:", "This Round:"};
    const char* const bottomDescriptions[3] = {"Program start", "Cycle start or program length",
                                               "Cycle elapsed days"};
    const int bottomLeft[3] = {120, 4320, 8320};
    for (int k = 0; k < 3; ++k) {
        c.Label21[k] =
            label(f, QLatin1String(bottomCaptions[k]), QStringLiteral("Label21_%1").arg(k),
                  twipsRect(bottomLeft[k], 5700, 1000, 240));
        c.Label18[k] = label(f, QStringLiteral("00:00:00"), QStringLiteral("Label18_%1").arg(k),
                             twipsRect(bottomLeft[k] + 1100, 5700, k == 2 ? 2600 : 2900, 240));
        c.Label18[k]->setAccessibleDescription(QLatin1String(bottomDescriptions[k]));
    }
    // The labels of one control array that another part of the panel names.
    c.programLength = c.Label18[1];
    c.cycleElapsed = c.Label22[41];
    c.pauseLength = c.Label22[42];
}

void buildHistoryFrame(MainPanelControls& c, QWidget* central) {
    c.Frame1 = place(new QGroupBox(QStringLiteral("History"), central), QStringLiteral("Frame1"),
                     twipsRect(120, 6300, 12100, 2820));
    QWidget* f = c.Frame1;
    const char* const chartNames[2] = {"Upper chart", "Lower chart"};
    for (int k = 0; k < 2; ++k) {
        auto* chart = place(new QLabel(f), QStringLiteral("Picture1_%1").arg(k),
                            twipsRect(900, 260 + k * 1120, 10400, 1060));
        chart->setFrameShape(QFrame::Panel);
        chart->setFrameShadow(QFrame::Sunken);
        chart->setAccessibleName(QLatin1String(chartNames[k]));
        setPaletteBackground(chart, 15);
        c.Picture1[k] = chart;
    }
    // Legend, beside the chart it belongs to: Laser, Voltage, Vacuum, Signal above;
    // L Pump, R Pump, Signal below.
    const char* const legend[7] = {"Laser",  "Vacuum", "Signal", "L Pump",
                                   "R Pump", "Signal", "Voltage"};
    const int legendTop[7] = {280, 720, 940, 1400, 1620, 1840, 500};
    for (int k = 0; k < 7; ++k) {
        c.Label24[k] = label(f, QLatin1String(legend[k]), QStringLiteral("Label24_%1").arg(k),
                             twipsRect(120, legendTop[k], 760, 210));
    }
    const QString blanks(40, QLatin1Char(' '));
    QString axis = QStringLiteral("0 min");
    for (int m = 1; m <= 5; ++m) {
        axis += blanks + QString::number(m) + QStringLiteral(" min");
    }
    c.Label28 = label(f, axis, QStringLiteral("Label28"), twipsRect(900, 2460, 11100, 240));
    // The caption's 200 blanks are wider than the chart at the program's font: the axis gets a
    // font small enough for all of it to show, down to "5 min".
    QFont axisFont = c.Label28->font();
    // The window's face is set in pixels.
    while (axisFont.pixelSize() > 7 &&
           QFontMetrics(axisFont).horizontalAdvance(axis) > c.Label28->contentsRect().width()) {
        axisFont.setPixelSize(axisFont.pixelSize() - 1);
    }
    c.Label28->setFont(axisFont);
    c.Text6[1] = place(new QLineEdit(QStringLiteral("100"), f), QStringLiteral("Text6_1"),
                       twipsRect(11360, 1380, 640, 260));
    c.Text6[1]->setAccessibleName(QStringLiteral("Scale high"));
    c.Text6[0] = place(new QLineEdit(QStringLiteral("0"), f), QStringLiteral("Text6_0"),
                       twipsRect(11360, 2180, 640, 260));
    c.Text6[0]->setAccessibleName(QStringLiteral("Scale low"));
}

void buildCommandFrame(MainPanelControls& c, QWidget* central) {
    c.声控设备 = place(new QGroupBox(QStringLiteral("Commands"), central),
                       QStringLiteral("声控设备"), twipsRect(12340, 60, 5100, 1560));
    QWidget* f = c.声控设备;
    const char* const pumpCaptions[3] = {"", "Micropump (L) = ", "Micropump (R) = "};
    const char* const levelNames[3] = {"", "Left pump level", "Right pump level"};
    for (int k = 1; k <= 2; ++k) {
        const int top = 270 + (k - 1) * 450;
        c.微泵设备[k] =
            label(f, QLatin1String(pumpCaptions[k]), QStringLiteral("微泵设备_%1").arg(k),
                  twipsRect(120, top + 60, 1700, 240));
        c.微泵速度[k] =
            place(new QLineEdit(QStringLiteral("0"), f), QStringLiteral("微泵速度_%1").arg(k),
                  twipsRect(1860, top + 30, 450, 300));
        c.微泵速度[k]->setAccessibleName(QLatin1String(levelNames[k]));
        c.Command3[k] = button(f, QStringLiteral("Run"), QStringLiteral("Command3_%1").arg(k),
                               twipsRect(2460, top, 1150, 360));
        c.Command4[k] = button(f, QStringLiteral("Stop"), QStringLiteral("Command4_%1").arg(k),
                               twipsRect(3720, top, 1150, 360));
        c.Command4[k]->setEnabled(false);
    }
    c.Label27 = label(f, QStringLiteral("00.mc"), QStringLiteral("Label27"),
                      twipsRect(120, 1200, 2000, 240));
    c.Label27->setAccessibleDescription(QStringLiteral("Current clip"));
}

void buildDeviceFrame(MainPanelControls& c, QWidget* central) {
    c.串口设备汇总 = place(new QGroupBox(QStringLiteral("USB Devices"), central),
                           QStringLiteral("串口设备汇总"), twipsRect(12340, 1680, 5100, 4620));
    QWidget* f = c.串口设备汇总;
    c.USBcheck = place(new QCheckBox(QStringLiteral("USB Devices connected"), f),
                       QStringLiteral("USBcheck"), twipsRect(120, 300, 3400, 300));
    c.显示串口 = button(f, QStringLiteral("Comfirm"), QStringLiteral("显示串口"),
                        twipsRect(3720, 270, 1150, 360));

    const char* const portNames[2] = {"Relay board port", "Measuring board port"};
    const int portTop[2] = {720, 1920};
    for (int k = 0; k < 2; ++k) {
        c.SelectPort[k] = place(new QComboBox(f), QStringLiteral("SelectPort_%1").arg(k),
                                twipsRect(120, portTop[k], 3450, 330));
        c.SelectPort[k]->setEditable(true);
        c.SelectPort[k]->setEditText(QStringLiteral("Please select a port"));
        c.SelectPort[k]->setAccessibleName(QLatin1String(portNames[k]));
        c.SelectPort[k]->setEnabled(false);
    }
    c.Command1 = button(f, QStringLiteral("Connect"), QStringLiteral("Command1"),
                        twipsRect(3720, portTop[0] - 20, 1150, 360));
    c.Command2 = button(f, QStringLiteral("Connect"), QStringLiteral("Command2"),
                        twipsRect(3720, portTop[1] - 20, 1150, 360));
    c.Command1->setEnabled(false);
    c.Command2->setEnabled(false);

    const auto device = [f](const QString& caption, const char* name, int top) {
        // Wide enough for "Vacuum pump - not switched"; the pictures stand under the buttons.
        auto* box =
            place(new QCheckBox(caption, f), QLatin1String(name), twipsRect(120, top, 3450, 300));
        box->setEnabled(false);
        return box;
    };
    c.Check2 = device(QStringLiteral("Laser"), "Check2", 1140);
    c.Check3 = device(QStringLiteral("Vacuum pump"), "Check3", 1480);
    c.Check1 = device(QStringLiteral("Optical signal"), "Check1", 2340);
    const auto pair = [f](std::array<QLabel*, 2>& images, const char* name, int top) {
        for (int k = 0; k < 2; ++k) {
            images[k] = indicator(f, QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(k),
                                  k == 1, twipsRect(4180, top + 30, 240, 240));
        }
    };
    pair(c.Image2, "Image2", 1140);
    pair(c.Image3, "Image3", 1480);
    pair(c.Image1, "Image1", 2340);

    const char* const readingNames[7] = {"Voltage", "Current",    "Charge",    "Energy",
                                         "Time",    "D+ voltage", "D- voltage"};
    const char* const units[7] = {"mV", "mA", "mAh", "mWh", "s", "mV", "mV"};
    for (int k = 0; k < 7; ++k) {
        const int top = 2780 + k * 250;
        label(f, QLatin1String(readingNames[k]), QStringLiteral("readingName_%1").arg(k),
              twipsRect(120, top, 1500, 240));
        c.实时数据[k] = label(f, QStringLiteral("0"), QStringLiteral("实时数据_%1").arg(k),
                              twipsRect(1700, top, 1800, 240));
        c.实时数据[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        c.实时数据[k]->setAccessibleDescription(QLatin1String(readingNames[k]));
        c.Label25[k] = label(f, QLatin1String(units[k]), QStringLiteral("Label25_%1").arg(k),
                             twipsRect(3600, top, 800, 240));
    }
    // A board sends up to 30 readings a second to these labels.
    fillWithFrameInside(f, central, {c.实时数据.begin(), c.实时数据.end()});
}

void buildExportFrame(MainPanelControls& c, QWidget* central) {
    c.Frame2 = place(new QGroupBox(QStringLiteral("Save current program as MP3 to ") +
                                       exportFolder() + QStringLiteral("*.MP3"),
                                   central),
                     QStringLiteral("Frame2"), twipsRect(12340, 6380, 5100, 2740));
    c.List1 =
        place(new QListWidget(c.Frame2), QStringLiteral("List1"), twipsRect(120, 300, 4860, 1800));
    c.List1->setAccessibleName(QStringLiteral("Export progress"));
    c.Label31 = label(c.Frame2, {}, QStringLiteral("Label31"), twipsRect(120, 2200, 2500, 240));
    c.Label31->setAccessibleDescription(QStringLiteral("Export step"));
    c.结束MP3输出 = button(c.Frame2, QStringLiteral("OK"), QStringLiteral("结束MP3输出"),
                           twipsRect(3840, 2160, 1140, 400));
    // Shown while an export runs.
    c.Frame2->hide();
}

QTimer* timer(QWidget* window, const char* name, int interval) {
    auto* t = new QTimer(window);
    t->setObjectName(QLatin1String(name));
    t->setInterval(interval);
    return t;
}

} // namespace

void layOutMainPanel(QMainWindow& window, MainPanelControls& c) {
    window.setObjectName(QStringLiteral("TessalyPanel"));
    window.setWindowTitle(QStringLiteral("Dorvex-20230210"));
    // A compact face, like the small dialog font the layout was drawn for.
    QFont small = window.font();
    small.setPixelSize(11);
    window.setFont(small);

    auto* central = new QWidget(&window);
    central->setObjectName(QStringLiteral("central"));
    window.setCentralWidget(central);

    buildMenu(window, c);
    buildProgramFrame(c, central);
    buildHistoryFrame(c, central);
    buildCommandFrame(c, central);
    buildDeviceFrame(c, central);
    buildExportFrame(c, central);

    c.Timer1 = timer(&window, "Timer1", 500);
    c.Timer2 = timer(&window, "Timer2", 500);
    c.Timer3 = timer(&window, "Timer3", 60000);
    c.Timer4 = timer(&window, "Timer4", 100);
}

void setMainPanelSize(QWidget& window) {
    window.resize(twips(17600), twips(10200));
}

void 界面扁平化(const MainPanelControls& c) {
    for (const auto* column : {&c.Text1, &c.Text2, &c.Text3, &c.Text4, &c.Text5}) {
        for (int i = 0; i < kStepCount; ++i) {
            (*column)[i]->setFrame(false);
        }
    }
    c.Text6[0]->setFrame(false);
    c.Text6[1]->setFrame(false);
    for (QFrame* chart : c.Picture1) {
        chart->setFrameShape(QFrame::NoFrame);
    }
}
