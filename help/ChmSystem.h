#pragma once

#include "help/HelpContents.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What the "/#SYSTEM" object of a help file says about it. Paths are object paths ("/x.html");
// fields the file does not carry stay empty.
struct ChmSystemInfo {
    QString contentsFile; // entry code 0
    QString defaultTopic; // entry code 2
    QString title;        // entry code 3
    quint32 language = 0; // entry code 4, the Windows language identifier
};

// Reads the entries of a "/#SYSTEM" object: a 4-byte version, then records of a 2-byte code, a
// 2-byte length and that many bytes. Every length is checked against what is left, so a
// damaged object yields the entries before the damage and never reads past its end.
ChmSystemInfo parseChmSystem(const QByteArray& data);

// The page a viewer opens first: the default topic when the file holds it, else the first
// contents entry that points to a page in the file, else "/index.html" (or ".htm"), else the
// first page in the file's list. Empty when the file holds no page at all.
QString chooseStartPage(const QString& defaultTopic, const QList<HelpTopic>& contents,
                        const QStringList& objects);

// The contents file: the one #SYSTEM names when the file holds it, else the first ".hhc".
QString chooseContentsFile(const QString& named, const QStringList& objects);
