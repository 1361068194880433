#include "audio/cbass_time.h"

#include "base/TimeText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
qint32 saturate32(qint64 v) {
    return static_cast<qint32>(std::clamp<qint64>(v, std::numeric_limits<qint32>::min(),
                                                  std::numeric_limits<qint32>::max()));
}
} // namespace

QString cbass_time::GetTime(qint32 seconds) const {
    return SecondsToHms(seconds);
}

float cbass_time::GetPlayingPos(DWORD handle) const {
    return m_api.ChannelBytes2Seconds(handle, m_api.ChannelGetPosition(handle));
}

float cbass_time::GetDuration(DWORD handle) const {
    return m_api.ChannelBytes2Seconds(handle, m_api.ChannelGetLength(handle));
}

void cbass_time::refreshInfo(DWORD handle) {
    BASS_CHANNELINFO info{};
    if (m_api.ChannelGetInfo(handle, &info)) {
        channelInfo = info;
    }
}

qint32 cbass_time::GetBytesPerSecond(DWORD handle) {
    const qint64 frequency = GetFrequency(handle);
    refreshInfo(handle);
    const qint64 channels = std::min<DWORD>(channelInfo.chans, 2);
    const qint64 bytesPerSample = (channelInfo.flags & BASS_SAMPLE_8BITS) ? 1 : 2;
    return saturate32(frequency * channels * bytesPerSample);
}

qint16 cbass_time::GetBitsPerSecond(DWORD handle, qint32 FileLength) const {
    const double seconds = GetDuration(handle);
    // A channel of no (or unknown) length has no meaningful rate.
    if (!(seconds > 0.0) || !std::isfinite(seconds)) {
        return 0;
    }
    const double kbps = static_cast<double>(FileLength) * 8.0 / seconds / 1000.0;
    return static_cast<qint16>(roundToInt32(std::clamp(kbps, -32768.0, 32767.0)));
}

QString cbass_time::GetMode(DWORD handle) {
    refreshInfo(handle);
    switch (channelInfo.chans) {
    case 1:
        return QStringLiteral("Mono");
    case 2:
        return QStringLiteral("Stereo");
    default:
        return QString::number(channelInfo.chans) + QStringLiteral(" MultiChannel");
    }
}

quint8 cbass_time::GetBits(DWORD handle) {
    refreshInfo(handle);
    return (channelInfo.flags & BASS_SAMPLE_8BITS) ? 8 : 16;
}

qint32 cbass_time::GetFrequency(DWORD handle) const {
    DWORD frequency = 0;
    DWORD volume = 0;
    int pan = 0;
    if (!m_api.ChannelGetAttributes(handle, &frequency, &volume, &pan)) {
        return 0;
    }
    return saturate32(frequency);
}

quint8 cbass_time::GetDXver() const {
    BASS_INFO info{};
    if (!m_api.GetInfo(&info)) {
        return 0;
    }
    return static_cast<quint8>(std::min<DWORD>(info.dsver, 255));
}
