#pragma once

#include "app/ExitSequence.h"
#include "audio/ClipPlayer.h"
#include "base/Reading.h"
#include "panel/PanelViews.h"
#include "run/PumpClip.h"
#include "serial/DeviceState.h"

#include <QObject>
#include <functional>
#include <memory>

class ChartScale;
class Clock;
class HelpMenu;
class HistoryCharts;
class ManualPumps;
class MeasuringBoard;
class PanelDeviceLinks;
class RelayBoard;
class Mp3Export;
class PlayerOnFirstUse;
class ProgramEditor;
class ProgramLibrary;
class RunEngine;
class RunJournal;
class RunRecorder;
class RunResumption;
class StatusFeed;
class StatusPage;
class TessalyPanel;
class WorkingTimeCounter;
class 开关面板;
class 数据采集窗口;

// The composition root: creates the services, the main panel and every concern on the panel's
// views, wires menus and events, runs the start-up sequence and owns the exit sequence. Nothing
// else constructs windows or concerns, and no concern knows the main window.
class AppRoot : public QObject {
public:
    enum class Sound {
        // The hidden player window, created when the first clip is asked for.
        PlayerWindow,
        // No sound output: the run and the manual pumps stay disabled.
        None,
    };

    AppRoot(Clock& clock, Sound sound);
    // Sounds every clip through player (tests, benchmarks).
    AppRoot(Clock& clock, ClipPlayerProvider player);
    ~AppRoot() override;

    // The main panel's start-up sequence: flat look, working folder and samples, show, chart
    // scale, working time, then the current program.
    void Form_Load();
    // Runs the exit sequence, once.
    void 准备退出软件();
    // Exit: the exit sequence once, then the end of the process.
    void exitSoftware();
    // Ends the process once the exit sequence has run, with exitCode(); tests replace it.
    std::function<void()> endProcess;
    // 0, or 1 once a fatal problem of the sound output ends the program.
    int exitCode() const { return m_exitCode; }
    // The "Video intro" item: shows the intro window as the video window.
    std::function<void()> showVideoIntro;

    TessalyPanel& panel() { return *m_panel; }
    ProgramEditor& editor() { return *m_editor; }
    ProgramLibrary& library() { return *m_library; }
    RunEngine& runEngine() { return *m_run; }
    ManualPumps& manualPumps() { return *m_pumps; }
    Mp3Export& mp3Export() { return *m_export; }
    ChartScale& chartScale() { return *m_chartScale; }
    HistoryCharts& charts() { return *m_charts; }
    RunRecorder& recorder() { return *m_recorder; }
    RunJournal& journal() { return *m_journal; }
    RunResumption& resumption() { return *m_resumption; }
    WorkingTimeCounter& workingTime() { return *m_workingTime; }
    StatusPage& statusPage() { return *m_statusPage; }
    StatusFeed& statusFeed() { return *m_statusFeed; }
    // The device windows and the panel's links to them, created with the panel; gone once the
    // exit sequence has unloaded them.
    开关面板* relayPanel() { return m_relayPanel.get(); }
    数据采集窗口* dataWindow() { return m_dataWindow.get(); }
    PanelDeviceLinks* deviceLinks() { return m_deviceLinks.get(); }
    // The boards, for the whole life of the root.
    RelayBoard& relayBoard() { return *m_relayBoard; }
    MeasuringBoard& measuringBoard() { return *m_measuringBoard; }

protected:
    // The main window's close box exits like the two Exit items.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppRoot(Clock& clock, Sound sound, ClipPlayerProvider player);
    void wireEvents();
    void disableSoundItems();
    void loadDeviceWindows();
    void buildExitSequence();
    // The sound output cannot be set up: the program ends, through the exit's relay and port
    // steps, after the player's box.
    void soundFailed(int exitCode);

    Clock& m_clock;
    // Declared before everything that may sound a clip, so it is destroyed after them.
    std::unique_ptr<PlayerOnFirstUse> m_playerWindow;
    ClipPlayerProvider m_player;
    // What the measuring board measures now: written by the data window, taken by the charts,
    // the run record and the status page; declared first, so it outlives them all.
    LiveReading m_reading;
    // How the devices stand: written by the device links, taken by the charts and the page.
    DeviceState m_devices;
    // The pumps' clip: written by the run and the manual pumps, taken by the status page.
    PumpClip m_clip;
    // The window before its concerns: they are destroyed first, the windows they made with it.
    std::unique_ptr<TessalyPanel> m_panel;
    std::unique_ptr<ProgramEditor> m_editor;
    std::unique_ptr<ProgramLibrary> m_library;
    std::unique_ptr<WorkingTimeCounter> m_workingTime;
    std::unique_ptr<RunEngine> m_run;
    std::unique_ptr<ManualPumps> m_pumps;
    std::unique_ptr<Mp3Export> m_export;
    std::unique_ptr<ChartScale> m_chartScale;
    std::unique_ptr<HistoryCharts> m_charts;
    std::unique_ptr<RunRecorder> m_recorder;
    // Where a run stands, kept on disk so that it can be picked up after a crash.
    std::unique_ptr<RunJournal> m_journal;
    std::unique_ptr<RunResumption> m_resumption;
    // The boards write the reading and outlive their views.
    std::unique_ptr<MeasuringBoard> m_measuringBoard;
    std::unique_ptr<RelayBoard> m_relayBoard;
    // Hidden windows of their own; their links write into the panel, so they go before it.
    std::unique_ptr<数据采集窗口> m_dataWindow;
    std::unique_ptr<开关面板> m_relayPanel;
    std::unique_ptr<PanelDeviceLinks> m_deviceLinks;
    // The status page reads the concerns above, so it goes first.
    std::unique_ptr<StatusPage> m_statusPage;
    std::unique_ptr<StatusFeed> m_statusFeed;
    std::unique_ptr<HelpMenu> m_helpMenu;
    ExitSequence m_exit;
    bool m_soundFailed = false;
    int m_exitCode = 0;
};
