#include "program/TessalyPanel.h"

#include "app/CheckValue.h"
#include "app/Clock.h"
#include "app/MessageBoxes.h"
#include "app/NumericText.h"
#include "app/Palette.h"
#include "app/Paths.h"
#include "app/Twips.h"
#include "program/ProgramEditor.h"
#include "program/ProgramLibrary.h"
#include "run/ManualPumps.h"
#include "run/Mp3Export.h"
#include "run/RunEngine.h"
#include "run/WorkingTimeCounter.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kPanelCaption = QStringLiteral("Dorvex-20230210");

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

} // namespace

TessalyPanel::TessalyPanel(Clock& clock, std::function<ClipPlayer&()> player, QWidget* parent)
    : QMainWindow(parent), m_clock(clock), m_canSound(static_cast<bool>(player)) {
    setObjectName(QStringLiteral("TessalyPanel"));
    setWindowTitle(kPanelCaption);
    // A compact face, like the small dialog font the layout was drawn for.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    endProcess = [] {
        QCoreApplication::quit();
    };

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);

    buildMenu();
    buildProgramFrame(central);
    buildHistoryFrame(central);
    buildCommandFrame(central);
    buildDeviceFrame(central);
    buildExportFrame(central);

    const auto makeTimer = [this](const char* name, int interval) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QLatin1String(name));
        timer->setInterval(interval);
        return timer;
    };
    Timer1 = makeTimer("Timer1", 500);
    Timer2 = makeTimer("Timer2", 500);
    Timer3 = makeTimer("Timer3", 60000);
    Timer4 = makeTimer("Timer4", 100);

    m_editor = std::make_unique<ProgramEditor>(*this);
    m_library = std::make_unique<ProgramLibrary>(*this);
    m_workingTime = std::make_unique<WorkingTimeCounter>(Label29);
    m_run = std::make_unique<RunEngine>(*this, player);
    m_pumps = std::make_unique<ManualPumps>(*this, player);
    const Mp3ExportControls exportControls{Frame2, List1, Label31, Timer4, Label1,
                                           Text1,  Text2, Text3,   Text4,  Text5};
    m_export = std::make_unique<Mp3Export>(
        exportControls, [this]() -> const ProgramTable& { return programTable(); }, m_clock, this);
    wireEvents();
    markNotYetWired();
    m_editor->recompute();
    Timer3->start();
}

TessalyPanel::~TessalyPanel() = default;

void TessalyPanel::buildMenu() {
    QMenuBar* bar = menuBar();
    const auto action = [](QAction* a, const char* name) {
        a->setObjectName(QString::fromUtf8(name));
        return a;
    };
    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnu调入程序 = action(mnuFile->addAction(QStringLiteral("Load")), "mnu调入程序");
    mnu保存程序 = action(mnuFile->addAction(QStringLiteral("Save")), "mnu保存程序");
    mnu将程序另存为 = action(mnuFile->addAction(QStringLiteral("Save as")), "mnu将程序另存为");
    Save_as_MP3 = action(mnuFile->addAction(QStringLiteral("Save as MP3")), "Save_as_MP3");
    mnuExit = action(mnuFile->addAction(QStringLiteral("Exit")), "mnuExit");
    看工作目录 =
        action(bar->addAction(menuText(workingFolder() + QStringLiteral("*.*"))), "看工作目录");
    mnuhelp = bar->addMenu(QStringLiteral("Help"));
    mnuhelp->setObjectName(QStringLiteral("mnuhelp"));
    Help_Chinese = action(mnuhelp->addAction(QStringLiteral("Chinese")), "Help_Chinese");
    Help_English = action(mnuhelp->addAction(QStringLiteral("English")), "Help_English");
    exitsoftware = action(bar->addAction(QStringLiteral("Exit")), "exitsoftware");
    video = action(bar->addAction(QStringLiteral("Video intro")), "video");
    版权 = action(bar->addAction(QStringLiteral("Copyright")), "版权");
}

