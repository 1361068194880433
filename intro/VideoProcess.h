#pragma once

#include "intro/VideoProtocol.h"

#include <QImage>
#include <QObject>
#include <QSize>

class QProcess;

// The intro video helper as the player sees it: a media player whose state mirrors what the
// helper process reports, and whose frames arrive as images. A helper that cannot start or
// that ends on its own reads as a failed, stopped player.
class VideoProcess final : public QObject {
    Q_OBJECT

public:
    // helper: the helper's executable.
    VideoProcess(const QString& helper, QObject* parent);
    // Starts the helper; commands given before are kept for it. A helper that cannot start
    // reports failedNow() from here.
    void start();
    // Closes the helper's input, upon which it ends; it is not waited for.
    ~VideoProcess() override;

    void setSource(const QString& path);
    void play();
    void pause();
    void stop();
    void seek(qint64 ms);
    void setMuted(bool muted);
    // The view the frames are shown in: they come no larger than fits.
    void setViewSize(const QSize& size);

    VideoProtocol::State state() const { return m_state; }
    VideoProtocol::Status status() const { return m_status; }
    bool hasVideo() const { return m_hasVideo; }
    // The video cannot be played: a damaged file, no decoder, or no helper.
    bool failed() const { return m_failed; }
    // The helper is not running: it could not start, or it ended on its own.
    bool ended() const;
    // The helper could not be started at all; starting it again will not help.
    bool missing() const { return m_missing; }

signals:
    void stateChanged();
    void statusChanged();
    void failedNow();
    void durationChanged(qint64 ms);
    void positionChanged(qint64 ms);
    void frameArrived(const QImage& frame);

private:
    void send(const QByteArray& line);
    void command(const QByteArray& line, VideoProtocol::State expected);
    void readEvents();
    void handle(const QByteArray& line);
    void fail();

    QProcess* m_process = nullptr;
    QString m_helper;
    VideoProtocol::State m_state = VideoProtocol::State::Stopped;
    VideoProtocol::Status m_status = VideoProtocol::Status::None;
    bool m_hasVideo = false;
    bool m_failed = false;
    bool m_missing = false;
    // The frame whose pixels are still to come.
    QSize m_frameSize;
    QSize m_viewSize;
};
