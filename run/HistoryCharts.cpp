#include "run/HistoryCharts.h"

#include "base/CheckValue.h"
#include "base/NumericText.h"
#include "run/ChartScale.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <limits>

HistoryCharts::HistoryCharts(const ChartControlsView& charts, const StepTableView& steps,
                             const DeviceControlsView& devices, const LiveReading& reading,
                             const ChartScale& scale)
    : m_charts(charts), m_steps(steps), m_devices(devices), m_reading(reading), m_scale(scale) {}

void HistoryCharts::图数据右移及新数据获取(int stepIndex) {
    const auto number = [](const QString& text) {
        return static_cast<float>(leadingNumber(text));
    };
    // No reading is no sample: the traces break there instead of dropping to 0.
    const auto measured = [this](frames::ReadingIndex k) {
        return m_reading ? static_cast<float>(m_reading->values[k])
                         : std::numeric_limits<float>::quiet_NaN();
    };
    m_data.图数据右移及新数据获取({static_cast<float>(checkValue(m_devices.Check2)),
                                   static_cast<float>(checkValue(m_devices.Check3)),
                                   static_cast<float>(checkValue(m_devices.Check1)),
                                   number(m_steps.Text4[stepIndex]->text()),
                                   number(m_steps.Text5[stepIndex]->text()),
                                   measured(frames::DPlus), measured(frames::Voltage)});
}

void HistoryCharts::数据绘图() {
    std::array<QImage, 2> images;
    for (int k = 0; k < 2; ++k) {
        images[k] = QImage(m_charts.Picture1[k]->contentsRect().size(), QImage::Format_RGB32);
    }
    ::数据绘图(m_data, {m_scale.scaleLow, m_scale.gridStep}, images[0], images[1]);
    for (int k = 0; k < 2; ++k) {
        m_charts.Picture1[k]->setPixmap(QPixmap::fromImage(images[k]));
    }
}
