#include "audio/bass/Decoder.h"

#include <cmath>
#include <libopenmpt/libopenmpt.h>

namespace tessaly::bass {
namespace {

class ModuleDecoder final : public Decoder {
public:
    ModuleDecoder(openmpt_module* module, int rate, std::uint64_t length)
        : Decoder(rate, 2, length), m_module(module) {}

    ~ModuleDecoder() override { openmpt_module_destroy(m_module); }

    std::size_t read(std::int16_t* out, std::size_t frames) override {
        std::size_t filled = 0;
        while (filled < frames) {
            const std::size_t n = openmpt_module_read_interleaved_stereo(
                m_module, rate(), frames - filled, out + filled * 2);
            if (n == 0) {
                break;
            }
            filled += n;
        }
        return filled;
    }

    bool rewind() override {
        openmpt_module_set_position_seconds(m_module, 0.0);
        return true;
    }

private:
    openmpt_module* m_module;
};

} // namespace

std::unique_ptr<Decoder> openModule(std::span<const unsigned char> image, int rate) {
    int error = 0;
    openmpt_module* module = openmpt_module_create_from_memory2(
        image.data(), image.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, &error, nullptr, nullptr);
    if (module == nullptr) {
        return nullptr;
    }
    // Play the song once per pass; looping is the mixer's job, so that it can report each end.
    openmpt_module_set_repeat_count(module, 0);
    const double seconds = openmpt_module_get_duration_seconds(module);
    const auto length = static_cast<std::uint64_t>(std::llround(std::max(0.0, seconds) * rate));
    if (length == 0) {
        openmpt_module_destroy(module);
        return nullptr;
    }
    return std::make_unique<ModuleDecoder>(module, rate, length);
}

} // namespace tessaly::bass
