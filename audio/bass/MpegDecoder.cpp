#include "audio/bass/Decoder.h"

#include <cstring>
#include <mpg123.h>
#include <mutex>
#include <sys/types.h>

namespace tessaly::bass {
namespace {

// The memory image as mpg123 reads it: in place, never copied.
struct MemorySource {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
};

ssize_t readSource(void* handle, void* buffer, std::size_t bytes) {
    auto* src = static_cast<MemorySource*>(handle);
    const std::size_t n = std::min(bytes, src->size - src->pos);
    std::memcpy(buffer, src->data + src->pos, n);
    src->pos += n;
    return static_cast<ssize_t>(n);
}

off_t seekSource(void* handle, off_t offset, int whence) {
    auto* src = static_cast<MemorySource*>(handle);
    off_t base = 0;
    switch (whence) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        base = static_cast<off_t>(src->pos);
        break;
    case SEEK_END:
        base = static_cast<off_t>(src->size);
        break;
    default:
        return -1;
    }
    const off_t target = base + offset;
    if (target < 0 || target > static_cast<off_t>(src->size)) {
        return -1;
    }
    src->pos = static_cast<std::size_t>(target);
    return target;
}

class MpegDecoder final : public Decoder {
public:
    MpegDecoder(mpg123_handle* mh, std::unique_ptr<MemorySource> source, int rate, int channels,
                std::uint64_t length)
        : Decoder(rate, channels, length), m_mh(mh), m_source(std::move(source)) {}

    ~MpegDecoder() override {
        mpg123_close(m_mh);
        mpg123_delete(m_mh);
    }

    std::size_t read(std::int16_t* out, std::size_t frames) override {
        const std::size_t frameBytes = static_cast<std::size_t>(channels()) * 2;
        auto* bytes = reinterpret_cast<unsigned char*>(out);
        std::size_t filled = 0;
        int stalls = 0;
        while (filled < frames * frameBytes) {
            std::size_t done = 0;
            const int r = mpg123_read(m_mh, bytes + filled, frames * frameBytes - filled, &done);
            filled += done;
            if (r == MPG123_DONE) {
                break;
            }
            if (r == MPG123_NEW_FORMAT) {
                continue;
            }
            // A hard error, or a decoder that stops giving samples, ends the pass.
            if (r != MPG123_OK || (done == 0 && ++stalls > 4)) {
                break;
            }
        }
        return filled / frameBytes;
    }

    bool rewind() override { return mpg123_seek(m_mh, 0, SEEK_SET) == 0; }

private:
    mpg123_handle* m_mh;
    std::unique_ptr<MemorySource> m_source;
};

struct HandleDeleter {
    void operator()(mpg123_handle* mh) const { mpg123_delete(mh); }
};

} // namespace

std::unique_ptr<Decoder> openMpegAudio(std::span<const unsigned char> image) {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });

    int error = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleDeleter> mh(mpg123_new(nullptr, &error));
    if (!mh) {
        return nullptr;
    }
    mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    // Always 16-bit, at the stream's own rate and channel count.
    mpg123_format_none(mh.get());
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i) {
        mpg123_format(mh.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }

    auto source = std::make_unique<MemorySource>();
    source->data = image.data();
    source->size = image.size();
    if (mpg123_replace_reader_handle(mh.get(), readSource, seekSource, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh.get(), source.get()) != MPG123_OK) {
        return nullptr;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh.get(), &rate, &channels, &encoding) != MPG123_OK ||
        encoding != MPG123_ENC_SIGNED_16 || channels < 1 || channels > 2) {
        mpg123_close(mh.get());
        return nullptr;
    }
    // One pass over the frame headers gives the exact gapless length and the seek index.
    const off_t length =
        mpg123_scan(mh.get()) == MPG123_OK ? mpg123_length(mh.get()) : off_t{MPG123_ERR};
    if (length <= 0) {
        mpg123_close(mh.get());
        return nullptr;
    }
    return std::make_unique<MpegDecoder>(mh.release(), std::move(source), static_cast<int>(rate),
                                         channels, static_cast<std::uint64_t>(length));
}

} // namespace tessaly::bass
