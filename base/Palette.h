#pragma once

#include <QColor>
#include <array>

// The 16-colour palette of label backgrounds and chart lines, by index.
inline constexpr std::array<QRgb, 16> kPalette = {
    qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
    qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
    qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255)};

class QWidget;
// Paints a widget's background in a palette colour.
void setPaletteBackground(QWidget* widget, int index);
// The palette index of a widget's background, or -1 when it is not a palette colour.
int paletteBackground(const QWidget* widget);
