#include "intro/VideoProcess.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

using VideoProtocol::State;
using VideoProtocol::Status;

namespace {
// How long a helper told to end may take before it is killed.
constexpr int kEndGraceMs = 3000;
} // namespace

VideoProcess::VideoProcess(const QString& helper, QObject* parent)
    : QObject(parent), m_process(new QProcess(this)), m_helper(helper) {
    // The back end's warnings reach the terminal as they did in one process.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &VideoProcess::readEvents);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_missing = true;
            fail();
        }
    });
    connect(m_process, &QProcess::finished, this, [this] { fail(); });
}

void VideoProcess::start() {
    m_process->start(m_helper, {});
}

VideoProcess::~VideoProcess() {
    if (ended()) {
        return;
    }
    // The helper ends by itself once its input closes; it is left to do so, away from this
    // object, and killed should it hang.
    disconnect(m_process, nullptr, this, nullptr);
    m_process->setParent(QCoreApplication::instance());
    connect(m_process, &QProcess::finished, m_process, &QObject::deleteLater);
    QTimer::singleShot(kEndGraceMs, m_process, &QProcess::kill);
    // The program ending right after lets it finish rather than kill it mid-way: the
    // application object tells of its end before it deletes its children.
    QProcess* process = m_process;
    connect(QCoreApplication::instance(), &QObject::destroyed, process,
            [process] { process->waitForFinished(kEndGraceMs); });
    m_process->closeWriteChannel();
}

bool VideoProcess::ended() const {
    return m_process->state() == QProcess::NotRunning;
}

void VideoProcess::setSource(const QString& path) {
    // A new file is a new chance, as with any player; a helper that has ended stays ended.
    if (!ended()) {
        m_failed = false;
    }
    send("source " + path.toUtf8());
}

// Play, pause and stop read at once as done, as on any player; the helper's own report follows.
void VideoProcess::play() {
    command("play", State::Playing);
}

void VideoProcess::pause() {
    command("pause", State::Paused);
}

void VideoProcess::stop() {
    command("stop", State::Stopped);
}

void VideoProcess::command(const QByteArray& line, State expected) {
    if (ended()) {
        return;
    }
    send(line);
    if (m_state != expected) {
        m_state = expected;
        emit stateChanged();
    }
}

void VideoProcess::seek(qint64 ms) {
    send("seek " + QByteArray::number(ms));
}

void VideoProcess::setMuted(bool muted) {
    send(muted ? "mute 1" : "mute 0");
}

void VideoProcess::setViewSize(const QSize& size) {
    if (size == m_viewSize) {
        return;
    }
    m_viewSize = size;
    send("size " + VideoProtocol::text(size));
}

void VideoProcess::send(const QByteArray& line) {
    // While the helper is starting, QProcess keeps what is written until it runs.
    if (!ended()) {
        m_process->write(line + '\n');
    }
}

void VideoProcess::readEvents() {
    for (;;) {
        if (m_frameSize.isValid()) {
            const qint64 bytes = qint64(m_frameSize.width()) * m_frameSize.height() * 4;
            if (m_process->bytesAvailable() < bytes) {
                return;
            }
            QImage frame(m_frameSize, QImage::Format_RGB32);
            m_frameSize = {};
            if (frame.isNull()) {
                m_process->skip(bytes);
                continue;
            }
            m_process->read(reinterpret_cast<char*>(frame.bits()), bytes);
            emit frameArrived(frame);
            continue;
        }
        if (!m_process->canReadLine()) {
            return;
        }
        handle(m_process->readLine().trimmed());
    }
}

void VideoProcess::handle(const QByteArray& line) {
    const auto [name, argument] = VideoProtocol::split(line);
    if (name == "frame") {
        const QSize size = VideoProtocol::sizeFromText(argument);
        // No more than a large screen's frame; anything else is not our helper speaking, and
        // what follows it cannot be read.
        if (!size.isEmpty() && size.width() <= 8192 && size.height() <= 8192) {
            m_frameSize = size;
        } else {
            m_process->kill();
        }
    } else if (name == "state") {
        m_state = VideoProtocol::stateFromWord(argument);
        emit stateChanged();
    } else if (name == "status") {
        m_status = VideoProtocol::statusFromWord(argument);
        emit statusChanged();
    } else if (name == "video") {
        m_hasVideo = argument == "1";
    } else if (name == "duration") {
        emit durationChanged(argument.toLongLong());
    } else if (name == "position") {
        emit positionChanged(argument.toLongLong());
    } else if (name == "error") {
        fail();
    }
}

void VideoProcess::fail() {
    m_failed = true;
    m_state = State::Stopped;
    emit failedNow();
    emit stateChanged();
}
