#include "app/ExitSequence.h"

#include <QtGlobal>
#include <exception>

void ExitSequence::add(const QString& name, std::function<void()> step) {
    m_steps.push_back({name, std::move(step)});
}

bool ExitSequence::run() {
    if (m_ran) {
        return false;
    }
    m_ran = true;
    for (const Step& step : m_steps) {
        try {
            step.action();
        } catch (const std::exception& e) {
            m_failures << step.name + QStringLiteral(": ") + QString::fromLocal8Bit(e.what());
        } catch (...) {
            m_failures << step.name + QStringLiteral(": unknown error");
        }
    }
    for (const QString& failure : m_failures) {
        qWarning("Exit step failed: %s", qPrintable(failure));
    }
    return true;
}

QStringList ExitSequence::names() const {
    QStringList list;
    for (const Step& step : m_steps) {
        list << step.name;
    }
    return list;
}
