#include "serial/RelayCrashGuard.h"

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <atomic>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace {

// Plain lock-free atomics: the handler may run on any thread, at any moment.
std::atomic<int> g_fd{-1};
std::atomic<int> g_length{0};
std::array<char, RelayCrashGuard::kMaxBytes> g_bytes{};
static_assert(std::atomic<int>::is_always_lock_free);

#ifdef Q_OS_UNIX
constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
std::atomic<bool> g_installed{false};

extern "C" void onCrash(int signal) {
    RelayCrashGuard::openRelaysNow();
    // The crash still ends as a crash: default action (core dump), raised again.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    ::raise(signal);
}
#endif

} // namespace

namespace RelayCrashGuard {

void openRelaysNow() {
    // Only async-signal-safe calls here.
    const int fd = g_fd.exchange(-1);
    const int length = g_length.load();
    if (fd < 0 || length <= 0) {
        return;
    }
#ifdef Q_OS_UNIX
    int done = 0;
    for (int tries = 0; done < length && tries < 100; ++tries) {
        const ssize_t n = ::write(fd, g_bytes.data() + done, static_cast<size_t>(length - done));
        if (n > 0) {
            done += static_cast<int>(n);
        }
    }
#endif
}

bool install() {
#ifdef Q_OS_UNIX
    if (g_installed.exchange(true)) {
        return true;
    }
    struct sigaction action {};
    action.sa_handler = onCrash;
    sigemptyset(&action.sa_mask);
    // SA_NODEFER: the signal raised again at the end is delivered at once, with its default.
    action.sa_flags = SA_NODEFER;
    for (const int s : kSignals) {
        ::sigaction(s, &action, nullptr);
    }
    return true;
#else
    return false;
#endif
}

void arm(int fd, const QByteArray& bytes) {
    g_fd.store(-1);
    const int length = static_cast<int>(std::min<qsizetype>(bytes.size(), kMaxBytes));
    std::copy_n(bytes.constData(), length, g_bytes.begin());
    g_length.store(length);
    g_fd.store(fd);
}

void disarm(int fd) {
    int expected = fd;
    g_fd.compare_exchange_strong(expected, -1);
}

int armedDescriptor() {
    return g_fd.load();
}

} // namespace RelayCrashGuard
