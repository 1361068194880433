#pragma once

#include <QByteArray>
#include <QString>

// Decodes a help page or contents file: a byte order mark or a charset named in the page wins;
// otherwise UTF-8 when the bytes are valid UTF-8 (what chmcmd-compiled files hold), else the
// fallback encoding (the file's language code page), else Windows-1252.
QString decodeHelpText(const QByteArray& bytes, const QByteArray& fallbackEncoding = {});

// The legacy code page of a Windows language identifier, as HTML Help compilers wrote text for
// that language; empty when not known.
QByteArray encodingForLanguage(quint32 lcid);

// Qt's HTML importer loads a linked style sheet only when the link says type="text/css", which
// HTML5 pages leave out; this adds the type to every stylesheet link that lacks one.
QString withStyleSheetTypes(const QString& html);
