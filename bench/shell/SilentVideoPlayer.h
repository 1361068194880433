#pragma once

#include "intro/VideoPlayer.h"

#include <QWidget>

// A video player that plays nothing and never loads a media back end; it reads as playing, so
// the splash goes its usual way.
class SilentVideoPlayer final : public VideoPlayer {
public:
    QWidget* widget() override { return &m_widget; }
    void setFileName(const QString&) override {}
    void play() override {}
    void stop() override {}
    State playState() const override { return Playing; }
    void setMute(bool) override {}
    bool isMuted() const override { return true; }
    void release() override {}

private:
    QWidget m_widget;
};
