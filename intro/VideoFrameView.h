#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

// Where a picture of the given size goes in an area: as large as fits with its proportions
// kept, centred. Empty for an empty picture.
QRect fittedRect(const QSize& picture, const QRect& area);

// Shows video frames on a plain widget, painted in software: no OpenGL surface and no native
// window, so a video does not load the graphics driver stack (a software renderer of some
// 60 MB where there is no graphics card) for the rest of the run.
class VideoFrameView final : public QWidget {
    Q_OBJECT

public:
    explicit VideoFrameView(QWidget* parent = nullptr);

    // The newest frame; a null image clears the view.
    void setImage(const QImage& frame);
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};
