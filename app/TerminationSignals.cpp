#include "app/TerminationSignals.h"

#include "serial/RelayCrashGuard.h"

#include <QSocketNotifier>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The handler only writes the signal's number here; the window thread reads it.
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_pending = 0;

extern "C" void onTerminationSignal(int signal) {
    if (g_pending != 0) {
        // Asked again before the first request was handled: the window thread is stuck, so
        // whoever insists gets the process ended at once, the relays opened first.
        RelayCrashGuard::openRelaysNow();
        _exit(128 + signal);
    }
    g_pending = 1;
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal)
    : m_onSignal(std::move(onSignal)) {
    if (g_pipe[0] >= 0 || pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { received(); });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) {
        sigaction(s, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    if (m_notifier == nullptr) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int s : kSignals) {
        sigaction(s, &action, nullptr);
    }
    delete m_notifier;
    m_notifier = nullptr;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    g_pending = 0;
}

void TerminationSignals::received() {
    unsigned char byte = 0;
    if (read(g_pipe[0], &byte, 1) == 1 && m_onSignal) {
        m_onSignal(byte);
    }
    // Handled: a later signal is a new request, not an insistence.
    g_pending = 0;
}

#else

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal)
    : m_onSignal(std::move(onSignal)) {}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::received() {}

#endif
