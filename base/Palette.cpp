#include "base/Palette.h"

#include <QWidget>

void setPaletteBackground(QWidget* widget, int index) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, QColor(kPalette[static_cast<size_t>(index)]));
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

int paletteBackground(const QWidget* widget) {
    const QRgb colour = widget->palette().color(QPalette::Window).rgb();
    for (size_t i = 0; i < kPalette.size(); ++i) {
        if (kPalette[i] == colour) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
