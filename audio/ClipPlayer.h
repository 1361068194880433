#pragma once

#include <QString>
#include <functional>

// The one entry through which the program sounds a clip: loops the named clip file until the
// next request. It returns at once; a name it cannot play is ignored.
class ClipPlayer {
public:
    virtual ~ClipPlayer() = default;
    virtual void 播放一个指定文件(const QString& name) = 0;
};

// Gives the player, creating it on first use.
using ClipPlayerProvider = std::function<ClipPlayer&()>;
