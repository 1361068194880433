#include "intro/VideoFrameView.h"

#include <QPainter>

QRect fittedRect(const QSize& picture, const QRect& area) {
    if (picture.isEmpty() || area.isEmpty()) {
        return {};
    }
    const QSize size = picture.scaled(area.size(), Qt::KeepAspectRatio);
    return {area.x() + (area.width() - size.width()) / 2,
            area.y() + (area.height() - size.height()) / 2, size.width(), size.height()};
}

VideoFrameView::VideoFrameView(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted each time: nothing beneath needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoFrameView::setImage(const QImage& frame) {
    m_image = frame;
    update();
}

void VideoFrameView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRect target = fittedRect(m_image.size(), rect());
    if (!target.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_image);
    }
}
