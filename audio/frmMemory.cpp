#include "audio/frmMemory.h"

#include "base/MessageBoxes.h"
#include "base/Paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

// Outside any namespace, as the resource's initialiser is declared where this expands.
static void registerEmbeddedSound() {
    Q_INIT_RESOURCE(embedded_sound);
}

namespace {

constexpr DWORD kVersion22 = 0x00020002;
constexpr DWORD kFrequency = 44100;

frmMemory* g_window = nullptr;

// Seconds to the nearest whole second, halves to even; 0 for what is not a number, and the
// 32-bit range at most, so a failed query never stops a display update.
qint32 nearestSecond(double seconds) {
    if (std::isnan(seconds)) {
        return 0;
    }
    const double clamped = std::clamp(seconds, double(std::numeric_limits<qint32>::min()),
                                      double(std::numeric_limits<qint32>::max()));
    return static_cast<qint32>(std::nearbyint(clamped));
}

QString oneDecimal(float value) {
    return QString::number(double(value), 'f', 1);
}

QLabel* describedLabel(const QString& caption, const char* name, const QString& description,
                       QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleDescription(description);
    return label;
}

QPushButton* namedButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

frmMemory::frmMemory(PlayerSetup setup) : m_setup(std::move(setup)) {
    Q_ASSERT(g_window == nullptr);
    g_window = this;
    registerEmbeddedSound();
    buildControls();
    Form_Initialize();
}

frmMemory::~frmMemory() {
    tmrBASS->stop();
    m_engine.reset();
    if (g_window == this) {
        g_window = nullptr;
    }
}

void frmMemory::setStepZeroClip(std::function<QString()> clip) {
    m_setup.stepZeroClip = std::move(clip);
}

void frmMemory::buildControls() {
    setObjectName(QStringLiteral("frmMemory"));
    setWindowTitle(QStringLiteral("播放内存音乐文件"));

    cmdOpenPlay =
        namedButton(QStringLiteral("开启一个外部文件，读入内存并播放"), "cmdOpenPlay", this);
    Command1 = namedButton(QStringLiteral("Command1"), "Command1", this);
    chkSYNC = new QCheckBox(QStringLiteral("结束时通知"), this);
    chkSYNC->setObjectName(QStringLiteral("chkSYNC"));
    tmrBASS = new QTimer(this);
    tmrBASS->setObjectName(QStringLiteral("tmrBASS"));
    tmrBASS->setInterval(100);

    lblFilePath = describedLabel(QStringLiteral("文件位置:"), "lblFilePath",
                                 QStringLiteral("Current file"), this);
    lblDur = describedLabel(QStringLiteral("总计时: 0.0 秒 / 00:00:00"), "lblDur",
                            QStringLiteral("Length"), this);
    lblPos = describedLabel(QStringLiteral("当前位置: 0.0 秒"), "lblPos",
                            QStringLiteral("Position"), this);
    lblMins = describedLabel(QStringLiteral("当前时间: 00:00:00"), "lblMins",
                             QStringLiteral("Time left"), this);
    lblFreq =
        describedLabel(QStringLiteral("频率:"), "lblFreq", QStringLiteral("Sample format"), this);
    lblBPS = describedLabel(QStringLiteral("Bytes/s:"), "lblBPS",
                            QStringLiteral("Bytes per second"), this);
    lblBitsPS = describedLabel(QStringLiteral("Kbp/s:"), "lblBitsPS",
                               QStringLiteral("Average bit rate"), this);
    lblDXVer = describedLabel(QStringLiteral("DX 版本:"), "lblDXVer",
                              QStringLiteral("DirectSound version"), this);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setAccessibleName(QStringLiteral("Test file name"));
    for (std::size_t i = 0; i < Text1.size(); ++i) {
        Text1[i] = new QLineEdit(QStringLiteral("0"), Frame1);
        Text1[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
    }
    Text1[0]->setAccessibleName(QStringLiteral("Test file name first part"));
    Text1[1]->setAccessibleName(QStringLiteral("Test file name second part"));
    Command2 = namedButton(QStringLiteral("确认文件名"), "Command2", Frame1);
    Label1 = describedLabel(QStringLiteral("00.mp3"), "Label1",
                            QStringLiteral("Joined test file name"), Frame1);

    auto* frameLayout = new QGridLayout(Frame1);
    frameLayout->addWidget(Text1[0], 0, 0);
    frameLayout->addWidget(Text1[1], 0, 1);
    frameLayout->addWidget(Command2, 0, 2);
    frameLayout->addWidget(Label1, 1, 0, 1, 3);

    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{cmdOpenPlay, Command1, chkSYNC, lblFilePath,
                                                      lblDur, lblPos, lblMins, lblFreq, lblBPS,
                                                      lblBitsPS, lblDXVer, Frame1}) {
        layout->addWidget(w);
    }

    connect(tmrBASS, &QTimer::timeout, this, [this] { tmrBASS_Timer(); });
    connect(cmdOpenPlay, &QPushButton::clicked, this, [this] { cmdOpenPlay_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    // Whenever the value changes, by the operator or by code.
    connect(chkSYNC, &QCheckBox::toggled, this, [this] { chkSYNC_Click(); });
}

bool frmMemory::Form_Initialize() {
    enterProgramFolder();
    const QString folder = programFolder();
    if (!FileExists(RPP(folder) + bassLibraryFileName())) {
        showMessage(this, QStringLiteral("BASS.DLL does not exists"), QStringLiteral("BASS.DLL"),
                    MessageButtons::Ok, MessageIcon::Critical);
        endProgram(EXIT_FAILURE);
        return false;
    }
    // A file that does not load or lacks an entry point is no usable 2.2 library either.
    const BassLoad load = m_setup.loadLibrary(folder);
    if (!load.api || load.api->GetVersion() != kVersion22) {
        showMessage(this, QStringLiteral("BASS version 2.2 was not loaded"),
                    QStringLiteral("Incorrect BASS.DLL"), MessageButtons::Ok,
                    MessageIcon::Critical);
        endProgram(EXIT_FAILURE);
        return false;
    }
    const BassApi& api = *load.api;
    if (!api.Init(-1, kFrequency, 0, reinterpret_cast<HWND>(winId()), nullptr)) {
        ShowBassError(QStringLiteral("Couldn't Initialize Digital Output"), api.ErrorGetCode());
        endProgram(EXIT_FAILURE);
        return false;
    }
    m_queries = std::make_unique<cbass_time>(api);
    lblDXVer->setText(QStringLiteral("DX Version: ") + QString::number(m_queries->GetDXver()));
    PlaybackDisplay& display = *this;
    m_engine = std::make_unique<PlaybackEngine>(api, *m_queries, *this, display);
    return true;
}

void frmMemory::endProgram(int exitCode) {
    if (m_setup.endProgram) {
        m_setup.endProgram(exitCode);
    } else {
        std::exit(exitCode);
    }
}

void frmMemory::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void frmMemory::Form_Unload() {
    tmrBASS->stop();
    // Waits for a running load, then frees the output, every channel and the image.
    m_engine.reset();
    endProgram(EXIT_SUCCESS);
}

void frmMemory::播放一个指定文件(const QString& 音频文件名) {
    if (!m_engine) {
        return;
    }
    if (m_engine->busy()) {
        // Dropping it could leave a pump running while its panel says stopped.
        m_waiting = 音频文件名;
        return;
    }
    m_waiting.reset();
    cmd.FileName = 音频文件名;
    tmrBASS->stop();
    lblFilePath->setText(QStringLiteral("文件: ") + GetFileName(音频文件名));
    cmdOpenPlay->setText(QStringLiteral("文件读入中..."));
    // Opened for reading only, so a missing name never creates a file; only ordinary files,
    // as opening a pipe would wait for its writer.
    std::unique_ptr<QFile> input;
    DWORD n = 0;
    if (QFileInfo(音频文件名).isFile()) {
        input = std::make_unique<QFile>(音频文件名);
        const qint64 size = input->open(QIODevice::ReadOnly) ? input->size() : 0;
        if (size > 0 && size <= qint64{std::numeric_limits<DWORD>::max()}) {
            n = static_cast<DWORD>(size);
        }
    }
    if (n == 0) {
        // Nothing to load: the sound that plays goes on, and the loader stays free, so the
        // request right behind this one (the idle clip after a program's empty end) is heard.
        return;
    }
    m_engine->startFileLoad(std::move(input), n);
}

void frmMemory::loaderFinished() {
    if (m_waiting && m_engine && !m_engine->busy()) {
        const QString name = *m_waiting;
        m_waiting.reset();
        播放一个指定文件(name);
    }
}

void frmMemory::chkSYNC_Click() {
    if (m_engine) {
        m_engine->setEndNotification(chkSYNC->isChecked());
    }
}

void frmMemory::tmrBASS_Timer() {
    if (!m_engine) {
        return;
    }
    const DWORD channel = m_engine->currentChannel();
    const float p = m_queries->GetPlayingPos(channel);
    lblPos->setText(QStringLiteral("当前位置: ") + oneDecimal(p) + QStringLiteral(" seconds"));
    const float d = m_queries->GetDuration(channel);
    const float p2 = m_queries->GetPlayingPos(channel);
    lblMins->setText(QStringLiteral("当前时间: ") +
                     m_queries->GetTime(nearestSecond(double(d) - double(p2))));
}

void frmMemory::cmdOpenPlay_Click() {
    if (m_setup.stepZeroClip) {
        播放一个指定文件(m_setup.stepZeroClip());
    }
}

void frmMemory::Command1_Click() {
    if (!m_engine) {
        return;
    }
    if (m_engine->busy()) {
        QApplication::beep();
        return;
    }
    // The loader restarts the position display once the new channel plays.
    tmrBASS->stop();
    lblFilePath->setText(QStringLiteral("文件: 从资源文件中播放“"));
    Command1->setText(QStringLiteral("文件读入中..."));
    m_engine->startResourceLoad();
}

void frmMemory::Command2_Click() {
    Label1->setText(Text1[0]->text() + Text1[1]->text() + QStringLiteral(".mp3"));
    Label1->repaint();
}

void frmMemory::ShowBassError(const QString& message, int errorCode) {
    showMessage(this,
                message + QStringLiteral("\r\n(error code: ") + QString::number(errorCode) +
                    QLatin1Char(')'),
                QStringLiteral("Error"), MessageButtons::Ok, MessageIcon::Warning);
}

bool frmMemory::FileExists(const QString& fp) {
    const QFileInfo info(fp);
    return info.isFile() && !info.isHidden();
}

QString frmMemory::RPP(const QString& fp) {
    if (fp.endsWith(QLatin1Char('\\')) || fp.endsWith(QLatin1Char('/'))) {
        return fp;
    }
    return fp + QDir::separator();
}

QString frmMemory::GetFileName(const QString& fp) {
    const qsizetype cut =
        std::max(fp.lastIndexOf(QLatin1Char('\\')), fp.lastIndexOf(QLatin1Char('/')));
    return fp.mid(cut + 1);
}

void frmMemory::loadDecoded(LoadSource source) {
    if (source == LoadSource::File) {
        cmdOpenPlay->setText(QStringLiteral("播放中... 点击开启另一音乐文件"));
    } else {
        Command1->setText(QStringLiteral("从内存中在播放"));
    }
}

void frmMemory::playbackStarted(const ChannelFacts& f) {
    tmrBASS->start();
    lblDur->setText(QStringLiteral("总计时: ") + oneDecimal(f.duration) +
                    QStringLiteral(" seconds / ") +
                    m_queries->GetTime(nearestSecond(double(f.duration))));
    lblFreq->setText(QStringLiteral("频率: ") + QString::number(f.frequency) +
                     QStringLiteral(" Hz, ") + QString::number(f.bits) + QStringLiteral(" bits, ") +
                     f.mode);
    lblBPS->setText(QStringLiteral("Bytes/s: ") + QString::number(f.bytesPerSecond));
    lblBitsPS->setText(QStringLiteral("Kbp/s: ") + QString::number(f.kbitsPerSecond) +
                       QStringLiteral(" [average kbp/s for vbr mp3s]"));
}

void frmMemory::loadFailed(const QString& message, int errorCode) {
    ShowBassError(message, errorCode);
}

void frmMemory::channelEnded() {
    showMessage(this, QStringLiteral("End..."), QStringLiteral("SYNCtest"), MessageButtons::Ok,
                MessageIcon::Information);
}
