#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class AppRoot;
class Clock;
class VideoPlayer;
class 片头;

// The program's entry: shows the splash, builds the main panel's composition root at the
// hand-over and runs its start-up sequence, and later shows the intro window as the video window.
class StartUp {
public:
    struct Factories {
        std::function<std::unique_ptr<VideoPlayer>()> videoPlayer;
        // Builds the composition root; its start-up sequence runs right after.
        std::function<std::unique_ptr<AppRoot>()> mainPanel;
    };

    // folder: where the installed files are looked for.
    StartUp(Clock& clock, QString folder, Factories factories);
    ~StartUp();

    // The entry procedure: the splash is loaded, sized, muted and shown.
    void Main();
    // The main panel's "Video intro": the intro window, reloaded if it was closed.
    void showVideoWindow();
    // Being told to end: the exit of the main panel once it is there, else the end at once.
    void terminate();

    片头* intro() const;
    AppRoot* root() const { return m_root.get(); }
    // Ends the process; tests replace it.
    std::function<void()> endProcess;

private:
    void loadIntro();
    void handOver();

    Clock& m_clock;
    QString m_folder;
    Factories m_factories;
    // The intro window deletes itself when closed.
    QPointer<片头> m_intro;
    std::unique_ptr<AppRoot> m_root;
};
