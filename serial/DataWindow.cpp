#include "serial/DataWindow.h"

#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/TimeText.h"
#include "serial/Controls.h"
#include "serial/FrameText.h"
#include "serial/PortList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

const QString 数据采集窗口::kMasterClosed = QStringLiteral("打开总台串口号");
const QString 数据采集窗口::kMasterOpen = QStringLiteral("关闭总台串口号");
const QString 数据采集窗口::kOwnClosed = QStringLiteral("打开串口");
const QString 数据采集窗口::kOwnOpen = QStringLiteral("关闭串口");
const QString 数据采集窗口::kPortPrompt = QStringLiteral("请选择端口号");

namespace {

const char* const kReadingNames[7] = {"Voltage", "Current",    "Charge",    "Energy",
                                      "Time",    "D+ voltage", "D- voltage"};
const char* const kLabel6Captions[7] = {"电压(mV)", "电流(mA)",   "安时(mAh)", "瓦时(mWh)",
                                        "时间(ms)", "D+电压(mV)", "D-电压(mV)"};

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

} // namespace

数据采集窗口::数据采集窗口(std::unique_ptr<CommControl> comm, const DeviceControlsView& panel,
                           Clock& clock, LiveReading& reading, QWidget* parent)
    : QWidget(parent), m_comm(std::move(comm)), m_panel(panel), m_clock(clock), m_reading(reading) {
    setObjectName(QStringLiteral("数据采集窗口"));
    setWindowTitle(QStringLiteral("串口数据"));

    SelectPort = named(editableCombo(kPortPrompt, this), QStringLiteral("SelectPort"));
    SelectPort->setAccessibleName(QStringLiteral("Port"));
    Text5 = named(new QLineEdit(QStringLiteral("115200"), this), QStringLiteral("Text5"));
    Text5->setAccessibleName(QStringLiteral("Baud rate"));
    CheckDigit = named(editableCombo(QStringLiteral("N"), this), QStringLiteral("CheckDigit"));
    CheckDigit->setAccessibleName(QStringLiteral("Parity"));
    DataBit = named(editableCombo(QStringLiteral("8"), this), QStringLiteral("DataBit"));
    DataBit->setAccessibleName(QStringLiteral("Data bits"));
    StopBit = named(editableCombo(QStringLiteral("1"), this), QStringLiteral("StopBit"));
    StopBit->setAccessibleName(QStringLiteral("Stop bits"));
    Command1 = named(new QPushButton(kOwnClosed, this), QStringLiteral("Command1"));
    Command3 = named(new QPushButton(kMasterClosed, this), QStringLiteral("Command3"));
    Label9 = named(new QLabel(QStringLiteral("Label9"), this), QStringLiteral("Label9"));
    Label9->setAccessibleDescription(QStringLiteral("Port number"));
    Text6 = named(new QPlainTextEdit(this), QStringLiteral("Text6"));
    Text6->setAccessibleName(QStringLiteral("Received bytes"));
    for (int i = 0; i < 7; ++i) {
        Text2[i] = named(new QLineEdit(this), QStringLiteral("Text2_%1").arg(i));
        Text2[i]->setAccessibleName(QString::fromLatin1(kReadingNames[i]));
        Label6[i] = named(new QLabel(QString::fromUtf8(kLabel6Captions[i]), this),
                          QStringLiteral("Label6_%1").arg(i));
    }
    Text3 = named(new QLineEdit(QStringLiteral("AB 00 06 01 02 03 04 11 12 13 14 21 22 23 24 31 "
                                               "32 33 34 41 42 43 44 51 52 61 62 C9"),
                                this),
                  QStringLiteral("Text3"));
    Text3->setAccessibleName(QStringLiteral("Frame to simulate"));
    Text4 = named(new QLineEdit(this), QStringLiteral("Text4"));
    Text4->setAccessibleName(QStringLiteral("Checksum"));
    Command2 = named(new QPushButton(QStringLiteral("数据模拟"), this), QStringLiteral("Command2"));
    Check1 = named(new QCheckBox(QStringLiteral("发送"), this), QStringLiteral("Check1"));
    Timer1 = named(new QTimer(this), QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    Label8 = named(new QLabel(QStringLiteral("第一次联机请禁用任何负载仅用USB"), this),
                   QStringLiteral("Label8"));
    buildLayout();

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    for (int i = 0; i < 7; ++i) {
        connect(Text2[i], &QLineEdit::textChanged, this, [this, i] { Text2_Change(i); });
    }
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    m_comm->setOnComm([this] { MSComm1_OnComm(); });
    m_showTimer.setSingleShot(true);
    m_showTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_showTimer, &QTimer::timeout, this, [this] { showDue(); });

    Form_Load();
}

