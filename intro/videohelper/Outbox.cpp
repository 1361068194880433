#include "intro/videohelper/Outbox.h"

#include <QCoreApplication>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

Outbox::Outbox(int fd) : m_fd(fd), m_writable(fd, QSocketNotifier::Write) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_writable.setEnabled(false);
    connect(&m_writable, &QSocketNotifier::activated, this, &Outbox::flush);
}

void Outbox::line(const QByteArray& text) {
    m_pending += text;
    m_pending += '\n';
    flush();
}

void Outbox::frame(const QByteArray& header, const char* pixels, qsizetype bytes) {
    if (frameOnItsWay()) {
        return;
    }
    m_pending += header;
    m_pending += '\n';
    m_pending.append(pixels, bytes);
    m_frameEnd = m_pending.size();
    flush();
}

void Outbox::flush() {
    while (!m_pending.isEmpty()) {
        const ssize_t written = ::write(m_fd, m_pending.constData(), size_t(m_pending.size()));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        if (written < 0) {
            m_pending.clear();
            m_frameEnd = 0;
            m_writable.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        m_pending.remove(0, written);
        m_frameEnd = std::max<qsizetype>(0, m_frameEnd - written);
    }
    m_writable.setEnabled(!m_pending.isEmpty());
}
