#include "serial/RelayPanel.h"

#include "base/MessageBoxes.h"
#include "base/TimeText.h"
#include "serial/Controls.h"
#include "serial/FrameText.h"
#include "serial/Frames.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>

const QString 开关面板::kMasterClosed = QStringLiteral("打开总台串口号");
const QString 开关面板::kMasterOpen = QStringLiteral("关闭总台串口号");
const QString 开关面板::kOwnClosed = QStringLiteral("打开串口");
const QString 开关面板::kOwnOpen = QStringLiteral("关闭串口");

namespace {

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QByteArray bytesOf(std::span<const std::uint8_t> frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}

const QString kUsageNote =
    QStringLiteral("使用说明：\r\n"
                   "1. 在“端口设置”中选择继电器板所在的COM口（9600,N,8,1），按“打开串口”。\r\n"
                   "2. 按“测试联机”，收到CC即联机成功，指示灯变绿。\r\n"
                   "3. “1号继电器吸合/断开”“2号继电器吸合/断开”切换继电器；“查询”读回继电器状态，"
                   "绿色为吸合，红色为断开。\r\n"
                   "4. 接收区以十六进制显示收到的字节，累计60000字节后自动清空。");

} // namespace

QByteArray relayOpenFrames() {
    return bytesOf(frames::relaySwitchFrame(1, 0)) + bytesOf(frames::relaySwitchFrame(2, 0));
}

开关面板::开关面板(RelayBoard& board, QWidget* parent) : QWidget(parent), m_board(board) {
    setObjectName(QStringLiteral("开关面板"));
    setWindowTitle(QStringLiteral("2路串口继电器"));
    buildControls();

    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(&m_board, &RelayBoard::received, this,
            [this](const QByteArray& bytes, int reply, int count) {
                MSComm_OnComm(bytes, reply, count);
            });
    connect(&m_board, &RelayBoard::switched, this, [this](int relay, bool closed) {
        (relay == 1 ? Shape2 : Shape3)->setFillColor(closed ? Shape::kGreen : Shape::kRed);
    });
    connect(&m_board, &RelayBoard::linkChanged, this, [this](bool connected) {
        Command11->setText(connected ? kMasterOpen : kMasterClosed);
        if (!connected) {
            Command5->setText(kOwnClosed);
            Shape1->setFillColor(Shape::kRed);
        }
    });

    Form_Load();
    // Connected after loading: the port choice made by the load itself is applied there.
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { Combo1_Click(); });
}

开关面板::~开关面板() = default;

