#include "run/FileJoin.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Large enough that per-call cost vanishes, small enough that a cancel is seen quickly.
constexpr size_t kKernelChunk = size_t(8) << 20;
constexpr size_t kBufferSize = size_t(1) << 20;

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    Fd(const Fd&) = delete;
    ~Fd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    // Closes now and reports the result; close can be the first to see a failed write.
    int close() { return ::close(std::exchange(m_fd, -1)); }

private:
    int m_fd = -1;
};

// The temporary file a join writes into; removed again unless it was renamed into place.
class PartFile {
public:
    explicit PartFile(const QString& destination) {
        const int slash = int(destination.lastIndexOf(QLatin1Char('/')));
        const QString folder = destination.left(slash + 1);
        const QString name = destination.mid(slash + 1);
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            // Hidden, so nothing reading the folder takes it for a finished file.
            const QString path = folder + QLatin1Char('.') + name +
                                 QStringLiteral(".part-%1-%2")
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(counter.fetch_add(1));
            const QByteArray encoded = QFile::encodeName(path);
            const int fd =
                ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                m_fd = Fd(fd);
                m_path = encoded;
                return;
            }
            m_error = errno;
            if (m_error != EEXIST) {
                return;
            }
        }
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;
    ~PartFile() {
        if (!m_path.isEmpty()) {
            ::unlink(m_path.constData());
        }
    }

    bool isOpen() const { return m_fd.get() >= 0; }
    int fd() const { return m_fd.get(); }
    int error() const { return m_error; }

    // Closes the file and moves it to destination; 0 or the error number.
    int commit(const QString& destination) {
        if (m_fd.close() != 0) {
            return errno;
        }
        if (::rename(m_path.constData(), QFile::encodeName(destination).constData()) != 0) {
            return errno;
        }
        m_path.clear();
        return 0;
    }

private:
    Fd m_fd;
    QByteArray m_path;
    int m_error = 0;
};

enum class Stop { Cancelled, ReadFailed, WriteFailed };

struct CopyError {
    Stop stop;
    int error;
};

// Writes all of buffer, going on after short writes and interruptions.
int writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += n;
        size -= size_t(n);
    }
    return 0;
}

// Copies one source from offset 0 to its end onto the end of out.
class SourceCopier {
public:
    SourceCopier(CopyMethod method, const std::atomic<bool>& cancel)
        : m_kernel(method == CopyMethod::Fastest), m_cancel(cancel) {}

    // Nothing when done; otherwise why it stopped.
    std::optional<CopyError> copy(int in, int out, qint64& written) {
        off_t offset = 0;
        for (;;) {
            if (m_cancel.load(std::memory_order_relaxed)) {
                return CopyError{Stop::Cancelled, 0};
            }
#ifdef __linux__
            if (m_kernel) {
                const ssize_t n = ::copy_file_range(in, &offset, out, nullptr, kKernelChunk, 0);
                if (n > 0) {
                    written += n;
                    continue;
                }
                if (n == 0) {
                    return std::nullopt;
                }
                if (errno == EINTR) {
                    continue;
                }
                // Not every file system or kernel can do it (EXDEV, EOPNOTSUPP, ENOSYS,
                // EINVAL); the buffer copy goes on from where it stopped and reports any
                // failure that is real.
                m_kernel = false;
            }
#endif
            if (!m_buffer) {
                m_buffer = std::make_unique<char[]>(kBufferSize);
            }
            const ssize_t n = ::pread(in, m_buffer.get(), kBufferSize, offset);
            if (n == 0) {
                return std::nullopt;
            }
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return CopyError{Stop::ReadFailed, errno};
            }
            if (const int error = writeAll(out, m_buffer.get(), size_t(n))) {
                return CopyError{Stop::WriteFailed, error};
            }
            offset += n;
            written += n;
        }
    }

private:
    bool m_kernel;
    const std::atomic<bool>& m_cancel;
    std::unique_ptr<char[]> m_buffer;
};

JoinOutcome failed(JoinStatus status, const QString& source, int error) {
    JoinOutcome outcome;
    outcome.status = status;
    outcome.source = source;
    outcome.reason = errorText(error);
    return outcome;
}

} // namespace

JoinOutcome joinFiles(const QStringList& sources, const QString& destination,
                      const std::atomic<bool>& cancel, CopyMethod method) {
    // Open every source first, so a missing one fails the join before anything is written.
    QHash<QString, int> index;
    std::vector<Fd> inputs;
    for (const QString& source : sources) {
        if (index.contains(source)) {
            continue;
        }
        const int fd = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return failed(JoinStatus::SourceFailed, source, errno);
        }
        index.insert(source, int(inputs.size()));
        inputs.emplace_back(fd);
    }

    PartFile part(destination);
    if (!part.isOpen()) {
        return failed(JoinStatus::WriteFailed, {}, part.error());
    }
    SourceCopier copier(method, cancel);
    qint64 written = 0;
    for (const QString& source : sources) {
        if (auto error =
                copier.copy(inputs[size_t(index.value(source))].get(), part.fd(), written)) {
            switch (error->stop) {
            case Stop::Cancelled:
                return JoinOutcome{JoinStatus::Cancelled, {}, {}, 0};
            case Stop::ReadFailed:
                return failed(JoinStatus::SourceFailed, source, error->error);
            case Stop::WriteFailed:
                return failed(JoinStatus::WriteFailed, {}, error->error);
            }
        }
    }
    if (const int error = part.commit(destination)) {
        return failed(JoinStatus::WriteFailed, {}, error);
    }
    JoinOutcome done;
    done.bytes = written;
    return done;
}
