#pragma once

#include <QString>
#include <optional>

class QLabel;
class QTimer;

// Counts how long the program has been open, summed over all its starts, in whole seconds
// kept in the settings store; it grows by 60 once a minute while the panel is open.
class WorkingTimeCounter {
public:
    // label shows the total after each counted minute; minute is the panel's one-minute tick.
    explicit WorkingTimeCounter(QLabel* label, QTimer* minute = nullptr);

    // Counts a minute at every tick of the minute timer.
    void wire();

    // At panel start-up: creates the stored counter at 0 when none can be read.
    void prepare();
    // One minute has passed (更新累计机时): count it, show it, store it.
    void tick();

    // The stored counter, or nothing when it is missing or not a counter.
    static std::optional<qint32> stored();
    static void store(qint32 seconds);
    // The label text for a counter.
    static QString text(qint32 seconds);

private:
    QLabel* m_label;
    QTimer* m_minute;
};
