// Fuzzes the status server's request reader with what any client on the network may send: a
// head is taken, refused with one of its statuses, or waited for within the limit; a taken
// head reads the same without what follows it, and never carries a body where none may be.

#include "status/HttpRequest.h"

#include <cstdint>
#include <cstdlib>

namespace {
constexpr qsizetype kLimit = 8 * 1024;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const HttpRequestRead read = readHttpRequest(bytes, kLimit);
    using Outcome = HttpRequestRead::Outcome;
    switch (read.outcome) {
    case Outcome::Incomplete:
        if (bytes.size() > kLimit) {
            std::abort();
        }
        break;
    case Outcome::Refused:
        if (read.status != 400 && read.status != 413 && read.status != 505) {
            std::abort();
        }
        break;
    case Outcome::Complete: {
        const HttpRequest& r = read.request;
        if (read.headBytes <= 0 || read.headBytes > bytes.size() || read.headBytes > kLimit ||
            r.method.isEmpty() || !r.target.startsWith('/') ||
            (r.minorVersion != 0 && r.minorVersion != 1) || r.contentLength < 0 ||
            r.contentLength > kLimit - read.headBytes || (r.chunked && r.contentLength > 0) ||
            (r.hasBody() && (r.method == "GET" || r.method == "HEAD"))) {
            std::abort();
        }
        const HttpRequestRead alone = readHttpRequest(bytes.first(read.headBytes), kLimit);
        if (alone.outcome != Outcome::Complete || alone.headBytes != read.headBytes ||
            alone.request.headers != r.headers || alone.request.keepAlive != r.keepAlive) {
            std::abort();
        }
        break;
    }
    }
    return 0;
}
