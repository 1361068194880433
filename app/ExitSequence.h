#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The steps that switch the rig off and close the program, as one ordered list. It runs once:
// every later request to exit finds it done. A step that fails does not stop the steps after
// it, as a relay left closed is worse than any error on the way out.
class ExitSequence {
public:
    void add(const QString& name, std::function<void()> step);

    // Runs every step in order; false when it had already run.
    bool run();
    bool hasRun() const { return m_ran; }

    QStringList names() const;
    // Steps that failed in the last run, each as "name: reason".
    const QStringList& failures() const { return m_failures; }

private:
    struct Step {
        QString name;
        std::function<void()> action;
    };
    std::vector<Step> m_steps;
    QStringList m_failures;
    bool m_ran = false;
};
