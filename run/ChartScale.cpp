#include "run/ChartScale.h"

#include "base/NumericText.h"

#include <QLineEdit>

ChartScale::ChartScale(const ChartControlsView& charts) : m_charts(charts) {}

void ChartScale::wire() {
    for (int k = 0; k < 2; ++k) {
        QObject::connect(m_charts.Text6[k], &QLineEdit::textChanged, m_charts.Text6[k],
                         [this, k] { Text6_Change(k); });
    }
}

void ChartScale::Text6_Change(int index) {
    const float value = static_cast<float>(leadingNumber(m_charts.Text6[index]->text()));
    (index == 0 ? scaleLow : scaleHigh) = value;
    gridStep = (scaleHigh - scaleLow) / 10.0f;
}
