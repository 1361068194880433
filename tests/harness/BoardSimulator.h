#pragma once

#include "tests/harness/TestHarness.h"

#include <QProcess>
#include <QStringList>

// The board simulator program, started for one test and stopped with it. Its ports are put
// into TESSALY_VIRTUAL_PORTS, so the port list and the COM numbers find them.
class BoardSimulator {
public:
    explicit BoardSimulator(const QStringList& arguments = {}) {
        m_process.start(TestEnvironment::programFolder() + QStringLiteral("/boardsim"), arguments);
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000)) {
            m_ports = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            qputenv("TESSALY_VIRTUAL_PORTS", m_ports.toLocal8Bit());
        }
    }
    ~BoardSimulator() {
        qunsetenv("TESSALY_VIRTUAL_PORTS");
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    BoardSimulator(const BoardSimulator&) = delete;
    BoardSimulator& operator=(const BoardSimulator&) = delete;

    bool running() const { return !m_ports.isEmpty(); }
    // The lines printed after the port line so far.
    QStringList laterLines() {
        m_later += QString::fromLocal8Bit(m_process.readAllStandardOutput());
        QStringList lines = m_later.split(QLatin1Char('\n'));
        lines.removeLast(); // an unfinished line, or the empty text after the last newline
        return lines;
    }
    QString ports() const { return m_ports; }
    static QString relayEntry() { return QStringLiteral("COM201->Relay board (simulated)"); }
    static QString meterEntry() { return QStringLiteral("COM202->Measuring board (simulated)"); }

private:
    QProcess m_process;
    QString m_ports;
    QString m_later;
};
