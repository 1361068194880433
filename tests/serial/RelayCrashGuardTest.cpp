// A crash with the relay port open still opens both relays: a child process opens the port as
// the program does, crashes, and the test reads what reached the line.
#include "serial/RelayCrashGuard.h"
#include "serial/RelayPanel.h"
#include "serial/SerialCommControl.h"
#include "tests/harness/PtyPair.h"
#include "tests/harness/TestHarness.h"

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Forks; the child crashes with signal (no core file), the parent returns how it ended.
int crashInChild(int signal) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        RelayCrashGuard::install();
        if (signal == SIGABRT) {
            std::abort();
        }
        ::raise(signal);
        ::_exit(0); // not reached: the crash ends the child
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

} // namespace

class RelayCrashGuardTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_pty = std::make_unique<PtyPair>();
        qputenv("TESSALY_VIRTUAL_PORTS", ("COM201=" + m_pty->path() + ":Relay").toLocal8Bit());
    }
    void cleanup() {
        m_pty.reset();
        qunsetenv("TESSALY_VIRTUAL_PORTS");
    }

    void aCrashWritesTheOpenFramesAndStillEndsAsACrash_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGSEGV") << SIGSEGV;
        QTest::newRow("SIGBUS") << SIGBUS;
        QTest::newRow("SIGFPE") << SIGFPE;
        QTest::newRow("SIGILL") << SIGILL;
        QTest::newRow("SIGABRT") << SIGABRT;
    }
    void aCrashWritesTheOpenFramesAndStillEndsAsACrash() {
        QFETCH(int, signal);
        SerialCommControl port;
        port.setCrashBytes(relayOpenFrames());
        port.setCommPort(201);
        port.setPortOpen(true);
        QCOMPARE(crashInChild(signal), signal);
        QCOMPARE(m_pty->read(8), QByteArray::fromHex("AA010000AA020000"));
    }

    // Once the port is closed its descriptor may belong to anything: nothing is written.
    void aClosedPortIsLeftAlone() {
        SerialCommControl port;
        port.setCrashBytes(relayOpenFrames());
        port.setCommPort(201);
        port.setPortOpen(true);
        QVERIFY(RelayCrashGuard::armedDescriptor() >= 0);
        port.setPortOpen(false);
        QCOMPARE(RelayCrashGuard::armedDescriptor(), -1);
        QCOMPARE(crashInChild(SIGSEGV), SIGSEGV);
        QCOMPARE(m_pty->read(1, 200), QByteArray());
    }

private:
    std::unique_ptr<PtyPair> m_pty;
};

TESSALY_TEST_MAIN(RelayCrashGuardTest)
#include "RelayCrashGuardTest.moc"
