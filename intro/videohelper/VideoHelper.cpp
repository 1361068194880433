#include "intro/videohelper/VideoHelper.h"
#include "intro/VideoProtocol.h"
#include "intro/videohelper/Outbox.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QImage>
#include <QMediaDevices>
#include <QUrl>
#include <QVideoFrame>

using VideoProtocol::State;
using VideoProtocol::Status;

namespace {

State stateOf(QMediaPlayer::PlaybackState state) {
    switch (state) {
    case QMediaPlayer::PlayingState:
        return State::Playing;
    case QMediaPlayer::PausedState:
        return State::Paused;
    case QMediaPlayer::StoppedState:
        break;
    }
    return State::Stopped;
}

Status statusOf(QMediaPlayer::MediaStatus status) {
    switch (status) {
    case QMediaPlayer::LoadingMedia:
        return Status::Loading;
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferedMedia:
        return Status::Loaded;
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::StalledMedia:
        return Status::Buffering;
    case QMediaPlayer::EndOfMedia:
        return Status::End;
    case QMediaPlayer::InvalidMedia:
        return Status::Invalid;
    case QMediaPlayer::NoMedia:
        break;
    }
    return Status::None;
}

} // namespace

VideoHelper::VideoHelper(Outbox& out) : m_out(out) {
    m_player.setVideoOutput(&m_sink);
    // An audio output only where the machine has one: without it some back ends fail in their
    // audio thread, and the video still plays silently.
    if (!QMediaDevices::audioOutputs().isEmpty()) {
        m_audio = new QAudioOutput(this);
        m_audio->setVolume(0.5f);
        m_player.setAudioOutput(m_audio);
    }
    connect(&m_sink, &QVideoSink::videoFrameChanged, this,
            [this](const QVideoFrame& frame) { sendFrame(frame); });
    connect(&m_player, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) {
                m_out.line("state " + VideoProtocol::word(stateOf(state)));
            });
    connect(&m_player, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                m_out.line("status " + VideoProtocol::word(statusOf(status)));
            });
    connect(&m_player, &QMediaPlayer::hasVideoChanged, this,
            [this](bool video) { m_out.line(video ? "video 1" : "video 0"); });
    connect(&m_player, &QMediaPlayer::durationChanged, this,
            [this](qint64 ms) { m_out.line("duration " + QByteArray::number(ms)); });
    connect(&m_player, &QMediaPlayer::positionChanged, this,
            [this](qint64 ms) { m_out.line("position " + QByteArray::number(ms)); });
    connect(&m_player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) {
                m_out.line("error " + text.simplified().toUtf8());
            });
}

void VideoHelper::command(const QByteArray& line) {
    const auto [name, argument] = VideoProtocol::split(line);
    if (name == "source") {
        m_player.setSource(QUrl::fromLocalFile(QString::fromUtf8(argument)));
    } else if (name == "play") {
        m_player.play();
    } else if (name == "pause") {
        m_player.pause();
    } else if (name == "stop") {
        m_player.stop();
    } else if (name == "seek") {
        m_player.setPosition(argument.toLongLong());
    } else if (name == "mute") {
        if (m_audio) {
            m_audio->setMuted(argument == "1");
        }
    } else if (name == "size") {
        m_view = VideoProtocol::sizeFromText(argument);
    }
}

void VideoHelper::sendFrame(const QVideoFrame& frame) {
    // The program has not taken the last one yet: this one is not converted only to be dropped.
    // The first frames of a video can come without pixels.
    if (m_out.frameOnItsWay() || !frame.isValid()) {
        return;
    }
    QImage image = frame.toImage();
    if (image.isNull()) {
        return;
    }
    const QSize fitted = image.size().scaled(m_view, Qt::KeepAspectRatio);
    if (!m_view.isEmpty() && fitted.width() < image.width()) {
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    image.convertTo(QImage::Format_RGB32);
    // A 32-bit image's lines follow each other without padding.
    m_out.frame("frame " + VideoProtocol::text(image.size()),
                reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}
