#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QtTest>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal whose slave the program opens as a serial port while the test plays
// the device on the master side.
class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            termios t{};
            ::tcgetattr(m_slave, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(m_slave, TCSANOW, &t);
            ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
            m_path = QString::fromLocal8Bit(name);
        }
    }
    ~PtyPair() {
        ::close(m_master);
        ::close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    QString path() const { return m_path; }
    void write(const QByteArray& bytes) const {
        QCOMPARE(::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size())),
                 static_cast<ssize_t>(bytes.size()));
    }
    // What the program wrote, waiting up to timeoutMs for at least `atLeast` bytes.
    QByteArray read(qsizetype atLeast = 1, int timeoutMs = 2000) const {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        char buffer[4096];
        while (got.size() < atLeast && t.elapsed() < timeoutMs) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, n);
            } else {
                QTest::qWait(2);
            }
        }
        return got;
    }

    // What the program wrote, up to and including `tail`, waiting up to timeoutMs for it.
    QByteArray readThrough(const QByteArray& tail, int timeoutMs = 2000) const {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (!got.endsWith(tail) && t.elapsed() < timeoutMs) {
            got += read(1, 10);
        }
        return got;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