数据采集窗口::~数据采集窗口() {
    m_comm->setOnComm(nullptr);
    Form_Unload();
}

void 数据采集窗口::buildLayout() {
    auto* grid = new QGridLayout(this);
    auto* port = new QGroupBox(QStringLiteral("串口设置"), this);
    auto* portGrid = new QGridLayout(port);
    portGrid->addWidget(new QLabel(QStringLiteral("端口号"), port), 0, 0);
    portGrid->addWidget(SelectPort, 0, 1);
    portGrid->addWidget(Label9, 0, 2);
    portGrid->addWidget(new QLabel(QStringLiteral("波特率"), port), 1, 0);
    portGrid->addWidget(Text5, 1, 1);
    portGrid->addWidget(new QLabel(QStringLiteral("校验位"), port), 2, 0);
    portGrid->addWidget(CheckDigit, 2, 1);
    portGrid->addWidget(new QLabel(QStringLiteral("数据位"), port), 3, 0);
    portGrid->addWidget(DataBit, 3, 1);
    portGrid->addWidget(new QLabel(QStringLiteral("停止位"), port), 4, 0);
    portGrid->addWidget(StopBit, 4, 1);
    portGrid->addWidget(Command1, 5, 0);
    portGrid->addWidget(Command3, 5, 1);
    grid->addWidget(port, 0, 0);

    auto* values = new QGroupBox(QStringLiteral("数据"), this);
    auto* valueGrid = new QGridLayout(values);
    for (int i = 0; i < 7; ++i) {
        valueGrid->addWidget(Label6[i], i, 0);
        valueGrid->addWidget(Text2[i], i, 1);
    }
    grid->addWidget(values, 0, 1);

    auto* sim = new QGroupBox(QStringLiteral("模拟"), this);
    auto* simGrid = new QGridLayout(sim);
    simGrid->addWidget(new QLabel(QStringLiteral("发送数据"), sim), 0, 0);
    simGrid->addWidget(Text3, 0, 1, 1, 3);
    simGrid->addWidget(new QLabel(QStringLiteral("校验"), sim), 1, 0);
    simGrid->addWidget(Text4, 1, 1);
    simGrid->addWidget(Command2, 1, 2);
    simGrid->addWidget(Check1, 1, 3);
    grid->addWidget(sim, 1, 0, 1, 2);
    grid->addWidget(Text6, 2, 0, 1, 2);
    grid->addWidget(Label8, 3, 0, 1, 2);
}

double 数据采集窗口::data_conversion4(const QStringList& pieces, int last) {
    return ::data_conversion4(pieces, last);
}

double 数据采集窗口::data_conversion4s(const QStringList& pieces, int last) {
    return ::data_conversion4s(pieces, last);
}

double 数据采集窗口::data_conversion2(const QStringList& pieces, int last) {
    return ::data_conversion2(pieces, last);
}

void 数据采集窗口::Form_Load() {
    addItemsKeepingText(SelectPort, portListItems(GetPortList()));
    m_comm->setInputMode(1);
    m_comm->setRThreshold(1);
    addItemsKeepingText(CheckDigit, {QStringLiteral("Y"), QStringLiteral("N")});
    QStringList counts;
    for (int i = 1; i <= 10; ++i) {
        counts << QString::number(i);
    }
    addItemsKeepingText(DataBit, counts);
    addItemsKeepingText(StopBit, counts);
}

QString 数据采集窗口::settingsText() const {
    return Text5->text() + QLatin1Char(',') + CheckDigit->currentText() + QLatin1Char(',') +
           DataBit->currentText() + QLatin1Char(',') + StopBit->currentText();
}

