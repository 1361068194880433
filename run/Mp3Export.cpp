#include "run/Mp3Export.h"

#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/Paths.h"
#include "base/TimeText.h"
#include "run/ExportFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace {

const QString kCreated = QStringLiteral("Created!");
const QString kWriting = QStringLiteral("Writing!");

QString withSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

QString withoutSeparator(const QString& folder) {
    return folder.size() > 1 &&
                   (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
               ? folder.chopped(1)
               : folder;
}

} // namespace

Mp3Export::Mp3Export(const ExportControlsView& controls, const StepTableView& steps,
                     ProgramTableSource programTable, Clock& clock, QWidget* owner,
                     QString sourceFolder, QString exportFolder, QObject* parent)
    : QObject(parent), c(controls), m_steps(steps), m_programTable(std::move(programTable)),
      m_clock(clock), m_owner(owner), m_sourceFolderSetting(std::move(sourceFolder)),
      m_exportFolderSetting(std::move(exportFolder)),
      m_joiner([](const StepJoin& job, const std::atomic<bool>& cancel) {
          return joinStep(job, cancel);
      }) {}

void Mp3Export::wire() {
    connect(c.Timer4, &QTimer::timeout, this, [this] { Timer4_Timer(); });
    connect(c.结束MP3输出, &QPushButton::clicked, this, [this] { 结束MP3输出_Click(); });
}

Mp3Export::~Mp3Export() {
    stopWorker();
}

void Mp3Export::Save_as_MP3_Click() {
    // Starting again abandons the export under way, its running join included.
    c.Timer4->stop();
    stopWorker();
    m_exporting = false;
    m_joinedStep = -1;
    ++m_generation;
    m_sourceFolder =
        withSeparator(m_sourceFolderSetting.isEmpty() ? programFolder() : m_sourceFolderSetting);
    m_exportFolder =
        withSeparator(m_exportFolderSetting.isEmpty() ? exportFolder() : m_exportFolderSetting);

    c.Frame2->show();
    c.List1->clear();
    addLine(GeneralDateText(m_clock.now()));
    m_exportIndex = 0;
    m_exporting = true;
    // The ticks start once the old files are gone.
    startWorker(
        [folder = withoutSeparator(m_exportFolder)](const std::atomic<bool>& cancel) {
            return prepareExportFolder(folder, cancel);
        },
        [this](const QString& reason) { folderPrepared(reason); });
}

void Mp3Export::folderPrepared(const QString& reason) {
    const QString folder = withoutSeparator(m_exportFolder);
    if (reason.isEmpty()) {
        addLine(QStringLiteral("Clean old files in ") + folder);
        c.Timer4->start();
        return;
    }
    m_exporting = false;
    const QString text =
        QStringLiteral("Cannot prepare the export folder %1: %2").arg(folder, reason);
    addLine(text);
    emit exportEnded(false);
    showMessage(m_owner, text + QStringLiteral("\nThe MP3 export has not started."),
                m_owner ? m_owner->window()->windowTitle() : QString(), MessageButtons::Ok,
                MessageIcon::Critical);
}

void Mp3Export::Timer4_Timer() {
    if (!m_exporting || m_exportIndex < 0 || m_exportIndex >= kStepCount) {
        return;
    }
    const int i = m_exportIndex;
    c.Label31->setText(m_steps.Label1[i]->text());
    if (m_workerBusy) {
        return; // the step's join is still writing; look again at the next tick
    }
    const ProgramTable& table = m_programTable();
    if (qint64(table.hours[i]) + table.minutes[i] + table.seconds[i] != 0) {
        const QString path = stepPath(i);
        if (m_joinedStep != i) {
            写一条mp3文件(qint16(i), path);
            return; // "Writing!": the join has only just started
        }
        if (检查文件是否存在(path) != kCreated) {
            // Taken away since its join finished: write it again.
            m_joinedStep = -1;
            return;
        }
        addLine(path + QStringLiteral("  ") + kCreated);
        c.List1->repaint();
        m_joinedStep = -1;
    }
    ++m_exportIndex;
    if (m_exportIndex == kStepCount) {
        addLine(QStringLiteral("All MP3 files created"));
        c.Timer4->stop();
        m_exporting = false;
        emit exportEnded(true);
    }
}

