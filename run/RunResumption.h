#pragma once

#include "run/RunJournalEntry.h"

#include <QString>

class Clock;
class ProgramEditor;
class ProgramLibrary;
class QWidget;
class RunEngine;
class RunJournal;
class RunRecorder;

// Why a run left open cannot be continued.
enum class ResumeObstacle { None, ProgramGone, ProgramUnreadable, ProgramChanged };

// Whether the run of entry can be continued with the program file it names, as it is now.
ResumeObstacle resumeObstacle(const RunJournalEntry& entry);

// The box's text: the program, when it ended, where it stood, and what Continue and Discard do
// (only Discard when obstacle is not None).
QString resumeOfferText(const RunJournalEntry& entry, ResumeObstacle obstacle);

// Offers the run a program before this one left open, once the start-up has run: Continue loads
// its program and picks the run up where it stood, its record going on; Discard closes it.
class RunResumption {
public:
    RunResumption(RunJournal& journal, RunEngine& engine, ProgramLibrary& library,
                  ProgramEditor& editor, RunRecorder& recorder, Clock& clock, QWidget* owner);

    // Shows the offer when there is a run to offer; returns whether a run was continued.
    bool offer();

private:
    RunJournal& m_journal;
    RunEngine& m_engine;
    ProgramLibrary& m_library;
    ProgramEditor& m_editor;
    RunRecorder& m_recorder;
    Clock& m_clock;
    QWidget* m_owner;
};
