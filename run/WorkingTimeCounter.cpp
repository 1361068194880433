#include "run/WorkingTimeCounter.h"

#include "base/MessageBoxes.h"
#include "base/TimeText.h"

#include <QLabel>
#include <QSettings>
#include <QTimer>

namespace {
const QString kKey = QStringLiteral("WorkingTime/Seconds");
}

WorkingTimeCounter::WorkingTimeCounter(QLabel* label, QTimer* minute)
    : m_label(label), m_minute(minute) {}

void WorkingTimeCounter::wire() {
    QObject::connect(m_minute, &QTimer::timeout, m_minute, [this] { tick(); });
}

std::optional<qint32> WorkingTimeCounter::stored() {
    const QSettings settings;
    const QVariant value = settings.value(kKey);
    if (!value.isValid()) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 seconds = value.toString().toLongLong(&ok);
    // The counter only ever grows from 0, so anything else is not one of ours.
    if (!ok || seconds < 0 || seconds > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(seconds);
}

void WorkingTimeCounter::store(qint32 seconds) {
    QSettings settings;
    settings.setValue(kKey, QString::number(seconds));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        qWarning("Working-time counter could not be stored in %s", qPrintable(settings.fileName()));
    }
}

QString WorkingTimeCounter::text(qint32 seconds) {
    return QStringLiteral("∑working =") + SecondsToHms(seconds);
}

void WorkingTimeCounter::prepare() {
    if (!stored()) {
        store(0);
    }
}

void WorkingTimeCounter::tick() {
    const std::optional<qint32> counter = stored();
    if (!counter) {
        store(0);
        return;
    }
    qint32 next = 0;
    try {
        next = checkedAdd(*counter, 60);
    } catch (const OverflowError&) {
        showMessage(m_label->window(), QStringLiteral("Overflow"), {}, MessageButtons::Ok,
                    MessageIcon::Critical);
        return;
    }
    m_label->setText(text(next));
    store(next);
}
