#pragma once

#include <QWidget>

// A filled circle that shows a state by its colour.
class Shape : public QWidget {
public:
    // Colour values as the indicators use them: red 255, green 65280 (0xBBGGRR).
    static constexpr int kRed = 255;
    static constexpr int kGreen = 65280;

    explicit Shape(QWidget* parent = nullptr);

    int FillColor() const { return m_fillColor; }
    void setFillColor(int colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_fillColor = kRed;
};