void 数据采集窗口::reportError(int code) {
    showMessage(this, QStringLiteral("系统错误,错误编号：") + QString::number(code), windowTitle(),
                MessageButtons::Ok);
}

void 数据采集窗口::openPort(qint16 port) {
    m_comm->setCommPort(port);
    m_comm->setSettings(settingsText());
    m_comm->setSThreshold(0);
    if (!m_comm->PortOpen()) {
        m_comm->setPortOpen(true);
        // Bytes of a frame cut off by an earlier close must not join the new stream.
        m_assembler.clear();
    }
}

void 数据采集窗口::Command3_Click() {
    if (Command3->text() == kMasterClosed) {
        QComboBox* box = m_panel.SelectPort[1];
        if (box == nullptr || box->currentText() == QLatin1String(kPanelPortPlaceholder)) {
            return;
        }
        try {
            openPort(portNumberOfEntry(box->currentText()));
        } catch (const CommError& e) {
            reportError(e.code());
            return;
        }
        if (m_panel.Image1[0] != nullptr) {
            m_panel.Image1[0]->show();
        }
        if (m_panel.Image1[1] != nullptr) {
            m_panel.Image1[1]->hide();
        }
        if (m_panel.Check1 != nullptr) {
            m_panel.Check1->setEnabled(true);
        }
        Command3->setText(kMasterOpen);
        if (m_panel.Command2 != nullptr) {
            m_panel.Command2->setText(QStringLiteral("Disconnect"));
        }
        return;
    }
    for (QLabel* image : m_panel.Image1) {
        if (image != nullptr) {
            image->hide();
        }
    }
    if (m_panel.Check1 != nullptr) {
        m_panel.Check1->setChecked(false);
        m_panel.Check1->setEnabled(false);
    }
    Command3->setText(kMasterClosed);
    if (m_panel.Command2 != nullptr) {
        m_panel.Command2->setText(QStringLiteral("Connect"));
    }
    if (m_comm->PortOpen()) {
        m_comm->setPortOpen(false);
    }
}

void 数据采集窗口::Command1_Click() {
    if (Command1->text() != kOwnClosed) {
        if (m_comm->PortOpen()) {
            m_comm->setPortOpen(false);
        }
        Command1->setText(kOwnClosed);
        return;
    }
    if (SelectPort->currentText() == kPortPrompt) {
        return;
    }
    try {
        const qint16 port = portNumberOfEntry(SelectPort->currentText());
        Label9->setText(QString::number(port));
        openPort(port);
    } catch (const CommError& e) {
        reportError(e.code());
        return;
    }
    Command1->setText(kOwnOpen);
}

void 数据采集窗口::showReading(const frames::Reading& reading) {
    const bool seen = isVisible();
    for (int i = 0; i < frames::ReadingCount; ++i) {
        const QString text = readingText(reading.values[i]);
        if (seen) {
            // An unchanged field is left alone: its change passes it on to the panel.
            if (Text2[i]->text() != text) {
                Text2[i]->setText(text);
            }
        } else if (QLabel* label = m_panel.实时数据[i]; label != nullptr && label->text() != text) {
            // Hidden, the fields wait for the window's showing (laying out text nobody sees
            // costs more than the rest of a frame); the panel gets what they would pass on.
            label->setText(text);
        }
        // A label greyed by a loss is live again, even where the text came back the same.
        if (QLabel* label = m_panel.实时数据[i]; label != nullptr && !label->isEnabled()) {
            label->setEnabled(true);
        }
    }
    if (seen) {
        m_fieldsBehind.reset();
    } else {
        m_fieldsBehind = reading;
    }
}

void 数据采集窗口::showSoon(bool fastStream) {
    const qint64 since = m_sinceShown.isValid() ? m_sinceShown.elapsed() : kShowIntervalMs;
    // A showing already set for later stays so, unless it is due now.
    if (m_showTimer.isActive() && since < kShowIntervalMs) {
        return;
    }
    // Whatever comes before the next showing is read in one go when it is due: a board at the
    // line rate then wakes the window some 30 times a second, not 411.
    if (since >= kShowIntervalMs) {
        showDue();
        if (fastStream) {
            m_comm->holdReceiving(kShowIntervalMs);
        }
    } else if (fastStream) {
        // The read at the hold's end shows this frame with whatever came meanwhile; the timer
        // only stands in should nothing more come.
        const int wait = static_cast<int>(kShowIntervalMs - since);
        m_comm->holdReceiving(wait);
        m_showTimer.start(wait + kShowGraceMs);
    } else {
        m_showTimer.start(static_cast<int>(kShowIntervalMs - since));
    }
}

