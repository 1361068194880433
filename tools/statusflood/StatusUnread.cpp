// A client that sends status-page requests and never reads an answer, as a hostile client on
// the lab network would, for a bounded time, then prints how much it got the server to take:
//   status_unread PORT TOKEN|- SECONDS [KB_PER_SECOND] [TARGET]
// Prints one line: "sent N bytes N requests on N connections". "-" sends no token; a rate of 0
// (the default) sends as fast as the server takes them, a rate paces the requests as a client
// that stays under the request size limit would. Loopback only.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

int connectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return -1;
    }
    // A small receive window, so the answers back up on the server's side at once.
    const int window = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PORT TOKEN|- SECONDS [KB_PER_SECOND] [TARGET]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string token = argv[2];
    const double seconds = std::atof(argv[3]);
    const double kbPerSecond = argc > 4 ? std::atof(argv[4]) : 0.0;
    const std::string target = argc > 5 ? argv[5] : "/status.json";
    const std::string request = "GET " + target +
                                (token == "-" ? std::string() : "?token=" + token) +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    // Unpaced, many requests to a send, so the server is never short of them; paced, one at a
    // time.
    std::string batch = request;
    while (kbPerSecond <= 0 && batch.size() < 4096) {
        batch += request;
    }
    const auto pause = std::chrono::duration<double>(
        kbPerSecond > 0 ? static_cast<double>(batch.size()) / (kbPerSecond * 1024) : 0.0);

    long long sent = 0;
    int connections = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    // When the server closes a connection, a new one goes on as before.
    while (std::chrono::steady_clock::now() < end) {
        const int fd = connectTo(port);
        if (fd < 0) {
            std::perror("connect");
            return 1;
        }
        ++connections;
        size_t offset = 0;
        while (std::chrono::steady_clock::now() < end) {
            const ssize_t n =
                send(fd, batch.data() + offset, batch.size() - offset, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                sent += n;
                offset = (offset + static_cast<size_t>(n)) % batch.size();
                if (offset == 0 && pause.count() > 0) {
                    std::this_thread::sleep_for(pause);
                }
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                usleep(20'000);
            } else {
                break;
            }
        }
        close(fd);
    }
    std::printf("sent %lld bytes %lld requests on %d connections\n", sent,
                sent / static_cast<long long>(request.size()), connections);
    return 0;
}
