#pragma once

#include <QLabel>
#include <QMouseEvent>
#include <functional>

// A label that runs an operation when clicked.
class ClickableLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && onClick) {
            onClick();
        }
        QLabel::mousePressEvent(event);
    }
};
