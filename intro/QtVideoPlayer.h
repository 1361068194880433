#pragma once

#include "intro/VideoPlayer.h"

#include <QString>
#include <memory>

class QLabel;
class QPushButton;
class QSlider;
class QStackedLayout;
class VideoFrameView;
class VideoProcess;

// The video player: a video area with the product picture behind it, shown whenever no video
// can be played, and a row of controls (play or pause, stop, mute, position). The videos play
// on Qt Multimedia in the helper process beside the program, so the media back end never loads
// into a program that runs for days. The helper starts after the window is first shown, so the
// splash appears at once, and ends on release(); the next video starts it anew.
class QtVideoPlayer final : public VideoPlayer {
public:
    // picture: shown while no video plays (no decoder, no file).
    explicit QtVideoPlayer(const QString& picture);
    ~QtVideoPlayer() override;

    QWidget* widget() override;
    void setFileName(const QString& name) override;
    void play() override;
    void stop() override;
    State playState() const override;
    void setMute(bool mute) override;
    bool isMuted() const override { return m_muted; }
    void release() override;

private:
    void startBackEnd();
    void discardBackEnd();
    void sendViewSize();
    void loadPicture();
    void showPicture(bool picture);
    void updateControls();

    std::unique_ptr<QWidget> m_widget;
    QStackedLayout* m_stack = nullptr;
    QLabel* m_picture = nullptr;
    VideoFrameView* m_video = nullptr;
    QPushButton* m_playPause = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_mute = nullptr;
    QSlider* m_position = nullptr;
    VideoProcess* m_player = nullptr;
    QString m_picturePath;
    QString m_file;
    bool m_muted = false;
    bool m_wantPlay = false;
    bool m_shown = false;
};
