#pragma once

#include <QMediaPlayer>
#include <QObject>
#include <QSize>
#include <QVideoSink>

class QAudioOutput;
class Outbox;
class QVideoFrame;

// Plays the program's videos in this helper process: commands come in as lines, the player's
// state and its frames, scaled to the program's view, go out on the given device.
class VideoHelper final : public QObject {
public:
    explicit VideoHelper(Outbox& out);

    // One command line, without its line end; unknown commands are ignored.
    void command(const QByteArray& line);

private:
    void sendFrame(const QVideoFrame& frame);

    Outbox& m_out;
    QMediaPlayer m_player;
    QVideoSink m_sink;
    QAudioOutput* m_audio = nullptr;
    // The program's view: frames are sent no larger than fits in it, and never enlarged.
    QSize m_view;
};
