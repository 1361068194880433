// Floods a status page on this machine with GET requests for a bounded number and time, from
// several connections at once, and prints how they were answered:
//   status_flood PORT TOKEN [REQUESTS] [SECONDS] [CONNECTIONS]
// Prints one line: "requests N ok N busy N failed N ms N". Loopback only.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

enum class Outcome { Ok, Busy, Failed };

// One request on a fresh connection, read until the server closes it.
Outcome request(int port, const std::string& bytes) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return Outcome::Failed;
    }
    timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Outcome outcome = Outcome::Failed;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size())) {
        std::string got;
        char buffer[16384];
        ssize_t n = 0;
        while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            got.append(buffer, static_cast<size_t>(n));
        }
        if (got.compare(0, 12, "HTTP/1.1 200") == 0) {
            outcome = Outcome::Ok;
        } else if (got.compare(0, 12, "HTTP/1.1 503") == 0) {
            outcome = Outcome::Busy;
        }
    }
    close(fd);
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT TOKEN [REQUESTS] [SECONDS] [CONNECTIONS]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string token = argv[2];
    const long requests = argc > 3 ? std::atol(argv[3]) : 3000;
    const double seconds = argc > 4 ? std::atof(argv[4]) : 10.0;
    const int connections = argc > 5 ? std::atoi(argv[5]) : 8;
    const std::string bytes = "GET /status.json?token=" + token +
                              " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

    std::atomic<long> next{0};
    std::atomic<long> ok{0};
    std::atomic<long> busy{0};
    std::atomic<long> failed{0};
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    std::vector<std::thread> workers;
    for (int c = 0; c < connections; ++c) {
        workers.emplace_back([&] {
            while (next++ < requests && std::chrono::steady_clock::now() < end) {
                switch (request(port, bytes)) {
                case Outcome::Ok:
                    ++ok;
                    break;
                case Outcome::Busy:
                    ++busy;
                    break;
                case Outcome::Failed:
                    ++failed;
                    break;
                }
            }
        });
    }
    for (std::thread& w : workers) {
        w.join();
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("requests %ld ok %ld busy %ld failed %ld ms %lld\n", ok + busy + failed, ok.load(),
                busy.load(), failed.load(), static_cast<long long>(ms));
    return 0;
}