void 数据采集窗口::showPendingReading() {
    // Out of turn, for a sampler: the showings' own pace is left as it was, so a run tick
    // never puts off the next one.
    if (m_pendingReading) {
        const frames::Reading reading = *m_pendingReading;
        m_pendingReading.reset();
        showReading(reading);
    }
}

void 数据采集窗口::showDue() {
    m_showTimer.stop();
    if (!m_pendingReading && (m_pendingBytes.isEmpty() || !isVisible())) {
        return;
    }
    // The raw bytes are for someone looking at this window; hidden, they wait for its showing.
    if (!m_pendingBytes.isEmpty() && isVisible()) {
        Text6->setPlainText(hexText(std::exchange(m_pendingBytes, {})));
    }
    showPendingReading();
    m_sinceShown.start();
}

void 数据采集窗口::MSComm1_OnComm() {
    if (m_comm->CommEvent() != CommControl::comEvReceive) {
        return;
    }
    try {
        const QByteArray bytes = m_comm->Input();
        if (bytes.isEmpty()) {
            return;
        }
        m_pendingBytes = bytes;
        // Frames are gathered across reads: the driver splits and joins reads freely.
        m_assembler.feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size())),
                         [this](const frames::Reading& r) {
                             ++m_framesReceived;
                             m_reading = r;
                             m_pendingReading = r;
                         });
    } catch (...) {
        // Malformed input and port trouble are dropped without a word.
        return;
    }
    // Reads closer together than one and a half intervals make a stream worth holding; a
    // board at its usual 10 frames a second is read as each frame comes.
    const bool fast = m_sinceRead.isValid() && m_sinceRead.elapsed() < kShowIntervalMs * 3 / 2;
    m_sinceRead.start();
    showSoon(fast);
}

void 数据采集窗口::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_pendingBytes.isEmpty()) {
        Text6->setPlainText(hexText(std::exchange(m_pendingBytes, {})));
    }
    if (m_fieldsBehind) {
        showReading(*m_fieldsBehind);
    }
}

void 数据采集窗口::Command2_Click() {
    const SimulatedFrame frame = simulateFrameText(Text3->text());
    if (frame.checksumText.isEmpty()) {
        return;
    }
    Text4->setText(frame.checksumText);
    if (frame.accepted) {
        m_reading = frame.reading;
        showReading(frame.reading);
    }
}

void 数据采集窗口::Text2_Change(int index) {
    if (index >= 0 && index < 7 && m_panel.实时数据[index] != nullptr) {
        m_panel.实时数据[index]->setText(Text2[index]->text());
    }
}

void 数据采集窗口::clearReadings() {
    m_showTimer.stop();
    m_pendingReading.reset();
    m_pendingBytes.clear();
    m_fieldsBehind.reset();
    // The first frame of the next board shows at once.
    m_sinceShown.invalidate();
    m_sinceRead.invalidate();
    m_reading.reset();
    for (int i = 0; i < frames::ReadingCount; ++i) {
        {
            // The emptied field passes nothing on: the panel keeps the last text, greyed, as
            // what was measured before the loss, not a 0 and not a blank.
            const QSignalBlocker quiet(Text2[i]);
            Text2[i]->clear();
        }
        if (m_panel.实时数据[i] != nullptr) {
            m_panel.实时数据[i]->setEnabled(false);
        }
    }
}

void 数据采集窗口::Check1_Click() {
    if (Check1->isChecked()) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
}

void 数据采集窗口::Timer1_Timer() {
    setWindowTitle(GeneralDateText(m_clock.now()));
}

void 数据采集窗口::Form_Unload() {
    if (m_comm->PortOpen()) {
        m_comm->setPortOpen(false);
    }
}
