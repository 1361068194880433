#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C in the terminal, a logout) into a call on the
// window thread, so the program ends through its exit sequence and switches the rig off. One
// per process; a second signal before the first is handled ends the process at once.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void(int signal)> onSignal);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (then the default actions stay).
    bool installed() const { return m_notifier != nullptr; }

private:
    void received();

    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};
