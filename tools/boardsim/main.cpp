// The board simulator: the relay board and the measuring board on two pseudo-terminals, so
// the program can be tried and tested without hardware.

#include "tools/boardsim/BoardModel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

using SteadyClock = std::chrono::steady_clock;

struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;
};

// Bytes waiting unread at the far end beyond this are thrown away, as a real board's output
// is lost while nobody listens on the port.
constexpr int kStaleLimit = 4096;

bool openPty(Pty& pty) {
    char name[256] = {};
    if (::openpty(&pty.master, &pty.slave, name, nullptr, nullptr) != 0) {
        return false;
    }
    // Raw both ways: no echo, no line editing, no CR/LF translation.
    termios t{};
    ::tcgetattr(pty.slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(pty.slave, TCSANOW, &t);
    ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    pty.path = name;
    return true;
}

// Writes to the board's side; a full pty drops the bytes like an unread line would.
void send(const Pty& pty, const std::uint8_t* data, std::size_t size) {
    int queued = 0;
    if (::ioctl(pty.slave, FIONREAD, &queued) == 0 && queued > kStaleLimit) {
        ::tcflush(pty.slave, TCIFLUSH);
    }
    while (size > 0) {
        const ssize_t n = ::write(pty.master, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void usage() {
    std::printf("Usage: boardsim [options]\n"
                "Simulates the relay board and the measuring board on two pseudo-terminals.\n"
                "Prints one line naming them in the TESSALY_VIRTUAL_PORTS format (relay board\n"
                "first), then runs until SIGINT or SIGTERM.\n"
                "\n"
                "Options:\n"
                "  --rate HZ       measuring frames per second (default 10, 0 = none, max 2000)\n"
                "  --split         cut the frame stream into writes at random places\n"
                "  --noise         also send garbage, false headers and frames with bad checksums\n"
                "                  (implies --split)\n"
                "  --seed N        seed of the random readings and noise (default 1)\n"
                "  --relay-com N   COM number of the relay board (default 201)\n"
                "  --meter-com N   COM number of the measuring board (default 202)\n"
                "  --help          show this text\n");
}

bool numberArg(int argc, char** argv, int& i, long& value) {
    if (i + 1 >= argc) {
        return false;
    }
    char* end = nullptr;
    value = std::strtol(argv[++i], &end, 10);
    return end != nullptr && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    long rate = 10;
    long seed = 1;
    long relayCom = 201;
    long meterCom = 202;
    bool split = false;
    bool noise = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            usage();
            return 0;
        } else if (arg == "--rate") {
            ok = numberArg(argc, argv, i, rate) && rate >= 0 && rate <= 2000;
        } else if (arg == "--seed") {
            ok = numberArg(argc, argv, i, seed);
        } else if (arg == "--relay-com") {
            ok = numberArg(argc, argv, i, relayCom) && relayCom >= 1 && relayCom <= 32767;
        } else if (arg == "--meter-com") {
            ok = numberArg(argc, argv, i, meterCom) && meterCom >= 1 && meterCom <= 32767;
        } else if (arg == "--split") {
            split = true;
        } else if (arg == "--noise") {
            noise = true;
            split = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "boardsim: bad option %s (see --help)\n", arg.c_str());
            return 2;
        }
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Pty relayPty;
    Pty meterPty;
    if (!openPty(relayPty) || !openPty(meterPty)) {
        std::fprintf(stderr, "boardsim: cannot create pseudo-terminals: %s\n",
                     std::strerror(errno));
        return 1;
    }
    std::printf("COM%ld=%s:Relay board (simulated);COM%ld=%s:Measuring board (simulated)\n",
                relayCom, relayPty.path.c_str(), meterCom, meterPty.path.c_str());
    std::fflush(stdout);

    boardsim::RelayBoard relay;
    boardsim::MeasuringBoard meter(static_cast<std::uint32_t>(seed));
    boardsim::NoiseMaker noiseMaker(static_cast<std::uint32_t>(seed) + 1, noise);

    const SteadyClock::time_point start = SteadyClock::now();
    const auto period =
        rate > 0 ? std::chrono::microseconds(1000000 / rate) : std::chrono::microseconds::max();
    SteadyClock::time_point nextFrame = start + (rate > 0 ? period : std::chrono::hours(1));
    // Split writes go out one per millisecond, so the reader sees them in separate reads.
    std::deque<std::vector<std::uint8_t>> meterQueue;
    SteadyClock::time_point nextPiece = start;

    while (g_stop == 0) {
        const SteadyClock::time_point now = SteadyClock::now();
        if (rate > 0 && now >= nextFrame) {
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
            const auto frame =
                meter.frame(static_cast<std::uint64_t>(elapsed), relay.closed(1), relay.closed(2));
            if (split) {
                for (auto& piece : noiseMaker.pieces(frame)) {
                    meterQueue.push_back(std::move(piece));
                }
            } else {
                send(meterPty, frame.data(), frame.size());
            }
            nextFrame += period;
            if (nextFrame < now) {
                nextFrame = now + period; // fell behind (suspended): no burst of old frames
            }
        }
        if (!meterQueue.empty() && now >= nextPiece) {
            send(meterPty, meterQueue.front().data(), meterQueue.front().size());
            meterQueue.pop_front();
            nextPiece = now + std::chrono::milliseconds(1);
        }

        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextFrame - now);
        if (!meterQueue.empty()) {
            wait = std::min(wait, std::chrono::milliseconds(1));
        }
        pollfd fd{relayPty.master, POLLIN, 0};
        const int timeout = static_cast<int>(std::clamp<long long>(wait.count(), 0, 200));
        if (::poll(&fd, 1, timeout) > 0 && (fd.revents & POLLIN) != 0) {
            std::uint8_t buffer[512];
            const ssize_t n = ::read(relayPty.master, buffer, sizeof buffer);
            if (n > 0) {
                const auto reply = relay.receive({buffer, static_cast<std::size_t>(n)});
                if (!reply.empty()) {
                    send(relayPty, reply.data(), reply.size());
                }
            }
        }
    }

    for (const Pty* pty : {&relayPty, &meterPty}) {
        ::close(pty->master);
        ::close(pty->slave);
    }
    return 0;
}
