#include "run/HistoryCharts.h"

#include "program/ProgramEditor.h"
#include "run/ChartScale.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <limits>

HistoryCharts::HistoryCharts(const ChartControlsView& charts, const ProgramEditor& program,
                             const OutputWishes& outputs, const LiveReading& reading,
                             const ChartScale& scale)
    : m_charts(charts), m_program(program), m_outputs(outputs), m_reading(reading), m_scale(scale) {
}

void HistoryCharts::图数据右移及新数据获取(int stepIndex) {
    // Past the last step (the unused 41st row) both levels are 0.
    const ProgramTable& table = m_program.table();
    const bool inProgram = stepIndex >= 0 && stepIndex < kStepCount;
    const auto level = [inProgram, stepIndex](const auto& levels) {
        return inProgram ? static_cast<float>(levels[stepIndex]) : 0.0f;
    };
    // No reading is no sample: the traces break there instead of dropping to 0.
    const auto measured = [this](frames::ReadingIndex k) {
        return m_reading ? static_cast<float>(m_reading->values[k])
                         : std::numeric_limits<float>::quiet_NaN();
    };
    m_data.图数据右移及新数据获取(
        {static_cast<float>(m_outputs.laser), static_cast<float>(m_outputs.vacuum),
         static_cast<float>(m_outputs.signal), level(table.leftLevel), level(table.rightLevel),
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
