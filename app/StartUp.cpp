#include "app/StartUp.h"

#include "app/AppRoot.h"
#include "intro/IntroWindow.h"

#include <QCoreApplication>
#include <QTimer>

StartUp::StartUp(Clock& clock, QString folder, Factories factories)
    : m_clock(clock), m_folder(std::move(folder)), m_factories(std::move(factories)) {
    endProcess = [] {
        QCoreApplication::quit();
    };
}

StartUp::~StartUp() {
    delete m_intro.data();
}

片头* StartUp::intro() const {
    return m_intro.data();
}

void StartUp::loadIntro() {
    片头::Services services;
    services.clock = &m_clock;
    services.folder = m_folder;
    services.player = m_factories.videoPlayer();
    services.handOver = [this] {
        handOver();
    };
    if (!m_root) {
        // Only the splash ends the program when closed; the video window just goes.
        services.closedBeforeHandOver = [this] {
            endProcess();
        };
    }
    m_intro = new 片头(std::move(services));
    m_intro->setAttribute(Qt::WA_DeleteOnClose);
}

void StartUp::Main() {
    loadIntro();
    m_intro->start();
}

void StartUp::handOver() {
    // The main panel exists from here on: its working time does not count the splash.
    m_root = m_factories.mainPanel();
    m_root->showVideoIntro = [this] {
        showVideoWindow();
    };
    m_root->Form_Load();
}

void StartUp::showVideoWindow() {
    if (!m_intro) {
        loadIntro();
    }
    m_intro->showAsVideoWindow();
}

void StartUp::terminate() {
    if (m_root) {
        m_root->exitSoftware();
        return;
    }
    if (m_intro) {
        m_intro->Timer1->stop();
        m_intro->检查文件是否齐全->stop();
    }
    endProcess();
}
