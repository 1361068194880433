#include "app/AppRoot.h"

#include "app/HelpMenu.h"
#include "audio/PlayerOnFirstUse.h"
#include "base/CheckValue.h"
#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/Paths.h"
#include "panel/PanelViews.h"
#include "panel/TessalyPanel.h"
#include "program/ProgramEditor.h"
#include "program/ProgramLibrary.h"
#include "program/SaveAsWindow.h"
#include "program/WorkingFolderListWindow.h"
#include "run/ChartScale.h"
#include "run/HistoryCharts.h"
#include "run/ManualPumps.h"
#include "run/Mp3Export.h"
#include "run/RunEngine.h"
#include "run/RunJournal.h"
#include "run/RunRecorder.h"
#include "run/RunResumption.h"
#include "run/WorkingTimeCounter.h"
#include "serial/Controls.h"
#include "serial/DataWindow.h"
#include "serial/MeasuringBoard.h"
#include "serial/PanelDeviceLinks.h"
#include "serial/RelayBoard.h"
#include "serial/RelayPanel.h"
#include "serial/SerialCommControl.h"
#include "status/StatusFeed.h"
#include "status/StatusPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {
const QString kPanelCaption = QStringLiteral("Dorvex-20230210");

// Unloads a hidden device window: gone from the root at once, deleted only once the event that
// asked for the exit has returned. A signal or a box can start the exit inside that window's
// own receive handler (the data window lets events run there), and a port must not be deleted
// under its own notification.
template <typename Window> void unload(std::unique_ptr<Window>& window) {
    if (window) {
        window->hide();
        window.release()->deleteLater();
    }
}
} // namespace

AppRoot::AppRoot(Clock& clock, Sound sound) : AppRoot(clock, sound, {}) {}

AppRoot::AppRoot(Clock& clock, ClipPlayerProvider player)
    : AppRoot(clock, Sound::PlayerWindow, std::move(player)) {}

AppRoot::AppRoot(Clock& clock, Sound sound, ClipPlayerProvider player)
    : m_clock(clock), m_player(std::move(player)) {
    endProcess = [this] {
        QCoreApplication::exit(m_exitCode);
    };
    if (sound == Sound::PlayerWindow && !m_player) {
        PlayerSetup setup;
        setup.endProgram = [this](int exitCode) {
            soundFailed(exitCode);
        };
        // The player's own play button sounds the clip of the program's first step.
        setup.stepZeroClip = [this] {
            return m_editor->table().clipName[0];
        };
        m_playerWindow = std::make_unique<PlayerOnFirstUse>(setup);
        m_player = m_playerWindow->provider();
    }

    m_panel = std::make_unique<TessalyPanel>();
    TessalyPanel& p = *m_panel;
    m_editor = std::make_unique<ProgramEditor>(p, m_clock);
    ProgramLibraryWindows windows;
    windows.saveAs = [&p](ProgramLibrary& library) {
        return std::make_unique<另存窗口>(p, library);
    };
    windows.workingFolderList = [&p](ProgramLibrary& library) {
        return std::make_unique<列工作目录文件名>(p, library);
    };
    m_library = std::make_unique<ProgramLibrary>(*m_editor, &p, std::move(windows));
    m_workingTime = std::make_unique<WorkingTimeCounter>(p.Label29, p.Timer3);
    m_run = std::make_unique<RunEngine>(p, p, p, m_clip, *m_editor, m_clock, m_player);
    m_pumps = std::make_unique<ManualPumps>(p, m_clip, m_player);
    m_export = std::make_unique<Mp3Export>(
        p, p, [this]() -> const ProgramTable& { return m_editor->table(); }, m_clock, &p);
    // The two boards, each owning its port; the hidden device windows are views of them, and
    // the links work them for the panel.
    m_measuringBoard =
        std::make_unique<MeasuringBoard>(std::make_unique<SerialCommControl>(), m_reading);
    auto relayPort = std::make_unique<SerialCommControl>();
    // Should the program crash while the port is open, these bytes open both relays.
    relayPort->setCrashBytes(relayOpenFrames());
    m_relayBoard = std::make_unique<RelayBoard>(std::move(relayPort));
    m_dataWindow = std::make_unique<数据采集窗口>(*m_measuringBoard, m_clock);
    // Owned here, so it outlives the data window that the exit sequence unloads.
    const LiveReading& reading = m_reading;
    m_chartScale = std::make_unique<ChartScale>(p);
    m_charts =
        std::make_unique<HistoryCharts>(p, *m_editor, m_devices.outputs, reading, *m_chartScale);
    m_recorder = std::make_unique<RunRecorder>(reading, *m_editor, *m_run, m_clock, &p);
    m_journal = std::make_unique<RunJournal>(*m_run, *m_editor, *m_recorder, m_clock, &p);
    m_resumption = std::make_unique<RunResumption>(*m_journal, *m_run, *m_library, *m_editor,
                                                   *m_recorder, m_clock, &p);
    m_relayPanel = std::make_unique<开关面板>(*m_relayBoard);
    m_deviceLinks = std::make_unique<PanelDeviceLinks>(p, *m_relayBoard, *m_measuringBoard,
                                                       *m_dataWindow, m_devices);
    m_statusPage = std::make_unique<StatusPage>(&p);
    m_statusFeed = std::make_unique<StatusFeed>(p, m_run->state(), reading, m_devices, m_clip,
                                                *m_editor, *m_recorder, m_clock, *m_statusPage);
    m_helpMenu = std::make_unique<HelpMenu>(p);
    m_statusFeed->addCounters = [this](RigMetrics& m) {
        const MeasuringBoard& meter = *m_measuringBoard;
        m.framesDecoded = meter.framesReceived();
        m.framesRefused = meter.framesRefused();
        m.measuringBoardLosses = meter.losses();
        m.relayBoardLosses = m_relayBoard->losses();
        for (int relay = 1; relay <= 2; ++relay) {
            for (int k = 0; k < RelayBoard::kCommandResults; ++k) {
                m.relayCommands[relay - 1][k] =
                    m_relayBoard->commands(relay, static_cast<RelayBoard::CommandResult>(k));
            }
        }
        if (m_playerWindow && m_playerWindow->existing()) {
            m.audioUnderruns = m_playerWindow->existing()->underruns();
        }
    };

    wireEvents();
    disableSoundItems();
    buildExitSequence();
    m_editor->recompute();
    p.Timer3->start();
}

