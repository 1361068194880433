#pragma once

#include <QString>

class QWidget;

// The media player as the splash uses it: a file name, play, the play state and mute. Any
// component offering these can stand behind it; tests use a fake.
class VideoPlayer {
public:
    // Play states as the splash reads them.
    enum State { Undefined = 0, Stopped = 1, Paused = 2, Playing = 3 };

    virtual ~VideoPlayer() = default;
    // The widget that shows the video and the player's own controls.
    virtual QWidget* widget() = 0;
    // Gives the player a file, relative to the current folder; it starts playing it at once.
    virtual void setFileName(const QString& name) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual State playState() const = 0;
    virtual void setMute(bool mute) = 0;
    virtual bool isMuted() const = 0;
    // Stops and lets go of whatever playing needs (decoders, threads, buffers) until the next
    // file or play. The widget stays as a stopped player's.
    virtual void release() = 0;
};