void 开关面板::buildControls() {
    auto* grid = new QGridLayout(this);

    Frame联机状态 =
        named(new QGroupBox(QStringLiteral("联机状态"), this), QStringLiteral("Frame1"));
    Command10 = named(new QPushButton(QStringLiteral("测试联机"), Frame联机状态),
                      QStringLiteral("Command10"));
    Shape4 = named(new Shape(Frame联机状态), QStringLiteral("Shape4"));
    Shape4->setAccessibleName(QStringLiteral("Connection test indicator"));
    auto* g1 = new QGridLayout(Frame联机状态);
    g1->addWidget(Command10, 0, 0);
    g1->addWidget(Shape4, 0, 1);
    grid->addWidget(Frame联机状态, 0, 0);

    Frame打开关闭串口 =
        named(new QGroupBox(QStringLiteral("打开/关闭串口"), this), QStringLiteral("Frame2"));
    Command11 =
        named(new QPushButton(kMasterClosed, Frame打开关闭串口), QStringLiteral("Command11"));
    Command5 = named(new QPushButton(kOwnClosed, Frame打开关闭串口), QStringLiteral("Command5"));
    Shape1 = named(new Shape(Frame打开关闭串口), QStringLiteral("Shape1"));
    Shape1->setAccessibleName(QStringLiteral("Port indicator"));
    auto* g2 = new QGridLayout(Frame打开关闭串口);
    g2->addWidget(Command11, 0, 0, 1, 2);
    g2->addWidget(Command5, 1, 0);
    g2->addWidget(Shape1, 1, 1);
    grid->addWidget(Frame打开关闭串口, 1, 0);

    Frame端口设置 =
        named(new QGroupBox(QStringLiteral("端口设置"), this), QStringLiteral("Frame3"));
    Combo1 = named(new QComboBox(Frame端口设置), QStringLiteral("Combo1"));
    Combo1->setAccessibleName(QStringLiteral("Relay board port"));
    Combo2 = named(editableCombo(QStringLiteral("9600"), Frame端口设置), QStringLiteral("Combo2"));
    Combo2->setAccessibleName(QStringLiteral("Baud rate"));
    Combo3 =
        named(editableCombo(QStringLiteral("无None"), Frame端口设置), QStringLiteral("Combo3"));
    Combo3->setAccessibleName(QStringLiteral("Parity"));
    Combo5 = named(editableCombo(QStringLiteral("1"), Frame端口设置), QStringLiteral("Combo5"));
    Combo5->setAccessibleName(QStringLiteral("Stop bits"));
    auto* g3 = new QGridLayout(Frame端口设置);
    g3->addWidget(new QLabel(QStringLiteral("COM口"), Frame端口设置), 0, 0);
    g3->addWidget(Combo1, 0, 1);
    g3->addWidget(new QLabel(QStringLiteral("波特率"), Frame端口设置), 1, 0);
    g3->addWidget(Combo2, 1, 1);
    g3->addWidget(new QLabel(QStringLiteral("校验位"), Frame端口设置), 2, 0);
    g3->addWidget(Combo3, 2, 1);
    g3->addWidget(new QLabel(QStringLiteral("停止位"), Frame端口设置), 3, 0);
    g3->addWidget(Combo5, 3, 1);
    grid->addWidget(Frame端口设置, 2, 0);

    Frame发送区 = named(new QGroupBox(QStringLiteral("发送区"), this), QStringLiteral("Frame4"));
    Command4 = named(new QPushButton(QStringLiteral("1号继电器吸合"), Frame发送区),
                     QStringLiteral("Command4"));
    Command6 = named(new QPushButton(QStringLiteral("1号继电器断开"), Frame发送区),
                     QStringLiteral("Command6"));
    Command7 = named(new QPushButton(QStringLiteral("2号继电器吸合"), Frame发送区),
                     QStringLiteral("Command7"));
    Command2 = named(new QPushButton(QStringLiteral("2号继电器断开"), Frame发送区),
                     QStringLiteral("Command2"));
    Command8 = named(new QPushButton(QStringLiteral("查询1号继电器"), Frame发送区),
                     QStringLiteral("Command8"));
    Command9 = named(new QPushButton(QStringLiteral("查询2号继电器"), Frame发送区),
                     QStringLiteral("Command9"));
    Shape2 = named(new Shape(Frame发送区), QStringLiteral("Shape2"));
    Shape2->setAccessibleName(QStringLiteral("Relay 1 indicator"));
    Shape3 = named(new Shape(Frame发送区), QStringLiteral("Shape3"));
    Shape3->setAccessibleName(QStringLiteral("Relay 2 indicator"));
    auto* g4 = new QGridLayout(Frame发送区);
    g4->addWidget(Command4, 0, 0);
    g4->addWidget(Command6, 0, 1);
    g4->addWidget(Command8, 0, 2);
    g4->addWidget(Shape2, 0, 3);
    g4->addWidget(Command7, 1, 0);
    g4->addWidget(Command2, 1, 1);
    g4->addWidget(Command9, 1, 2);
    g4->addWidget(Shape3, 1, 3);
    grid->addWidget(Frame发送区, 0, 1, 2, 1);

    Frame接收区 = named(new QGroupBox(QStringLiteral("接收区"), this), QStringLiteral("Frame5"));
    TxtReceive = named(new QPlainTextEdit(Frame接收区), QStringLiteral("TxtReceive"));
    TxtReceive->setAccessibleName(QStringLiteral("Received bytes"));
    Command3 =
        named(new QPushButton(QStringLiteral("清接收区"), Frame接收区), QStringLiteral("Command3"));
    Command1 =
        named(new QPushButton(QStringLiteral("使用说明"), Frame接收区), QStringLiteral("Command1"));
    auto* g5 = new QGridLayout(Frame接收区);
    g5->addWidget(TxtReceive, 0, 0, 1, 2);
    g5->addWidget(Command3, 1, 0);
    g5->addWidget(Command1, 1, 1);
    grid->addWidget(Frame接收区, 2, 1);
}