AppRoot::~AppRoot() = default;

void AppRoot::wireEvents() {
    TessalyPanel& p = *m_panel;
    // Each concern its own controls and timers.
    m_editor->wireStepControls();
    m_run->wire();
    m_pumps->wire();
    m_chartScale->wire();
    m_workingTime->wire();
    m_export->wire();
    m_deviceLinks->wire();
    // The relay panel's own "Connect" is the panel's.
    m_relayPanel->onMasterPressed = [this] {
        if (m_deviceLinks) {
            m_deviceLinks->Command1_Click();
        }
    };
    // The hooks between concerns.
    m_deviceLinks->onEvent = [this](const QString& event, const QString& detail) {
        m_recorder->deviceEvent(event, detail);
        m_statusFeed->refresh();
    };
    // The run says what its step wants; the links switch the boards and show it in the boxes.
    m_run->onOutputs = [this](const OutputWishes& wishes) {
        if (m_deviceLinks) {
            m_deviceLinks->want(wishes);
        }
    };
    m_run->afterTick = [this] {
        // The charts and the record sample the readings: the newest frame first.
        m_measuringBoard->showPendingReading();
        m_charts->图数据右移及新数据获取(m_run->state().step);
        m_charts->数据绘图();
        m_recorder->sampleReadings();
        m_journal->afterTick();
        m_statusFeed->refresh();
    };
    m_run->onEvent = [this](RunEngine::Event event) {
        m_recorder->runEvent(event);
        // A record starts (or goes on) with how the boards stand; later changes are events of
        // their own.
        if (event == RunEngine::Event::Started || event == RunEngine::Event::Resumed) {
            m_recorder->boardStatesAtStart(m_deviceLinks->boardStates());
        }
        // After the record, so that a new record's file is in the journal.
        m_journal->runEvent(event);
        m_statusFeed->refresh();
    };
    p.mnuRecordRuns->setChecked(m_recorder->enabled());
    connect(p.mnuRecordRuns, &QAction::toggled, this,
            [this](bool on) { m_recorder->setEnabled(on); });
    connect(p.mnuShareStatus, &QAction::triggered, this, [this] { m_statusPage->showWindow(); });
    connect(p.mnu调入程序, &QAction::triggered, this, [this] { m_library->loadByBrowsing(); });
    connect(p.mnu保存程序, &QAction::triggered, this, [this] { m_library->save(); });
    connect(p.mnu将程序另存为, &QAction::triggered, this, [this] { m_library->showSaveAs(); });
    connect(p.看工作目录, &QAction::triggered, this,
            [this] { m_library->showWorkingFolderList(); });
    connect(p.mnuExit, &QAction::triggered, this, [this] { exitSoftware(); });
    connect(p.exitsoftware, &QAction::triggered, this, [this] { exitSoftware(); });
    connect(p.video, &QAction::triggered, this, [this] {
        if (showVideoIntro) {
            showVideoIntro();
        }
    });
    connect(p.Save_as_MP3, &QAction::triggered, this, [this] { m_export->Save_as_MP3_Click(); });
    p.installEventFilter(this);
}

