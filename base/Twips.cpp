#include "base/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {
double logicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}
} // namespace

int twips(int t) {
    return static_cast<int>(std::lround(t * logicalDpi() / 1440.0));
}

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}