void 开关面板::Form_Load() {
    m_board.disconnect();
    Combo1->clear();
    for (int i = 1; i <= 16; ++i) {
        Combo1->addItem(QStringLiteral("COM%1").arg(i));
    }
    Combo1->setCurrentIndex(0);
    m_board.choosePort(static_cast<qint16>(Combo1->currentIndex() + 1));
}

void 开关面板::Command11_Click() {
    if (onMasterPressed) {
        onMasterPressed();
    }
}

void 开关面板::check(const RelayBoard::Result& result) {
    if (result.done) {
        m_reportedSendFailure.reset();
        return;
    }
    const std::pair<int, qint16> failure{result.error, m_board.port()};
    if (m_reportedSendFailure == failure) {
        return;
    }
    m_reportedSendFailure = failure;
    showMessageLater(this, this,
                     QStringLiteral("系统错误,错误编号：") + QString::number(result.error),
                     windowTitle(), MessageButtons::Ok);
}

void 开关面板::Command4_Click() {
    check(m_board.switchRelay(1, true));
}

void 开关面板::Command6_Click() {
    check(m_board.switchRelay(1, false));
}

void 开关面板::Command7_Click() {
    check(m_board.switchRelay(2, true));
}

void 开关面板::Command2_Click() {
    check(m_board.switchRelay(2, false));
}

void 开关面板::Command8_Click() {
    check(m_board.query(1));
}

void 开关面板::Command9_Click() {
    check(m_board.query(2));
}

void 开关面板::Command10_Click() {
    check(m_board.test());
}

void 开关面板::Command5_Click() {
    if (Command5->text() != kOwnOpen) {
        if (!m_board.connect(m_board.port()).done) {
            showMessage(this, QStringLiteral("无效端口号"), QStringLiteral("串口调试助手"),
                        MessageButtons::Ok, MessageIcon::Warning);
            return;
        }
        Command5->setText(kOwnOpen);
        Shape1->setFillColor(Shape::kGreen);
        return;
    }
    m_board.disconnect();
    Command5->setText(kOwnClosed);
    Shape1->setFillColor(Shape::kRed);
}

void 开关面板::Combo1_Click() {
    m_board.disconnect();
    if (Combo1->currentIndex() >= 0) {
        m_board.choosePort(static_cast<qint16>(Combo1->currentIndex() + 1));
    }
}

void 开关面板::Command3_Click() {
    TxtReceive->clear();
}

void 开关面板::Command1_Click() {
    TxtReceive->setPlainText(kUsageNote);
}

void 开关面板::MSComm_OnComm(const QByteArray& bytes, int reply, int count) {
    if (!bytes.isEmpty()) {
        TxtReceive->moveCursor(QTextCursor::End);
        TxtReceive->insertPlainText(hexText(bytes));
    }
    switch (static_cast<frames::Reply>(reply)) {
    case frames::Reply::TestAnswered:
        Command10->setText(QStringLiteral("测试成功"));
        Shape4->setFillColor(Shape::kGreen);
        break;
    case frames::Reply::Relay1Closed:
        Shape2->setFillColor(Shape::kGreen);
        break;
    case frames::Reply::Relay1Open:
        Shape2->setFillColor(Shape::kRed);
        break;
    case frames::Reply::Relay2Closed:
        Shape3->setFillColor(Shape::kGreen);
        break;
    case frames::Reply::Relay2Open:
        Shape3->setFillColor(Shape::kRed);
        break;
    case frames::Reply::Incomplete:
        return;
    case frames::Reply::None:
        break;
    }
    m_receivedTotal = checkedAdd(m_receivedTotal, count);
    if (m_receivedTotal >= kReceiveAreaLimit) {
        TxtReceive->clear();
        m_receivedTotal = 0;
    }
}
