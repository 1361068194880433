#include "status/StatusPage.h"

#include "base/MessageBoxes.h"
#include "status/AccessToken.h"
#include "status/RigMetrics.h"
#include "status/ShareStatusWindow.h"
#include "status/StatusHttpServer.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

StatusPage::StatusPage(QWidget* owner) : m_owner(owner) {}

StatusPage::~StatusPage() = default;

void StatusPage::start() {
    m_settings = StatusPageSettings::load();
    if (m_settings.enabled) {
        // Only a new token is written back: a wrong port or address stays as the lab wrote it.
        if (m_settings.token.isEmpty()) {
            m_settings.token = QString::fromLatin1(newAccessToken());
            m_settings.saveToken();
        }
        serve(true);
    }
    showSettings();
}

void StatusPage::sayStartProblem() {
    if (m_problem.isEmpty() || m_problemSaid) {
        return;
    }
    m_problemSaid = true;
    showMessage(m_owner, m_problem + QStringLiteral("\r\n\r\nThe program goes on without it."),
                QStringLiteral("Share run status"), MessageButtons::Ok, MessageIcon::Warning);
}

void StatusPage::stop() {
    const bool wasServing = serving();
    m_server.reset();
    if (wasServing && onServingChanged) {
        onServingChanged();
    }
    showSettings();
}

quint16 StatusPage::port() const {
    return m_server ? m_server->port() : 0;
}

int StatusPage::openConnections() const {
    return m_server ? m_server->openConnections() : 0;
}

QString StatusPage::link() const {
    if (!m_server) {
        return {};
    }
    // The port listened on: a setting of 0 takes any free one.
    StatusPageSettings served = m_settings;
    served.port = m_server->port();
    return served.link();
}

void StatusPage::publish(const QByteArray& json) {
    m_snapshot = json;
    if (m_server) {
        m_server->setSnapshot(json);
    }
}

void StatusPage::apply(StatusPageSettings settings) {
    if (settings.enabled && settings.token.isEmpty()) {
        settings.token = QString::fromLatin1(newAccessToken());
    }
    m_settings = settings;
    // The operator has set them all now.
    m_settings.presetProblems.clear();
    m_settings.save();
    serve();
    showSettings();
}

void StatusPage::renewToken() {
    StatusPageSettings s = m_settings;
    s.token = QString::fromLatin1(newAccessToken());
    apply(s);
}

void StatusPage::serve(bool quiet) {
    const bool wasServing = serving();
    m_server.reset();
    m_problem.clear();
    if (m_settings.enabled) {
        auto server = std::make_unique<StatusHttpServer>(m_settings.token.toUtf8());
        QString reason;
        if (server->start(m_settings.address(), m_settings.port, &reason)) {
            server->setSnapshot(m_snapshot.isEmpty() ? QByteArray("{}") : m_snapshot);
            server->setMetricsSource([this, answers = server.get()] {
                RigMetrics metrics = metricsSource ? metricsSource() : RigMetrics{};
                metrics.statusAnswers = answers->answersByCode();
                metrics.process = readProcessStats();
                return metricsText(metrics);
            });
            m_server = std::move(server);
        } else {
            m_problem = QStringLiteral("The status page cannot be opened on port %1: %2")
                            .arg(m_settings.port)
                            .arg(reason);
            m_problemSaid = !quiet;
        }
        if (!m_problem.isEmpty() && !quiet) {
            showMessage(m_window && m_window->isVisible() ? m_window.get() : m_owner,
                        m_problem + QStringLiteral("\r\n\r\nThe program goes on without it."),
                        QStringLiteral("Share run status"), MessageButtons::Ok,
                        MessageIcon::Warning);
        }
    }
    // A server started again is a new one: the feed hands it the snapshot at once.
    if ((wasServing || serving()) && onServingChanged) {
        onServingChanged();
    }
}

void StatusPage::showWindow() {
    if (!m_window) {
        m_window = std::make_unique<ShareStatusWindow>(m_owner);
        ShareStatusWindow& w = *m_window;
        const auto fromWindow = [this] {
            StatusPageSettings s = m_settings;
            s.enabled = m_window->shareCheck->isChecked();
            s.localNetwork = m_window->localNetwork->isChecked();
            s.port = static_cast<quint16>(m_window->port->value());
            apply(s);
        };
        QObject::connect(w.shareCheck, &QCheckBox::toggled, &w, fromWindow);
        QObject::connect(w.localNetwork, &QRadioButton::toggled, &w, fromWindow);
        QObject::connect(w.port, &QSpinBox::editingFinished, &w, [this, fromWindow] {
            if (m_window->port->value() != m_settings.port) {
                fromWindow();
            }
        });
        QObject::connect(w.newToken, &QPushButton::clicked, &w, [this] { renewToken(); });
        QObject::connect(w.copyLink, &QPushButton::clicked, &w,
                         [this] { QGuiApplication::clipboard()->setText(m_window->link->text()); });
        QObject::connect(w.closeButton, &QPushButton::clicked, &w, [this] { m_window->hide(); });
    }
    showSettings();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void StatusPage::showSettings() {
    if (!m_window) {
        return;
    }
    ShareStatusWindow& w = *m_window;
    const QSignalBlocker b1(w.shareCheck);
    const QSignalBlocker b2(w.localNetwork);
    const QSignalBlocker b3(w.thisComputer);
    const QSignalBlocker b4(w.port);
    w.shareCheck->setChecked(m_settings.enabled);
    w.localNetwork->setChecked(m_settings.localNetwork);
    w.thisComputer->setChecked(!m_settings.localNetwork);
    w.networkWarning->setVisible(m_settings.localNetwork);
    w.port->setValue(m_settings.port);
    w.link->setText(link());
    w.copyLink->setEnabled(serving());
    w.newToken->setEnabled(m_settings.enabled);
    QStringList state = m_settings.presetProblems;
    if (serving()) {
        state << QStringLiteral("The page is on. Open the link in a browser.");
    } else if (!m_problem.isEmpty()) {
        state << m_problem;
    } else {
        state << QStringLiteral("The page is off.");
    }
    w.state->setText(state.join(QLatin1Char('\n')));
}
