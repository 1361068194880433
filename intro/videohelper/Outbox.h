#pragma once

#include <QByteArray>
#include <QSocketNotifier>

// What the helper tells the program, written to a pipe without ever blocking: the media back
// end fails its stream when the thread that takes its frames stalls for long, as it would on a
// full pipe while the program is busy. Lines are always kept; a frame is dropped while one
// before it is still on its way.
class Outbox final : public QObject {
    Q_OBJECT

public:
    // fd: made non-blocking. A write that fails for good (the program has gone) quits the
    // application.
    explicit Outbox(int fd);

    void line(const QByteArray& text);
    // Whether a frame is still on its way: a new one would be dropped.
    bool frameOnItsWay() const { return m_frameEnd > 0; }
    // A frame's line and its pixels, unless one is still on its way.
    void frame(const QByteArray& header, const char* pixels, qsizetype bytes);

private:
    void flush();

    int m_fd;
    QSocketNotifier m_writable;
    QByteArray m_pending;
    // Where in m_pending the last frame's pixels end: until written, no new frame is taken.
    qsizetype m_frameEnd = 0;
};
