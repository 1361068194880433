// A video script: the plain-text description of one intro video's title card and sound.
//
// One "key = value" pair a line; lines starting with '#' and blank lines are skipped. The
// card renderer reads title, subtitle, footer, accent and mark; the encoding rule of the build
// reads duration and tones. Keys meant for the other reader are ignored here.
#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace tessaly::imagegen {

// The emblem drawn above a card's title.
enum class Mark { Ring, Dish, Drop };

struct VideoScript {
    QString title;
    QString subtitle;
    QString footer; // may be empty
    QColor accent;
    Mark mark = Mark::Dish;
};

// Parses a script's text. On failure returns nothing and sets error to a one-line reason.
std::optional<VideoScript> parseVideoScript(const QString& text, QString& error);

// Reads and parses a script file (UTF-8).
std::optional<VideoScript> readVideoScript(const QString& path, QString& error);

} // namespace tessaly::imagegen
