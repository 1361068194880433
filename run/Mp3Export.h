#pragma once

#include "panel/PanelViews.h"
#include "program/ProgramTable.h"
#include "run/ExportSources.h"

#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class Clock;
class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;
class QWidget;

// Writes the current program as one MP3 file per non-empty step into the export folder, one
// step per tick of Timer4. Each file is joined from clip files on a worker thread, so the
// window stays responsive however long the step; the tick waits while a join runs and takes
// the finished file at the next tick.
class Mp3Export : public QObject {
    Q_OBJECT
public:
    using ProgramTableSource = std::function<const ProgramTable&()>;
    // Joins one step; runs on the worker thread and touches nothing else.
    using Joiner = std::function<JoinOutcome(const StepJoin&, const std::atomic<bool>& cancel)>;

    // owner parents the message boxes and gives their title. An empty folder stands for the
    // program folder (sources) or the export folder, looked up when an export starts.
    // steps gives the step numbers and fields each exported file is made from.
    Mp3Export(const ExportControlsView& controls, const StepTableView& steps,
              ProgramTableSource programTable, Clock& clock, QWidget* owner,
              QString sourceFolder = {}, QString exportFolder = {}, QObject* parent = nullptr);
    // Cancels the worker's job and waits for its thread; a join leaves no file behind.
    ~Mp3Export() override;

    // Connects the export tick and the frame's "end" button.
    void wire();

    // Menu "Save as MP3": shows the frame, prepares the export folder on the worker thread and
    // then starts the ticks. Again while an export runs, it starts over.
    void Save_as_MP3_Click();
    // One step per tick.
    void Timer4_Timer();
    // "OK": hides the frame; a running export goes on.
    void 结束MP3输出_Click();
    // Starts the join of step i into path on the worker thread unless the worker is busy (a
    // second join of a step never starts while one runs); true when it started.
    bool 写一条mp3文件(qint16 i, const QString& path);
    // "Created!" when a file is at path, "Writing!" when not.
    QString 检查文件是否存在(const QString& path) const;

    // The step being exported, 0..40.
    qint16 exportIndex() const { return m_exportIndex; }
    // From "Save as MP3" to the last step or a failure.
    bool isExporting() const { return m_exporting; }
    // The folder preparation or a join is under way on the worker thread.
    bool workerBusy() const { return m_workerBusy; }
    // Replaces the join (benchmarks choose the copy method; tests hold a join open).
    void setJoiner(Joiner joiner) { m_joiner = std::move(joiner); }

signals:
    // The export ended: all steps written (true) or stopped by a failure (false).
    void exportEnded(bool complete);

private:
    QString stepPath(int i) const;
    StepTexts stepTexts(int i) const;
    void folderPrepared(const QString& reason);
    void joinFinished(int step, const JoinOutcome& outcome);
    // Runs work(cancel) on the worker thread, then done(result) on the window thread.
    template <typename Work, typename Done> void startWorker(Work work, Done done);
    void stopWorker();
    void fail(int step, const QString& reason);
    void addLine(const QString& text);

    const ExportControlsView& c;
    const StepTableView& m_steps;
    ProgramTableSource m_programTable;
    Clock& m_clock;
    QWidget* m_owner;
    QString m_sourceFolderSetting;
    QString m_exportFolderSetting;
    Joiner m_joiner;

    // Folders of the export under way, each with its trailing separator.
    QString m_sourceFolder;
    QString m_exportFolder;
    qint16 m_exportIndex = 0;
    bool m_exporting = false;
    bool m_workerBusy = false;
    // The step whose join has finished and awaits the next tick; -1 for none.
    int m_joinedStep = -1;
    // Tells results of a cancelled export from the current one's.
    quint64 m_generation = 0;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::thread m_worker;
};
