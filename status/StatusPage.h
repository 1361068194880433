#pragma once

#include "status/StatusPageSettings.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

struct RigMetrics;
class QWidget;
class ShareStatusWindow;
class StatusHttpServer;

// The opt-in status page: its settings, its server and its window. Off by default; while it is
// off nothing listens and nothing is built for it.
class StatusPage {
public:
    explicit StatusPage(QWidget* owner);
    ~StatusPage();
    StatusPage(const StatusPage&) = delete;
    StatusPage& operator=(const StatusPage&) = delete;

    // Turns the page on at start when the settings say so. Shows nothing: a page that cannot
    // start is said by sayStartProblem() once the start-up has run.
    void start();
    // Says once, in a box, why the page that the settings turn on is not being served.
    void sayStartProblem();
    // Stops serving without changing the settings (the program exits).
    void stop();
    // The page is being served.
    bool serving() const { return m_server != nullptr; }
    quint16 port() const;
    int openConnections() const;
    // The link to the page being served, or empty.
    QString link() const;
    // Runs whenever the page starts or stops being served.
    std::function<void()> onServingChanged;

    // The snapshot the next requests get.
    void publish(const QByteArray& json);
    // The rig's values for /metrics, asked only when it is requested; the page adds its own
    // answers and the process's figures.
    std::function<RigMetrics()> metricsSource;

    const StatusPageSettings& settings() const { return m_settings; }
    // Saves settings and serves (or stops serving) as they say; a missing token is made here.
    void apply(StatusPageSettings settings);
    // A new token: links given out so far stop working.
    void renewToken();

    // File > "Share run status...".
    void showWindow();
    ShareStatusWindow* window() { return m_window.get(); }

private:
    // Serves as the settings say; a failure is kept as the window's state and, unless quiet,
    // said in a box.
    void serve(bool quiet = false);
    void showSettings();

    QWidget* m_owner;
    StatusPageSettings m_settings;
    std::unique_ptr<StatusHttpServer> m_server;
    QByteArray m_snapshot;
    QString m_problem;
    bool m_problemSaid = false;
    std::unique_ptr<ShareStatusWindow> m_window;
};
