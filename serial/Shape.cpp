#include "serial/Shape.h"

#include <QPainter>

Shape::Shape(QWidget* parent) : QWidget(parent) {
    setMinimumSize(16, 16);
}

void Shape::setFillColor(int colour) {
    if (m_fillColor != colour) {
        m_fillColor = colour;
        update();
    }
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill(m_fillColor & 0xFF, (m_fillColor >> 8) & 0xFF, (m_fillColor >> 16) & 0xFF);
    painter.setBrush(fill);
    painter.setPen(Qt::black);
    const int d = std::min(width(), height()) - 2;
    painter.drawEllipse(QRect((width() - d) / 2, (height() - d) / 2, d, d));
}