void TessalyPanel::buildProgramFrame(QWidget* central) {
    微泵程序 = place(new QGroupBox(workingFolder() + QStringLiteral("Demo_0.TSY"), central),
                     QStringLiteral("微泵程序"), twipsRect(120, 60, 12100, 6180));
    QWidget* f = 微泵程序;

    Label26 = label(f, {}, QStringLiteral("Label26"), twipsRect(600, 200, 5400, 240));
    Label26->setAccessibleDescription(QStringLiteral("Last load or save"));
    Label29 = label(f, {}, QStringLiteral("Label29"), twipsRect(6960, 200, 4200, 240));
    Label29->setAccessibleDescription(QStringLiteral("Working time"));

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
        {"Label8", "Label16", "Vac.", 3720, 480},     {"Label9", "Label17", "Signal", 4200, 480},
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
    std::array<std::array<QLineEdit*, kStepRows>*, kStepTextFields> texts = {&Text1, &Text2, &Text3,
                                                                             &Text4, &Text5};
    std::array<std::array<QCheckBox*, kStepRows>*, kStepFlags> flags = {&Check4, &Check5, &Check6};
    for (int i = 0; i < kStepRows; ++i) {
        const bool rightGroup = i >= 20;
        const int top = 600 + (rightGroup ? i - 20 : i) * 240;
        const int shift = rightGroup ? 6360 : 0;
        const QString nn = twoDigitRow(i);
        const QString step = QStringLiteral("Step ") + nn + QLatin1Char(' ');
        const int numberLeft = rightGroup ? 6600 : (i < 10 ? 120 : 240);
        Label1[i] =
            label(f, nn, QStringLiteral("Label1_%1").arg(i), twipsRect(numberLeft, top, 330, 225));
        Label1[i]->setAccessibleDescription(step + QStringLiteral("number"));
        setPaletteBackground(Label1[i], 7);
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
        Label22[i] = label(f, QStringLiteral("00:00:00"), QStringLiteral("Label22_%1").arg(i),
                           twipsRect(4680 + shift, top, 900, 225));
        Label22[i]->setAccessibleDescription(step + QStringLiteral("end time"));
    }
    // Row 40 stands under row 39 and takes no part in the program.
    for (QWidget* w : std::initializer_list<QWidget*>{Label1[40], Text1[40], Text2[40], Text3[40],
                                                      Text4[40], Text5[40], Check4[40], Check5[40],
                                                      Check6[40], Label22[40]}) {
        w->setEnabled(false);
    }

    const char* const runCaptions[4] = {"Start", "Pause", "Contin.", "Stopp"};
    for (int k = 0; k < 4; ++k) {
        启动程序[k] = button(f, QLatin1String(runCaptions[k]), QStringLiteral("启动程序_%1").arg(k),
                             twipsRect(5640, 600 + k * 360, 900, 330));
        启动程序[k]->setEnabled(k == 0);
    }
    当前状态 = label(f, QStringLiteral("Standby"), QStringLiteral("当前状态"),
                     twipsRect(5640, 2100, 900, 240));
    当前状态->setAccessibleDescription(QStringLiteral("Run state"));
    Check7 = place(new QCheckBox(QStringLiteral("Cycle"), f), QStringLiteral("Check7"),
                   twipsRect(5640, 2400, 900, 260));
    Label22[41] = label(f, QStringLiteral("00:00:00"), QStringLiteral("Label22_41"),
                        twipsRect(5640, 2760, 900, 240));
    Label22[41]->setAccessibleDescription(QStringLiteral("Cycle elapsed"));
    Label22[42] = label(f, QStringLiteral("00:00:00"), QStringLiteral("Label22_42"),
                        twipsRect(5640, 3060, 900, 240));
    Label22[42]->setAccessibleDescription(QStringLiteral("Pause length"));

    const char* const bottomCaptions[3] = {"Start at:", "This round:", "This Round:"};
    const char* const bottomDescriptions[3] = {"Program start", "Cycle start or program length",
                                               "Cycle elapsed days"};
    const int bottomLeft[3] = {120, 4320, 8320};
    for (int k = 0; k < 3; ++k) {
        Label21[k] = label(f, QLatin1String(bottomCaptions[k]), QStringLiteral("Label21_%1").arg(k),
                           twipsRect(bottomLeft[k], 5700, 1000, 240));
        Label18[k] = label(f, QStringLiteral("00:00:00"), QStringLiteral("Label18_%1").arg(k),
                           twipsRect(bottomLeft[k] + 1100, 5700, k == 2 ? 2600 : 2900, 240));
        Label18[k]->setAccessibleDescription(QLatin1String(bottomDescriptions[k]));
    }
}