void Mp3Export::结束MP3输出_Click() {
    c.Frame2->hide();
}

bool Mp3Export::写一条mp3文件(qint16 i, const QString& path) {
    if (m_workerBusy || i < 0 || i >= kStepCount) {
        return false;
    }
    StepJoin job;
    job.step = i;
    job.sourceFolder = m_sourceFolder.isEmpty() ? withSeparator(programFolder()) : m_sourceFolder;
    job.destination = path;
    try {
        job.sourceNames = exportSourceList(stepTexts(i));
    } catch (const OverflowError&) {
        fail(i, QStringLiteral("its time is out of range"));
        return false;
    }
    m_joinedStep = -1;
    startWorker([job = std::move(job), joiner = m_joiner](
                    const std::atomic<bool>& cancel) { return joiner(job, cancel); },
                [this, step = int(i)](const JoinOutcome& outcome) { joinFinished(step, outcome); });
    return true;
}

QString Mp3Export::检查文件是否存在(const QString& path) const {
    return QFileInfo(path).isFile() ? kCreated : kWriting;
}

template <typename Work, typename Done> void Mp3Export::startWorker(Work work, Done done) {
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_workerBusy = true;
    m_worker = std::thread([this, work = std::move(work), done = std::move(done), cancel = m_cancel,
                            generation = m_generation]() mutable {
        auto result = work(*cancel);
        // The object outlives the thread: its destructor joins it first.
        QMetaObject::invokeMethod(
            this,
            [this, generation, done = std::move(done), result = std::move(result)] {
                if (generation != m_generation) {
                    return; // from an export started over; its thread is joined already
                }
                if (m_worker.joinable()) {
                    m_worker.join(); // its last act was to send this
                }
                m_workerBusy = false;
                done(result);
            },
            Qt::QueuedConnection);
    });
}

void Mp3Export::stopWorker() {
    if (m_worker.joinable()) {
        m_cancel->store(true);
        m_worker.join();
    }
    m_workerBusy = false;
}

void Mp3Export::joinFinished(int step, const JoinOutcome& outcome) {
    switch (outcome.status) {
    case JoinStatus::Complete:
        m_joinedStep = step;
        break;
    case JoinStatus::SourceMissing:
        fail(step, QStringLiteral("source clip %1 is missing from %2")
                       .arg(outcome.source, withoutSeparator(m_sourceFolder)));
        break;
    case JoinStatus::SourceFailed:
        fail(step, QStringLiteral("source clip %1 cannot be read: %2")
                       .arg(outcome.source, outcome.reason));
        break;
    case JoinStatus::WriteFailed:
        fail(step, QStringLiteral("%1 cannot be written: %2").arg(stepPath(step), outcome.reason));
        break;
    case JoinStatus::Cancelled:
        break;
    }
}

void Mp3Export::fail(int step, const QString& reason) {
    c.Timer4->stop();
    m_exporting = false;
    const QString text =
        QStringLiteral("Step %1 not written: %2").arg(m_steps.Label1[step]->text(), reason);
    addLine(text);
    c.List1->repaint();
    emit exportEnded(false);
    showMessage(m_owner, text + QStringLiteral("\nThe MP3 export has stopped."),
                m_owner ? m_owner->window()->windowTitle() : QString(), MessageButtons::Ok,
                MessageIcon::Critical);
}

void Mp3Export::addLine(const QString& text) {
    c.List1->addItem(text);
}

QString Mp3Export::stepPath(int i) const {
    return m_exportFolder + m_steps.Label1[i]->text() + QStringLiteral(".MP3");
}

StepTexts Mp3Export::stepTexts(int i) const {
    return {m_steps.Text1[i]->text(), m_steps.Text2[i]->text(), m_steps.Text3[i]->text(),
            m_steps.Text4[i]->text(), m_steps.Text5[i]->text()};
}
