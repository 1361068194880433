#pragma once

#include "intro/VideoPlayer.h"

#include <QString>
#include <memory>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QSlider;
class QStackedLayout;
class QVideoSink;
class VideoFrameView;

// The video player on Qt Multimedia: a video area with the product picture behind it, shown
// whenever no video can be played, and a row of controls (play or pause, stop, mute, position).
// The media back end starts after the window is first shown, so the splash appears at once,
// and goes again on release(); the next video starts it anew.
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
    void loadPicture();
    void showPicture(bool picture);
    void updateControls();

    std::unique_ptr<QWidget> m_widget;
    QStackedLayout* m_stack = nullptr;
    QLabel* m_picture = nullptr;
    VideoFrameView* m_video = nullptr;
    QVideoSink* m_sink = nullptr;
    QPushButton* m_playPause = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_mute = nullptr;
    QSlider* m_position = nullptr;
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QString m_picturePath;
    QString m_file;
    bool m_muted = false;
    bool m_wantPlay = false;
    bool m_shown = false;
};
