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

const char* const kReadingNames[frames::ReadingCount] = {
    "Voltage", "Current", "Charge", "Energy", "Time", "D+ voltage", "D- voltage"};
const char* const kLabel6Captions[frames::ReadingCount] = {
    "电压(mV)", "电流(mA)", "安时(mAh)", "瓦时(mWh)", "时间(ms)", "D+电压(mV)", "D-电压(mV)"};

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

} // namespace

数据采集窗口::数据采集窗口(MeasuringBoard& board, Clock& clock, QWidget* parent)
    : QWidget(parent), m_board(board), m_clock(clock) {
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
    for (int i = 0; i < frames::ReadingCount; ++i) {
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
    for (int i = 0; i < frames::ReadingCount; ++i) {
        connect(Text2[i], &QLineEdit::textChanged, this, [this, i] { Text2_Change(i); });
    }
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(&m_board, &MeasuringBoard::readingDue, this, [this] { showReading(); });
    connect(&m_board, &MeasuringBoard::bytesDue, this,
            [this](const QByteArray& bytes) { showBytes(bytes); });
    connect(&m_board, &MeasuringBoard::lost, this, [this] { clearFields(); });
    connect(&m_board, &MeasuringBoard::linkChanged, this, [this](bool connected) {
        Command3->setText(connected ? kMasterOpen : kMasterClosed);
        if (!connected) {
            Command1->setText(kOwnClosed);
        }
    });

    Form_Load();
}

数据采集窗口::~数据采集窗口() = default;

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
    for (int i = 0; i < frames::ReadingCount; ++i) {
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

void 数据采集窗口::Command3_Click() {
    if (onMasterPressed) {
        onMasterPressed();
    }
}

void 数据采集窗口::Command1_Click() {
    if (Command1->text() != kOwnClosed) {
        m_board.disconnect();
        Command1->setText(kOwnClosed);
        return;
    }
    if (SelectPort->currentText() == kPortPrompt) {
        return;
    }
    CommResult result;
    try {
        const qint16 port = portNumberOfEntry(SelectPort->currentText());
        Label9->setText(QString::number(port));
        result = m_board.connect(port, settingsText());
    } catch (const CommError& e) {
        result = {false, e.code()};
    }
    if (!result.done) {
        reportError(result.error);
        return;
    }
    Command1->setText(kOwnOpen);
}

void 数据采集窗口::showReading() {
    if (!isVisible()) {
        m_fieldsBehind = true;
        return;
    }
    m_fieldsBehind = false;
    const LiveReading& reading = m_board.reading();
    if (!reading) {
        return;
    }
    for (int i = 0; i < frames::ReadingCount; ++i) {
        const QString text = readingText(reading->values[i]);
        // An unchanged field is left alone: its change passes it on to the panel.
        if (Text2[i]->text() != text) {
            Text2[i]->setText(text);
        }
    }
}

void 数据采集窗口::showBytes(const QByteArray& bytes) {
    // The raw bytes are for someone looking at this window; hidden, they wait for its showing.
    if (isVisible()) {
        Text6->setPlainText(hexText(bytes));
    } else {
        m_bytesBehind = bytes;
    }
}

void 数据采集窗口::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_bytesBehind.isEmpty()) {
        Text6->setPlainText(hexText(std::exchange(m_bytesBehind, {})));
    }
    if (m_fieldsBehind) {
        showReading();
    }
}

void 数据采集窗口::Command2_Click() {
    const SimulatedFrame frame = simulateFrameText(Text3->text());
    if (frame.checksumText.isEmpty()) {
        return;
    }
    Text4->setText(frame.checksumText);
    if (frame.accepted) {
        m_board.take(frame.reading);
    }
}

void 数据采集窗口::Text2_Change(int index) {
    if (index >= 0 && index < frames::ReadingCount && onFieldChanged) {
        onFieldChanged(index, Text2[index]->text());
    }
}

void 数据采集窗口::clearFields() {
    m_fieldsBehind = false;
    m_bytesBehind.clear();
    for (QLineEdit* field : Text2) {
        // The emptied field passes nothing on: the panel keeps the last text, greyed, as what
        // was measured before the loss, not a 0 and not a blank.
        const QSignalBlocker quiet(field);
        field->clear();
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
    m_board.disconnect();
}
