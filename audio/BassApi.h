#pragma once

#include "audio/bass.h"

#include <QString>
#include <optional>

// The audio library's entry points, resolved from the library file at run time.
struct BassApi {
    decltype(&BASS_GetVersion) GetVersion = nullptr;
    decltype(&BASS_ErrorGetCode) ErrorGetCode = nullptr;
    decltype(&BASS_Init) Init = nullptr;
    decltype(&BASS_Free) Free = nullptr;
    decltype(&BASS_GetInfo) GetInfo = nullptr;
    decltype(&BASS_StreamCreateFile) StreamCreateFile = nullptr;
    decltype(&BASS_StreamFree) StreamFree = nullptr;
    decltype(&BASS_MusicLoad) MusicLoad = nullptr;
    decltype(&BASS_MusicFree) MusicFree = nullptr;
    decltype(&BASS_ChannelPlay) ChannelPlay = nullptr;
    decltype(&BASS_ChannelSetSync) ChannelSetSync = nullptr;
    decltype(&BASS_ChannelRemoveSync) ChannelRemoveSync = nullptr;
    decltype(&BASS_ChannelGetPosition) ChannelGetPosition = nullptr;
    decltype(&BASS_ChannelGetLength) ChannelGetLength = nullptr;
    decltype(&BASS_ChannelBytes2Seconds) ChannelBytes2Seconds = nullptr;
    decltype(&BASS_ChannelGetAttributes) ChannelGetAttributes = nullptr;
    decltype(&BASS_ChannelGetInfo) ChannelGetInfo = nullptr;
    // Optional, only in our own library: output callbacks that found no audio ready.
    unsigned long long (*GetUnderruns)() = nullptr;
};

// The library's file name in the program folder: libbass.so, or bass.dll on Windows.
QString bassLibraryFileName();

// The outcome of loading the library.
struct BassLoad {
    enum class Failure { None, MissingFile, NotLoadable, MissingSymbol };

    std::optional<BassApi> api; // set exactly when failure is None
    Failure failure = Failure::None;
    QString message; // what went wrong, in English, naming the file or the entry point
};

// Loads the library from a folder and resolves every entry point. The library stays loaded for
// the rest of the process: its output and sync threads may still be running.
[[nodiscard]] BassLoad loadBassApi(const QString& folder);