void AppRoot::disableSoundItems() {
    TessalyPanel& p = *m_panel;
    if (!m_player) {
        // Without a sound output neither a program nor a pump can run.
        p.启动程序[0]->setEnabled(false);
        p.声控设备->setEnabled(false);
    }
}

void AppRoot::buildExitSequence() {
    TessalyPanel& p = *m_panel;
    m_exit.add(QStringLiteral("stop the run timer"), [&p] { p.Timer1->stop(); });
    if (m_player) {
        m_exit.add(QStringLiteral("stop both micropumps"), [this] {
            // A player that could not be set up is not asked again: its failure is this exit.
            if (!m_soundFailed) {
                m_pumps->Command4_Click(1);
            }
            if (!m_soundFailed) {
                m_pumps->Command4_Click(2);
            }
        });
    }
    // While the relay port is still open; a relay the board was not told to open with success
    // is sent its open frame again.
    m_exit.add(QStringLiteral("switch the devices off"), [this] { m_deviceLinks->switchOff(); });
    m_exit.add(QStringLiteral("close the run record"), [this] { m_recorder->programExits(); });
    // Exit ends a run on purpose: nothing is offered at the next start.
    m_exit.add(QStringLiteral("close the run journal"), [this] { m_journal->close(); });
    m_exit.add(QStringLiteral("close the status page"), [this] { m_statusPage->stop(); });
    m_exit.add(QStringLiteral("close the relay port, then the data port"),
               [this] { m_deviceLinks->closePorts(); });
    m_exit.add(QStringLiteral("unload the working-folder list"),
               [this] { m_library->unloadWorkingFolderList(); });
    m_exit.add(QStringLiteral("unload the data window"), [this] {
        m_deviceLinks.reset();
        unload(m_dataWindow);
    });
    m_exit.add(QStringLiteral("unload the save-as window"),
               [this] { m_library->unloadSaveAsWindow(); });
    m_exit.add(QStringLiteral("unload the relay panel"), [this] { unload(m_relayPanel); });
    m_exit.add(QStringLiteral("unload the main panel"), [&p] { p.hide(); });
}

void AppRoot::Form_Load() {
    TessalyPanel& p = *m_panel;
    界面扁平化(p);
    m_library->创建工作文件夹();
    QStringList problems;
    for (const QString& name : m_library->copySamples()) {
        problems << QStringLiteral("The sample program %1 could not be copied from %2 into %3.")
                        .arg(name, programFolder(), workingFolder());
    }
    m_clock.sleepMs(200);
    p.show();
    setMainPanelSize(p);
    loadDeviceWindows();
    setMainPanelSize(p);
    // The chart boxes need no set-up of their own: every redraw maps x 0..500 and y 0..10
    // onto the box as it is then.
    m_chartScale->Text6_Change(0);
    m_chartScale->Text6_Change(1);
    m_workingTime->prepare();
    m_statusPage->start();

    QString loadFailure;
    if (const std::optional<QString> status =
            m_editor->load(m_library->programPath(), {}, &loadFailure)) {
        p.Label26->setText(*status);
    } else {
        problems << loadFailure;
        // The table is empty now; saving it must not replace the file that failed.
        m_library->releaseProgramPath();
    }
    if (!problems.isEmpty()) {
        showMessage(&p,
                    problems.join(QStringLiteral("\r\n\r\n")) +
                        QStringLiteral("\r\n\r\nThe panel starts with an empty program."),
                    kPanelCaption, MessageButtons::Ok, MessageIcon::Warning);
    }
    // A page that could not start is said once the start-up has run and the splash is gone,
    // from the event loop: never over the splash, never inside a run tick.
    // So is a run that a crash, a kill or a power cut left open.
    QTimer::singleShot(0, this, [this] {
        m_statusPage->sayStartProblem();
        m_resumption->offer();
    });
}

void AppRoot::loadDeviceWindows() {
    TessalyPanel& p = *m_panel;
    m_deviceLinks->显示串口_Click();
    for (QComboBox* box : p.SelectPort) {
        box->setEditText(QLatin1String(kPanelPortPlaceholder));
    }
}

void AppRoot::准备退出软件() {
    m_exit.run();
}

void AppRoot::soundFailed(int exitCode) {
    m_soundFailed = true;
    m_exitCode = exitCode;
    // Inside the exit's own Stop press the sequence is under way and ends the program itself.
    exitSoftware();
}

void AppRoot::exitSoftware() {
    if (!m_exit.run()) {
        return;
    }
    endProcess();
}

bool AppRoot::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_panel.get() && event->type() == QEvent::Close) {
        exitSoftware();
    }
    return QObject::eventFilter(watched, event);
}
