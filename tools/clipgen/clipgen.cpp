// Writes the installed clip files into a folder:
//   00.mc..99.mc       ten-second loops with the LAME tag, seamless when looped
//   A00.MC             one-second lead-in of the MP3 export, no tag
//   00.MC..99.MC       ten-second export sources, no tag
//   C00.MC..C99.MC     one-minute export sources, no tag
// The first digit is the left level, the second the right level.
#include "tools/clipgen/ToneMp3.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tessaly::clips;
namespace fs = std::filesystem;

constexpr int kRate = 44100;

struct Clip {
    std::string name;
    int left = 0;
    int right = 0;
    int seconds = 0;
    bool lameTag = false;
};

std::vector<Clip> allClips() {
    std::vector<Clip> clips;
    // Longest first, so the threads finish together.
    for (int l = 0; l < 10; ++l) {
        for (int r = 0; r < 10; ++r) {
            clips.push_back({"C" + std::to_string(l) + std::to_string(r) + ".MC", l, r, 60, false});
        }
    }
    for (int l = 0; l < 10; ++l) {
        for (int r = 0; r < 10; ++r) {
            const std::string digits = std::to_string(l) + std::to_string(r);
            clips.push_back({digits + ".mc", l, r, 10, true});
            clips.push_back({digits + ".MC", l, r, 10, false});
        }
    }
    clips.push_back({"A00.MC", 0, 0, 1, false});
    return clips;
}

void writeClip(const fs::path& folder, const Clip& clip) {
    const auto pcm = tonePcm(clip.left, clip.right, std::int64_t{clip.seconds} * kRate, kRate, 2);
    Mp3Settings settings;
    settings.lameTag = clip.lameTag;
    // The tagged clips are the ones that loop.
    const auto mp3 = clip.lameTag ? encodeLoopMp3(pcm, settings) : encodeMp3(pcm, settings);
    // Written beside and renamed, so an interrupted build never leaves a cut-off clip.
    const fs::path target = folder / clip.name;
    const fs::path partial = folder / (clip.name + ".part");
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(mp3.data()),
                  static_cast<std::streamsize>(mp3.size()));
        if (!out.flush()) {
            throw EncodeError("cannot write " + partial.string());
        }
    }
    fs::rename(partial, target);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: clipgen <folder>\n");
        return 2;
    }
    const fs::path folder = argv[1];
    std::error_code ec;
    fs::create_directories(folder, ec);

    const auto clips = allClips();
    std::atomic<std::size_t> next{0};
    std::mutex errorLock;
    std::string error;
    auto worker = [&] {
        for (std::size_t i = next++; i < clips.size(); i = next++) {
            try {
                writeClip(folder, clips[i]);
            } catch (const std::exception& e) {
                std::lock_guard lock(errorLock);
                error = clips[i].name + ": " + e.what();
                next = clips.size();
            }
        }
    };
    const unsigned count = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < count; ++i) {
        threads.emplace_back(worker);
    }
    for (auto& t : threads) {
        t.join();
    }
    if (!error.empty()) {
        std::fprintf(stderr, "clipgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
