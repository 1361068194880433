// The product artwork, drawn with QPainter: the icon, the product picture and the layers of
// the intro videos' title cards.
#pragma once

#include "tools/imagegen/VideoScript.h"

#include <QImage>

namespace tessaly::imagegen {

// Size of the product picture and of the video frames.
constexpr int kFrameWidth = 1280;
constexpr int kFrameHeight = 720;

// The product icon at one size (square, transparent corners); small sizes drop fine detail.
QImage drawIcon(int size);

// The product picture: the name and the rig's elements (dish, two micropumps, laser, vacuum).
QImage drawPicture();

// A title card as three frame-sized layers that the video encoder animates separately.
struct CardLayers {
    QImage background; // opaque
    QImage title;      // transparent: emblem and title
    QImage subtitle;   // transparent: rule and subtitle
};

CardLayers drawCard(const VideoScript& script);

} // namespace tessaly::imagegen
