#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

// How the program talks to the intro video helper, the small program beside it that plays the
// videos in a process of its own. The program writes commands to the helper's standard input
// and the helper answers with events on its standard output, one line each:
//
//   commands  source <path> | play | pause | stop | seek <ms> | mute <0|1> | size <w> <h>
//   events    state <state> | status <status> | video <0|1> | duration <ms> | position <ms> |
//             error <text> | frame <w> <h>, followed by w * h * 4 bytes of 32-bit RGB pixels
//
// The helper ends when its standard input closes, so it never outlives the program.
namespace VideoProtocol {

// The helper's file name in the program folder.
inline QString helperName() {
    return QStringLiteral("tessaly-video");
}

enum class State { Stopped, Playing, Paused };
// What the player needs to know of the media: whether there is something to show, and whether
// the video has ended (play then starts it from the beginning).
enum class Status { None, Loading, Loaded, Buffering, End, Invalid };

inline QByteArray word(State state) {
    switch (state) {
    case State::Playing:
        return "playing";
    case State::Paused:
        return "paused";
    case State::Stopped:
        break;
    }
    return "stopped";
}

inline QByteArray word(Status status) {
    switch (status) {
    case Status::Loading:
        return "loading";
    case Status::Loaded:
        return "loaded";
    case Status::Buffering:
        return "buffering";
    case Status::End:
        return "end";
    case Status::Invalid:
        return "invalid";
    case Status::None:
        break;
    }
    return "none";
}

inline State stateFromWord(const QByteArray& word) {
    if (word == "playing") {
        return State::Playing;
    }
    return word == "paused" ? State::Paused : State::Stopped;
}

inline Status statusFromWord(const QByteArray& word) {
    for (Status s :
         {Status::Loading, Status::Loaded, Status::Buffering, Status::End, Status::Invalid}) {
        if (VideoProtocol::word(s) == word) {
            return s;
        }
    }
    return Status::None;
}

// A command or event line split into its name and what follows the first space.
struct Line {
    QByteArray name;
    QByteArray argument;
};

inline Line split(const QByteArray& line) {
    const qsizetype space = line.indexOf(' ');
    if (space < 0) {
        return {line, {}};
    }
    return {line.left(space), line.mid(space + 1)};
}

// Sizes travel as "<w> <h>"; anything else reads as an invalid size.
inline QByteArray text(const QSize& size) {
    return QByteArray::number(size.width()) + ' ' + QByteArray::number(size.height());
}

inline QSize sizeFromText(const QByteArray& text) {
    const QList<QByteArray> wh = text.split(' ');
    return wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize();
}

} // namespace VideoProtocol