void TessalyPanel::buildHistoryFrame(QWidget* central) {
    Frame1 = place(new QGroupBox(QStringLiteral("History"), central), QStringLiteral("Frame1"),
                   twipsRect(120, 6300, 12100, 2820));
    QWidget* f = Frame1;
    const char* const chartNames[2] = {"Upper chart", "Lower chart"};
    for (int k = 0; k < 2; ++k) {
        auto* chart = place(new QFrame(f), QStringLiteral("Picture1_%1").arg(k),
                            twipsRect(900, 260 + k * 1120, 10400, 1060));
        chart->setFrameShape(QFrame::Panel);
        chart->setFrameShadow(QFrame::Sunken);
        chart->setAccessibleName(QLatin1String(chartNames[k]));
        setPaletteBackground(chart, 15);
        Picture1[k] = chart;
    }
    // Legend, beside the chart it belongs to: Laser, Voltage, Vacuum, Signal above;
    // L Pump, R Pump, Signal below.
    const char* const legend[7] = {"Laser",  "Vacuum", "Signal", "L Pump",
                                   "R Pump", "Signal", "Voltage"};
    const int legendTop[7] = {280, 720, 940, 1400, 1620, 1840, 500};
    for (int k = 0; k < 7; ++k) {
        Label24[k] = label(f, QLatin1String(legend[k]), QStringLiteral("Label24_%1").arg(k),
                           twipsRect(120, legendTop[k], 760, 210));
    }
    const QString blanks(40, QLatin1Char(' '));
    QString axis = QStringLiteral("0 min");
    for (int m = 1; m <= 5; ++m) {
        axis += blanks + QString::number(m) + QStringLiteral(" min");
    }
    Label28 = label(f, axis, QStringLiteral("Label28"), twipsRect(900, 2460, 10400, 240));
    Text6[1] = place(new QLineEdit(QStringLiteral("100"), f), QStringLiteral("Text6_1"),
                     twipsRect(11360, 1380, 640, 260));
    Text6[1]->setAccessibleName(QStringLiteral("Scale high"));
    Text6[0] = place(new QLineEdit(QStringLiteral("0"), f), QStringLiteral("Text6_0"),
                     twipsRect(11360, 2180, 640, 260));
    Text6[0]->setAccessibleName(QStringLiteral("Scale low"));
}

void TessalyPanel::buildCommandFrame(QWidget* central) {
    声控设备 = place(new QGroupBox(QStringLiteral("Commands"), central), QStringLiteral("声控设备"),
                     twipsRect(12340, 60, 5100, 1560));
    QWidget* f = 声控设备;
    const char* const pumpCaptions[3] = {"", "Micropump (L) = ", "Micropump (R) = "};
    const char* const levelNames[3] = {"", "Left pump level", "Right pump level"};
    for (int k = 1; k <= 2; ++k) {
        const int top = 270 + (k - 1) * 450;
        微泵设备[k] = label(f, QLatin1String(pumpCaptions[k]), QStringLiteral("微泵设备_%1").arg(k),
                            twipsRect(120, top + 60, 1700, 240));
        微泵速度[k] =
            place(new QLineEdit(QStringLiteral("0"), f), QStringLiteral("微泵速度_%1").arg(k),
                  twipsRect(1860, top + 30, 450, 300));
        微泵速度[k]->setAccessibleName(QLatin1String(levelNames[k]));
        Command3[k] = button(f, QStringLiteral("Run"), QStringLiteral("Command3_%1").arg(k),
                             twipsRect(2460, top, 1150, 360));
        Command4[k] = button(f, QStringLiteral("Stop"), QStringLiteral("Command4_%1").arg(k),
                             twipsRect(3720, top, 1150, 360));
        Command4[k]->setEnabled(false);
    }
    Label27 = label(f, QStringLiteral("00.mc"), QStringLiteral("Label27"),
                    twipsRect(120, 1200, 2000, 240));
    Label27->setAccessibleDescription(QStringLiteral("Current clip"));
}

