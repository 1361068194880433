#include "tools/imagegen/IcoFile.h"

#include <QBuffer>

#include <cstdint>

namespace tessaly::imagegen {

namespace {

constexpr int kPngFrom = 256;

void put16(QByteArray& out, std::uint16_t value) {
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>(value >> 8));
}

void put32(QByteArray& out, std::uint32_t value) {
    put16(out, static_cast<std::uint16_t>(value & 0xffff));
    put16(out, static_cast<std::uint16_t>(value >> 16));
}

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// BITMAPINFOHEADER, bottom-up BGRA rows, then the 1-bit AND mask (set where transparent).
QByteArray dibBytes(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int size = image.width();
    const int maskStride = ((size + 31) / 32) * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, static_cast<std::uint32_t>(size * 2)); // colour rows and mask rows
    put16(out, 1);
    put16(out, 32);
    put32(out, 0); // BI_RGB
    put32(out, static_cast<std::uint32_t>(size * size * 4 + maskStride * size));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            put32(out, line[x]); // 0xAARRGGBB, stored little-endian as B, G, R, A
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < size; ++x) {
            if (qAlpha(line[x]) == 0) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(row);
    }
    return out;
}

} // namespace

QByteArray icoFile(const QList<QImage>& images) {
    if (images.isEmpty() || images.size() > 255) {
        return {};
    }
    QList<QByteArray> payloads;
    for (const QImage& image : images) {
        const int size = image.width();
        if (image.isNull() || image.height() != size || size > kPngFrom) {
            return {};
        }
        payloads.append(size >= kPngFrom ? pngBytes(image) : dibBytes(image));
    }

    QByteArray out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = images[i].width();
        const char side = static_cast<char>(size >= 256 ? 0 : size); // 0 means 256
        out.append(side);
        out.append(side);
        out.append('\0'); // no palette
        out.append('\0');
        put16(out, 1);  // planes
        put16(out, 32); // bits per pixel
        put32(out, static_cast<std::uint32_t>(payloads[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(payloads[i].size());
    }
    for (const QByteArray& payload : payloads) {
        out.append(payload);
    }
    return out;
}

} // namespace tessaly::imagegen
