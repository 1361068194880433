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
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <span>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
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

// Local time with milliseconds and the offset from UTC: 2024-05-03T14:22:01.123+02:00.
std::string timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char date[32] = {};
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long absOffset = offset < 0 ? -offset : offset;
    char text[64] = {};
    std::snprintf(text, sizeof text, "%s.%03d%c%02ld:%02ld", date, static_cast<int>(ms),
                  offset < 0 ? '-' : '+', absOffset / 60, absOffset % 60);
    return text;
}

std::string hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char byte[4] = {};
    for (const std::uint8_t b : bytes) {
        std::snprintf(byte, sizeof byte, text.empty() ? "%02X" : " %02X", b);
        text += byte;
    }
    return text;
}

// Appends one line per received frame to the file of --log.
class FrameLog {
public:
    bool open(const char* path) {
        m_file = std::fopen(path, "a");
        return m_file != nullptr;
    }
    ~FrameLog() {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
    }
    void add(const char* board, std::span<const std::uint8_t> bytes, bool frame) {
        if (m_file == nullptr) {
            return;
        }
        std::fprintf(m_file, "%s %s: %s%s\n", timestamp().c_str(), board, hex(bytes).c_str(),
                     frame ? "" : " (no frame)");
        std::fflush(m_file);
    }

private:
    std::FILE* m_file = nullptr;
};

// Later lines on stdout must never stall the boards: the reader may have stopped after the
// port line (scripts/run.sh does). A pipe is made non-blocking; it is ours alone, unlike a
// terminal, which the shell shares.
void stopStdoutBlocking() {
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
        ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
    }
}

// One whole line, or nothing when stdout cannot take it now.
void statusLine(const std::string& line) {
    pollfd fd{STDOUT_FILENO, POLLOUT, 0};
    if (::poll(&fd, 1, 0) == 1 && (fd.revents & POLLOUT) != 0) {
        const std::string text = line + "\n";
        [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
    }
}

void usage() {
    std::printf("Usage: boardsim [options]\n"
                "Simulates the relay board and the measuring board on two pseudo-terminals.\n"
                "Prints one line naming them in the TESSALY_VIRTUAL_PORTS format (relay board\n"
                "first), then runs until SIGINT or SIGTERM. Each relay change is printed as a\n"
                "further line, e.g. \"relay 1 closed (laser on)\", \"relay 2 opened (vacuum\n"
                "pump off)\"; lines nobody reads are dropped.\n"
                "\n"
                "Options:\n"
                "  --rate HZ       measuring frames per second (default 10, 0 = none, max 2000)\n"
                "  --split         cut the frame stream into writes at random places\n"
                "  --noise         also send garbage, false headers and frames with bad checksums\n"
                "                  (implies --split)\n"
                "  --seed N        seed of the random readings and noise (default 1)\n"
                "  --relay-com N   COM number of the relay board (default 201)\n"
                "  --meter-com N   COM number of the measuring board (default 202)\n"
                "  --log FILE      append every received frame to FILE: local time, board, hex\n"
                "                  bytes, e.g. \"2024-05-03T14:22:01.123+02:00 relay board: AA 01\n"
                "                  01 00\"; bytes that make no frame are marked \"(no frame)\"\n"
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
    const char* logPath = nullptr;
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
        } else if (arg == "--log") {
            ok = i + 1 < argc;
            logPath = ok ? argv[++i] : nullptr;
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

    FrameLog log;
    if (logPath != nullptr && !log.open(logPath)) {
        std::fprintf(stderr, "boardsim: cannot open %s: %s\n", logPath, std::strerror(errno));
        return 1;
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
    stopStdoutBlocking();

    boardsim::RelayBoard relay;
    relay.onBytes = [&log](std::span<const std::uint8_t> bytes, bool frame) {
        log.add("relay board", bytes, frame);
    };
    relay.onSwitch = [](int number, bool closed) {
        const char* device = number == 1 ? "laser" : "vacuum pump";
        statusLine("relay " + std::to_string(number) + (closed ? " closed (" : " opened (") +
                   device + (closed ? " on)" : " off)"));
    };
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
        pollfd fds[2] = {{relayPty.master, POLLIN, 0}, {meterPty.master, POLLIN, 0}};
        const int timeout = static_cast<int>(std::clamp<long long>(wait.count(), 0, 200));
        if (::poll(fds, 2, timeout) > 0) {
            std::uint8_t buffer[512];
            if ((fds[0].revents & POLLIN) != 0) {
                const ssize_t n = ::read(relayPty.master, buffer, sizeof buffer);
                if (n > 0) {
                    const auto reply = relay.receive({buffer, static_cast<std::size_t>(n)});
                    if (!reply.empty()) {
                        send(relayPty, reply.data(), reply.size());
                    }
                }
            }
            // The measuring board only talks; what it is sent is read so it is seen in the log.
            if ((fds[1].revents & POLLIN) != 0) {
                const ssize_t n = ::read(meterPty.master, buffer, sizeof buffer);
                if (n > 0) {
                    log.add("measuring board", {buffer, static_cast<std::size_t>(n)}, true);
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