void TessalyPanel::buildDeviceFrame(QWidget* central) {
    串口设备汇总 = place(new QGroupBox(QStringLiteral("USB Devices"), central),
                         QStringLiteral("串口设备汇总"), twipsRect(12340, 1680, 5100, 4620));
    QWidget* f = 串口设备汇总;
    USBcheck = place(new QCheckBox(QStringLiteral("USB Devices connected"), f),
                     QStringLiteral("USBcheck"), twipsRect(120, 300, 3400, 300));
    显示串口 = button(f, QStringLiteral("Comfirm"), QStringLiteral("显示串口"),
                      twipsRect(3720, 270, 1150, 360));

    const char* const portNames[2] = {"Relay board port", "Measuring board port"};
    const int portTop[2] = {720, 1920};
    for (int k = 0; k < 2; ++k) {
        SelectPort[k] = place(new QComboBox(f), QStringLiteral("SelectPort_%1").arg(k),
                              twipsRect(120, portTop[k], 3450, 330));
        SelectPort[k]->setEditable(true);
        SelectPort[k]->setEditText(QStringLiteral("Please select a port"));
        SelectPort[k]->setAccessibleName(QLatin1String(portNames[k]));
        SelectPort[k]->setEnabled(false);
    }
    Command1 = button(f, QStringLiteral("Connect"), QStringLiteral("Command1"),
                      twipsRect(3720, portTop[0] - 20, 1150, 360));
    Command2 = button(f, QStringLiteral("Connect"), QStringLiteral("Command2"),
                      twipsRect(3720, portTop[1] - 20, 1150, 360));
    Command1->setEnabled(false);
    Command2->setEnabled(false);

    const auto device = [f](const QString& caption, const char* name, int top) {
        auto* box =
            place(new QCheckBox(caption, f), QLatin1String(name), twipsRect(120, top, 2000, 300));
        box->setEnabled(false);
        return box;
    };
    Check2 = device(QStringLiteral("Laser"), "Check2", 1140);
    Check3 = device(QStringLiteral("Vacuum pump"), "Check3", 1480);
    Check1 = device(QStringLiteral("Optical signal"), "Check1", 2340);
    const auto pair = [f](std::array<QLabel*, 2>& images, const char* name, int top) {
        for (int k = 0; k < 2; ++k) {
            images[k] = indicator(f, QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(k),
                                  k == 1, twipsRect(2300, top + 30, 240, 240));
        }
    };
    pair(Image2, "Image2", 1140);
    pair(Image3, "Image3", 1480);
    pair(Image1, "Image1", 2340);

    const char* const readingNames[7] = {"Voltage", "Current",    "Charge",    "Energy",
                                         "Time",    "D+ voltage", "D- voltage"};
    const char* const units[7] = {"mV", "mA", "mAh", "mWh", "s", "mV", "mV"};
    for (int k = 0; k < 7; ++k) {
        const int top = 2780 + k * 250;
        label(f, QLatin1String(readingNames[k]), QStringLiteral("readingName_%1").arg(k),
              twipsRect(120, top, 1500, 240));
        实时数据[k] = label(f, QStringLiteral("0"), QStringLiteral("实时数据_%1").arg(k),
                            twipsRect(1700, top, 1800, 240));
        实时数据[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        实时数据[k]->setAccessibleDescription(QLatin1String(readingNames[k]));
        Label25[k] = label(f, QLatin1String(units[k]), QStringLiteral("Label25_%1").arg(k),
                           twipsRect(3600, top, 800, 240));
    }
}

void TessalyPanel::buildExportFrame(QWidget* central) {
    Frame2 = place(new QGroupBox(QStringLiteral("Save current program as MP3 to ") +
                                     exportFolder() + QStringLiteral("*.MP3"),
                                 central),
                   QStringLiteral("Frame2"), twipsRect(12340, 6380, 5100, 2740));
    List1 =
        place(new QListWidget(Frame2), QStringLiteral("List1"), twipsRect(120, 300, 4860, 1800));
    List1->setAccessibleName(QStringLiteral("Export progress"));
    Label31 = label(Frame2, {}, QStringLiteral("Label31"), twipsRect(120, 2200, 2500, 240));
    Label31->setAccessibleDescription(QStringLiteral("Export step"));
    结束MP3输出 = button(Frame2, QStringLiteral("OK"), QStringLiteral("结束MP3输出"),
                         twipsRect(3840, 2160, 1140, 400));
    // Shown while an export runs.
    Frame2->hide();
}

void TessalyPanel::wireEvents() {
    m_editor->wireStepControls();
    m_run->wire();
    m_pumps->wire();
    for (int k = 0; k < 2; ++k) {
        connect(Text6[k], &QLineEdit::textChanged, this, [this, k] { Text6_Change(k); });
    }
    connect(mnu调入程序, &QAction::triggered, this, [this] { m_library->loadByBrowsing(); });
    connect(mnu保存程序, &QAction::triggered, this, [this] { 按照微泵程序的caption保存程序(); });
    connect(mnu将程序另存为, &QAction::triggered, this, [this] { m_library->showSaveAs(); });
    connect(看工作目录, &QAction::triggered, this, [this] { m_library->showWorkingFolderList(); });
    connect(mnuExit, &QAction::triggered, this, [this] { exitSoftware(); });
    connect(exitsoftware, &QAction::triggered, this, [this] { exitSoftware(); });
    connect(版权, &QAction::triggered, this, [this] { showCopyright(); });
    connect(Timer3, &QTimer::timeout, this, [this] { 更新累计机时(); });
    connect(Save_as_MP3, &QAction::triggered, this, [this] { m_export->Save_as_MP3_Click(); });
    connect(Timer4, &QTimer::timeout, this, [this] { m_export->Timer4_Timer(); });
    connect(结束MP3输出, &QPushButton::clicked, this, [this] { m_export->结束MP3输出_Click(); });
}

void TessalyPanel::markNotYetWired() {
    // Devices, help and the intro video are wired in with their own modules; until then they
    // must not look usable.
    for (QWidget* w : std::initializer_list<QWidget*>{USBcheck, 显示串口}) {
        w->setEnabled(false);
    }
    for (QAction* a : {Help_Chinese, Help_English, video}) {
        a->setEnabled(false);
    }
    if (!m_canSound) {
        // Without a sound output neither a program nor a pump can run.
        启动程序[0]->setEnabled(false);
        声控设备->setEnabled(false);
    }
}

void TessalyPanel::setPanelSize() {
    resize(twips(17600), twips(10200));
}

void TessalyPanel::Form_Load() {
    界面扁平化();
    m_library->创建工作文件夹();
    QStringList problems;
    for (const QString& name : m_library->copySamples()) {
        problems << QStringLiteral("The sample program %1 could not be copied from %2 into %3.")
                        .arg(name, programFolder(), workingFolder());
    }
    m_clock.sleepMs(200);
    show();
    setPanelSize();
    // The device windows load here and fill the port lists once the serial module is wired.
    setPanelSize();
    Text6_Change(0);
    Text6_Change(1);
    m_workingTime->prepare();

    QString loadFailure;
    if (const std::optional<QString> status = m_editor->load(programPath(), {}, &loadFailure)) {
        Label26->setText(*status);
    } else {
        problems << loadFailure;
    }
    if (!problems.isEmpty()) {
        showMessage(this,
                    problems.join(QStringLiteral("\r\n\r\n")) +
                        QStringLiteral("\r\n\r\nThe panel starts with an empty program."),
                    kPanelCaption, MessageButtons::Ok, MessageIcon::Warning);
    }
}

void TessalyPanel::读取输入值() {
    m_editor->recompute();
}

QString TessalyPanel::保存程序(const QString& path) {
    return m_editor->save(path).value_or(QString());
}

QString TessalyPanel::读取程序(const QString& path, const std::function<void()>& accepted) {
    return m_editor->load(path, accepted).value_or(QString());
}

bool TessalyPanel::按照微泵程序的caption保存程序() {
    读取输入值();
    const QString status = 保存程序(programPath());
    if (status.isEmpty()) {
        return false;
    }
    Label26->setText(status);
    return true;
}

void TessalyPanel::界面扁平化() {
    for (auto* column : {&Text1, &Text2, &Text3, &Text4, &Text5}) {
        for (int i = 0; i < kStepCount; ++i) {
            (*column)[i]->setFrame(false);
        }
    }
    Text6[0]->setFrame(false);
    Text6[1]->setFrame(false);
    for (QFrame* chart : Picture1) {
        chart->setFrameShape(QFrame::NoFrame);
    }
}

void TessalyPanel::更新累计机时() {
    m_workingTime->tick();
}

void TessalyPanel::Text6_Change(int index) {
    const float value = static_cast<float>(leadingNumber(Text6[index]->text()));
    (index == 0 ? scaleLow : scaleHigh) = value;
    gridStep = (scaleHigh - scaleLow) / 10.0f;
}

QString TessalyPanel::programPath() const {
    return 微泵程序->title();
}

void TessalyPanel::setProgramPath(const QString& path) {
    微泵程序->setTitle(path);
}

const ProgramTable& TessalyPanel::programTable() const {
    return m_editor->table();
}

void TessalyPanel::showCopyright() {
    showMessage(this,
                QStringLiteral("Dorvex-20230210 cell-culture controller\r\n"
                               "Copyright (C) 2023 Dorvex. All rights reserved.\r\n\r\n"
                               "This software is licensed for use with Dorvex culture rigs. "
                               "It may not be copied or passed on without the written "
                               "permission of Dorvex."),
                QStringLiteral("Dorvex"), MessageButtons::Ok, MessageIcon::None);
}

void TessalyPanel::准备退出软件() {
    Timer1->stop();
    if (m_canSound) {
        m_pumps->Command4_Click(1);
        m_pumps->Command4_Click(2);
    }
    setCheckValue(Check1, 0);
    setCheckValue(Check2, 0);
    setCheckValue(Check3, 0);
    // The serial ports close here once the device windows are wired in; then the secondary
    // windows go, and the panel last.
    m_library->unloadWorkingFolderList();
    m_library->unloadSaveAsWindow();
    hide();
}

void TessalyPanel::exitSoftware() {
    if (m_exiting) {
        return;
    }
    m_exiting = true;
    准备退出软件();
    endProcess();
}

void TessalyPanel::closeEvent(QCloseEvent* event) {
    exitSoftware();
    event->accept();
}
