#include "intro/IntroWindow.h"

#include "base/Clock.h"
#include "base/FreedMemory.h"
#include "base/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
constexpr int kSplashWidth = 11900;
constexpr int kSplashHeight = 7000;
constexpr int kVideoWindowHeight = 8400;
constexpr qint64 kGiveUpMs = 15000;
constexpr qint64 kMinimumSplashMs = 10000;
constexpr int kFreedMemoryDelayMs = 2000;

QPushButton* videoButton(QWidget* parent, const QString& caption, const char* name, int left) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setGeometry(twipsRect(left, 7320, 3015, 495));
    return button;
}
} // namespace

片头::片头(Services services) : m_services(std::move(services)) {
    setObjectName(QStringLiteral("片头"));
    setWindowTitle(QStringLiteral("Video Intro"));
    m_player = std::move(m_services.player);
    WindowsMediaPlayer1 = m_player.get();
    QWidget* video = m_player->widget();
    video->setParent(this);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    通知信息 = new QLabel(QStringLiteral("Loading "), this);
    通知信息->setObjectName(QStringLiteral("通知信息"));
    通知信息->setGeometry(twipsRect(0, 6270, 11655, 255));
    // Small enough that the longest progress text ends before the bar begins.
    通知信息->setStyleSheet(QStringLiteral("color: white; background: black; font-size: 9px;"));
    通知信息->setAccessibleDescription(QStringLiteral("Loading progress"));
    通知信息->hide();
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(twipsRect(1330, 6300, 8990, 150));
    ProgressBar1->setRange(0, 133);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Loading progress bar"));
    Play1_Kelmira = videoButton(this, QStringLiteral("Kelmira (logo)"), "Play1_Kelmira", 120);
    Play2_Dorvex = videoButton(this, QStringLiteral("Dorvex"), "Play2_Dorvex", 4320);
    Play3_Varnol = videoButton(this, QStringLiteral("Varnol"), "Play3_Varnol", 8520);
    connect(Play1_Kelmira, &QPushButton::clicked, this, [this] { Play1_Kelmira_Click(); });
    connect(Play2_Dorvex, &QPushButton::clicked, this, [this] { Play2_Dorvex_Click(); });
    connect(Play3_Varnol, &QPushButton::clicked, this, [this] { Play3_Varnol_Click(); });

    检查文件是否齐全 = new QTimer(this);
    检查文件是否齐全->setInterval(2000);
    connect(检查文件是否齐全, &QTimer::timeout, this, [this] { 检查文件是否齐全_Timer(); });
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    setVideoWindowSize(false);

    // Loading the window.
    检查文件是否齐全->start();
    m_splashStart = m_services.clock->monotonicMs();
    Timer1->start();
    Play1_Kelmira_Click();
}

片头::~片头() = default;

qint64 片头::elapsedMs() const {
    // A 64-bit monotonic count: it neither wraps nor jumps with the wall clock.
    return m_services.clock->monotonicMs() - m_splashStart;
}

void 片头::start() {
    检查文件是否齐全->start();
    setVideoWindowSize(false);
    通知信息->show();
    WindowsMediaPlayer1->setMute(true);
    centreOnScreen();
    show();
}

void 片头::centreOnScreen() {
    if (const QScreen* s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

void 片头::showAsVideoWindow() {
    setVideoWindowSize(true);
    通知信息->hide();
    // The bar goes too: in the video window's size it would stand inside the video surface, a
    // native window that nothing can be drawn over, and the check it showed is stopped here.
    ProgressBar1->hide();
    if (!isVisible()) {
        centreOnScreen();
    }
    show();
    raise();
    activateWindow();
    Timer1->stop();
    检查文件是否齐全->stop();
}

void 片头::检查文件是否齐全_Timer() {
    if (elapsedMs() > kGiveUpMs) {
        检查文件是否齐全->stop();
        return;
    }
    const InstalledFileCheck check = checkInstalledFiles(installedNamesIn(m_services.folder));
    if (check.lastFoundStep > 0) {
        通知信息->setText(progressText(check.lastFoundStep));
        ProgressBar1->setValue(check.lastFoundStep);
    }
    if (check.missing) {
        callHook(*check.missing);
        return;
    }
    检查文件是否齐全->stop();
}

void 片头::callHook(ReleaseHook hook) {
    switch (hook) {
    case ReleaseHook::Files:
        重新释放文件();
        break;
    case ReleaseHook::Dll:
        重新释放Dll文件();
        break;
    case ReleaseHook::Ocx:
        重新释放OCX文件();
        break;
    case ReleaseHook::Mp4:
        重新释放mp4文件();
        break;
    case ReleaseHook::Chm:
        重新释放chm文件();
        break;
    case ReleaseHook::Tsy:
        重新释放tsy文件();
        break;
    }
}

void 片头::Timer1_Timer() {
    if (elapsedMs() <= kMinimumSplashMs) {
        return;
    }
    if (检查文件是否齐全->isActive()) {
        // The logo video repeats while the check goes on.
        if (WindowsMediaPlayer1->playState() == VideoPlayer::Stopped) {
            Play1_Kelmira_Click();
        }
        return;
    }
    Timer1->stop();
    m_handedOver = true;
    // The main panel comes up before the splash goes, so there is always a window on screen.
    if (m_services.handOver) {
        m_services.handOver();
    }
    hide();
    // The logo video is not heard or decoded behind a hidden window, and its decoders and
    // threads are not kept for a run that may last days; the video window starts them anew.
    releasePlayer();
    setVideoWindowSize(true);
    通知信息->hide();
    ProgressBar1->hide();
}

void 片头::Play1_Kelmira_Click() {
    WindowsMediaPlayer1->setFileName(QStringLiteral("Kelmira.mp4"));
    WindowsMediaPlayer1->play();
}

void 片头::Play2_Dorvex_Click() {
    Timer1->stop();
    WindowsMediaPlayer1->setFileName(QStringLiteral("Dorvex.mp4"));
    WindowsMediaPlayer1->play();
}

void 片头::Play3_Varnol_Click() {
    Timer1->stop();
    WindowsMediaPlayer1->setFileName(QStringLiteral("Varnol.mp4"));
    WindowsMediaPlayer1->play();
}

void 片头::setVideoWindowSize(bool video) {
    setFixedSize(twips(kSplashWidth), twips(video ? kVideoWindowHeight : kSplashHeight));
    // In the splash the video ends where the progress line begins.
    WindowsMediaPlayer1->widget()->setGeometry(twipsRect(0, 0, 11655, video ? 7215 : 6270));
    // Below the splash's lower edge the buttons are out of view; they must not take keyboard
    // input there either.
    for (QPushButton* button : {Play1_Kelmira, Play2_Dorvex, Play3_Varnol}) {
        button->setEnabled(video);
    }
}

void 片头::releasePlayer() {
    WindowsMediaPlayer1->release();
    // The video frames it held, and any still on their way, are let go of by then.
    QTimer::singleShot(kFreedMemoryDelayMs, this, [] { returnFreedMemory(); });
}

void 片头::closeEvent(QCloseEvent* event) {
    releasePlayer();
    if (!m_handedOver) {
        // Closing the splash ends the program: no main panel may appear after it.
        检查文件是否齐全->stop();
        Timer1->stop();
        event->accept();
        if (m_services.closedBeforeHandOver) {
            m_services.closedBeforeHandOver();
        }
        return;
    }
    event->accept();
}
