// libFuzzer target: a help file of any bytes is opened as the viewer opens it, its start page,
// contents and every object it lists read. Damaged files must be refused or read safely; libchm
// itself divides by zero on some, so the structure check before it is what is tried here.
#include "help/ChmFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {
// One scratch file a process, rewritten for every input: libchm reads from a path.
const QString& scratchPath() {
    static const QString path = [] {
        char name[] = "/tmp/fuzz_chm_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) {
            std::abort();
        }
        close(fd);
        return QString::fromLocal8Bit(name);
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString& path = scratchPath();
    FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, f) != size) {
        std::abort();
    }
    std::fclose(f);

    ChmFile file;
    if (!file.open(path)) {
        if (file.errorString().isEmpty()) {
            std::abort(); // a refusal must say why
        }
        return 0;
    }
    (void)file.read(file.startPage());
    (void)file.read(file.contentsFile());
    for (const QString& object : file.objects()) {
        (void)file.read(object);
    }
    return 0;
}
