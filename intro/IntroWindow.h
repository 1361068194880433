#pragma once

#include "intro/InstalledFiles.h"
#include "intro/VideoPlayer.h"

#include <QWidget>
#include <functional>
#include <memory>

class Clock;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The intro window: first the splash that plays the logo video while it looks for the installed
// files and then hands over to the main panel; later, enlarged, the "Video intro" window with
// its three video buttons.
class 片头 : public QWidget {
public:
    struct Services {
        Clock* clock = nullptr;
        // The folder the installed files are looked for in.
        QString folder;
        std::unique_ptr<VideoPlayer> player;
        // Shows the main panel; called once, at the hand-over.
        std::function<void()> handOver;
        // The window was closed before the hand-over: the program ends.
        std::function<void()> closedBeforeHandOver;
    };

    // Loading the window: the elapsed time starts, the hand-over timer runs and the logo video
    // starts.
    explicit 片头(Services services);
    ~片头() override;

    // Shows the window as the splash, muted, as the entry procedure does.
    void start();
    // Shows the window enlarged, with its buttons, and stops both timers.
    void showAsVideoWindow();

    void 检查文件是否齐全_Timer();
    void Timer1_Timer();
    void Play1_Kelmira_Click();
    void Play2_Dorvex_Click();
    void Play3_Varnol_Click();

    // Called when a file is missing; nothing is put back on this platform.
    void 重新释放文件() {}
    void 重新释放Dll文件() {}
    void 重新释放OCX文件() {}
    void 重新释放mp4文件() {}
    void 重新释放chm文件() {}
    void 重新释放tsy文件() {}

    // Milliseconds since the window loaded.
    qint64 elapsedMs() const;

    // Controls, named as the operator's documentation names them.
    VideoPlayer* WindowsMediaPlayer1 = nullptr;
    QLabel* 通知信息 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Play1_Kelmira = nullptr;
    QPushButton* Play2_Dorvex = nullptr;
    QPushButton* Play3_Varnol = nullptr;
    QTimer* 检查文件是否齐全 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The splash size hides the buttons below the window; the video size shows them.
    void setVideoWindowSize(bool video);
    void releasePlayer();
    void centreOnScreen();
    void callHook(ReleaseHook hook);

    Services m_services;
    std::unique_ptr<VideoPlayer> m_player;
    qint64 m_splashStart = 0;
    bool m_handedOver = false;
};
