// Turns committed fuzz seeds into a corpus folder: a seed kept as hex text (name.hex) becomes
// the bytes it spells (name), any other file is copied as it is.
//   hexseeds <corpus-folder> <seed>...
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

int digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The bytes of hex text, white space ignored; false on anything else or an odd digit count.
bool fromHex(const std::string& text, std::string& bytes) {
    int high = -1;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            continue;
        }
        const int d = digit(c);
        if (d < 0) {
            return false;
        }
        if (high < 0) {
            high = d;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + d));
            high = -1;
        }
    }
    return high < 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: hexseeds <corpus-folder> <seed>...\n");
        return 2;
    }
    const fs::path corpus = argv[1];
    std::error_code error;
    fs::create_directories(corpus, error);
    for (int i = 2; i < argc; ++i) {
        const fs::path seed = argv[i];
        std::ifstream in(seed, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "hexseeds: cannot read %s\n", seed.c_str());
            return 1;
        }
        std::string bytes = text;
        fs::path name = seed.filename();
        if (seed.extension() == ".hex") {
            bytes.clear();
            if (!fromHex(text, bytes)) {
                std::fprintf(stderr, "hexseeds: %s is not hex text\n", seed.c_str());
                return 1;
            }
            name = seed.stem();
        }
        std::ofstream out(corpus / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "hexseeds: cannot write %s\n", (corpus / name).c_str());
            return 1;
        }
    }
    return 0;
}
