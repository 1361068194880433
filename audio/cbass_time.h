#pragma once

#include "audio/BassApi.h"

#include <QString>
#include <QtGlobal>

// Questions about a channel: where it is, how long it is and its sample format, plus
// "hh:mm:ss" texts. Holds no channel; every query names one.
//
// Only GetBytesPerSecond, GetMode and GetBits touch the object's state (the last channel
// information), so the position display may ask GetTime, GetPlayingPos and GetDuration from
// another thread meanwhile.
class cbass_time {
public:
    explicit cbass_time(const BassApi& api) : m_api(api) {}

    // "hh:mm:ss", each part at least two digits; the hours keep counting past 99.
    QString GetTime(qint32 seconds) const;
    float GetPlayingPos(DWORD handle) const;
    float GetDuration(DWORD handle) const;
    // Rate x channels (at most 2) x bytes per sample.
    qint32 GetBytesPerSecond(DWORD handle);
    // Average kbit/s of the whole file, halves to even; 0 for a channel without length, and
    // 32767 at most.
    qint16 GetBitsPerSecond(DWORD handle, qint32 FileLength) const;
    // "Mono", "Stereo" or "n MultiChannel".
    QString GetMode(DWORD handle);
    // 8 or 16.
    quint8 GetBits(DWORD handle);
    qint32 GetFrequency(DWORD handle) const;
    // The DirectSound version the library reports; 255 at most.
    quint8 GetDXver() const;

private:
    // Refilled at the start of each method that needs it; a failed refill keeps the last one.
    void refreshInfo(DWORD handle);

    BassApi m_api;
    BASS_CHANNELINFO channelInfo{};
};
