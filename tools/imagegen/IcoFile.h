// The Windows icon container (.ico) around several square images.
//
// Images below 256 pixels are stored as 32-bit DIBs with an AND mask, which every reader of
// the format understands; the 256-pixel image is stored as PNG, as Windows expects it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace tessaly::imagegen {

// The file's bytes for the given images (each square, 1..256 pixels, at most 255 images).
// Returns an empty array when an image does not fit the format.
QByteArray icoFile(const QList<QImage>& images);

} // namespace tessaly::imagegen
