#pragma once

#include <QByteArrayView>
#include <QString>

// Checks the container structure of a CHM file image before libchm is given the file. libchm
// trusts the offsets and sizes it reads and divides by some of them, so a damaged file can
// crash it (checked here: a zero "windows per reset" or reset-table block length makes it divide
// by zero; random byte flips also crashed its LZX reset). This walks the headers and every
// directory chunk with bounded reads and checks what libchm relies on: the directory inside the
// file, every entry well-formed and its data inside its section, and sane compression
// parameters (window size, reset interval, reset table).
// Returns an empty string when the structure holds, else what is wrong, in plain words.
QString chmStructureProblem(QByteArrayView file);
