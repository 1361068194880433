// Writes the sound that the player window carries inside the program: a two-second loop,
// 400 Hz on the left and 600 Hz on the right, so it is told apart from every clip file.
//   soundgen <file>
#include "tools/clipgen/ToneMp3.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: soundgen <file>\n");
        return 2;
    }
    using namespace tessaly::clips;
    try {
        constexpr int kRate = 44100;
        const auto pcm = tonePcm(4, 6, 2 * kRate, kRate, 2);
        const auto mp3 = encodeLoopMp3(pcm, Mp3Settings{});
        // Written beside and renamed, so an interrupted build never leaves a cut-off file.
        const std::filesystem::path target = argv[1];
        const std::filesystem::path partial = target.string() + ".part";
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(mp3.data()),
                      static_cast<std::streamsize>(mp3.size()));
            if (!out.flush()) {
                std::fprintf(stderr, "soundgen: cannot write %s\n", partial.c_str());
                return 1;
            }
        }
        std::filesystem::rename(partial, target);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soundgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
