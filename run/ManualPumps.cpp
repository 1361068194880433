#include "run/ManualPumps.h"

#include "base/NumericText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ManualPumps::ManualPumps(const PumpControlsView& pumps, PumpClip& clip, ClipPlayerProvider player)
    : m_pumps(pumps), m_clip(clip), m_player(std::move(player)) {}

void ManualPumps::wire() {
    for (int k = 1; k <= 2; ++k) {
        QObject::connect(m_pumps.微泵速度[k], &QLineEdit::textChanged, m_pumps.微泵速度[k],
                         [this, k] { 微泵速度_Change(k); });
        QObject::connect(m_pumps.Command3[k], &QPushButton::clicked, m_pumps.Command3[k],
                         [this, k] { Command3_Click(k); });
        QObject::connect(m_pumps.Command4[k], &QPushButton::clicked, m_pumps.Command4[k],
                         [this, k] { Command4_Click(k); });
    }
}

void ManualPumps::微泵速度_Change(int index) {
    QLineEdit* field = m_pumps.微泵速度[index];
    const QString level = wholeMagnitudeText(field->text(), 9);
    if (level != field->text()) {
        field->setText(level);
    }
}

void ManualPumps::switchPump(int index, bool run) {
    m_pumps.微泵速度[index]->setEnabled(!run);
    m_pumps.Command3[index]->setEnabled(!run);
    m_pumps.Command4[index]->setEnabled(run);
    确定即时文件名();
    m_player().播放一个指定文件(instantClip);
}

void ManualPumps::Command3_Click(int index) {
    switchPump(index, true);
}

void ManualPumps::Command4_Click(int index) {
    switchPump(index, false);
}

void ManualPumps::确定即时文件名() {
    // A pump runs while its own "Run" button is disabled, whatever its frame's state.
    const auto part = [this](int k) {
        const QPushButton* run = m_pumps.Command3[k];
        return run->isEnabledTo(run->parentWidget()) ? QStringLiteral("0")
                                                     : m_pumps.微泵速度[k]->text();
    };
    instantClip = part(1) + part(2) + QStringLiteral(".mc");
    m_clip.name = instantClip;
    m_pumps.Label27->setText(instantClip);
}
