#pragma once

#include "program/ProgramTable.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The program file: 40 lines of `"h","m","s","l","r",laser,vacuum,signal` ended by CR LF.
QByteArray formatProgramFile(const ProgramSteps& steps);

// SHA-256 (hex) of steps in file form, their texts normalized as the panel's fields hold them:
// the same for a program however its file was written, different for any change of a step.
QByteArray programDigest(const ProgramSteps& steps);

// Why a program file could not be used.
struct ProgramFileError {
    // Step (0..39) at fault, or -1 when the whole file is at fault.
    int step = -1;
    QString reason;
    // The operator's text: the file, the step and its line, and the reason.
    QString message(const QString& path) const;
};

struct ParsedProgram {
    std::optional<ProgramSteps> steps;
    ProgramFileError error;
};

// Reads all 40 steps before anything is used: fields in sequence, eight per step, a line end
// counting as a separator; quoted fields run to the closing quote. Lines after the 40th step
// are ignored. A missing field or a flag that is not a whole number 0..2 fails the whole file.
ParsedProgram parseProgramFile(const QByteArray& bytes);

// Reads and parses the file at path; a missing, unreadable or folder path is an error.
ParsedProgram readProgramFile(const QString& path);

// Writes the file through a temporary file in the same folder, replaced only once complete,
// so a failure leaves any old file as it was. Returns the reason of a failure.
std::optional<QString> writeProgramFile(const QString& path, const ProgramSteps& steps);
