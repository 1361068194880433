// Draws the product artwork at build time.
//   imagegen images <folder>          Dorvex.ICO (16..256), tessaly.png (256), Dorvex.jpg
//   imagegen card <script> <folder>   background.png, title.png, subtitle.png of a title card
// Every file is written beside its target and renamed, so an interrupted build leaves none cut
// off. Runs without a display.
#include "tools/imagegen/Artwork.h"
#include "tools/imagegen/IcoFile.h"
#include "tools/imagegen/VideoScript.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace {

using namespace tessaly::imagegen;

bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        std::fprintf(stderr, "imagegen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality)) {
        return {};
    }
    return bytes;
}

int writeImages(const QDir& folder) {
    QList<QImage> icons;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icons.append(drawIcon(size));
    }
    const bool ok =
        writeFile(folder.filePath(QStringLiteral("Dorvex.ICO")), icoFile(icons)) &&
        writeFile(folder.filePath(QStringLiteral("tessaly.png")), encoded(icons.last(), "PNG")) &&
        writeFile(folder.filePath(QStringLiteral("Dorvex.jpg")), encoded(drawPicture(), "JPG", 92));
    return ok ? 0 : 1;
}

int writeCard(const QString& scriptPath, const QDir& folder) {
    QString error;
    const auto script = readVideoScript(scriptPath, error);
    if (!script) {
        std::fprintf(stderr, "imagegen: %s: %s\n", qPrintable(scriptPath), qPrintable(error));
        return 1;
    }
    const CardLayers layers = drawCard(*script);
    const bool ok =
        writeFile(folder.filePath(QStringLiteral("background.png")),
                  encoded(layers.background, "PNG")) &&
        writeFile(folder.filePath(QStringLiteral("title.png")), encoded(layers.title, "PNG")) &&
        writeFile(folder.filePath(QStringLiteral("subtitle.png")), encoded(layers.subtitle, "PNG"));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    // A build step never needs a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("images")) {
        QDir().mkpath(args[2]);
        return writeImages(QDir(args[2]));
    }
    if (args.size() == 4 && args[1] == QLatin1String("card")) {
        QDir().mkpath(args[3]);
        return writeCard(args[2], QDir(args[3]));
    }
    std::fprintf(stderr, "usage: imagegen images <folder>\n"
                         "       imagegen card <video script> <folder>\n");
    return 2;
}
