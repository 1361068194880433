#include "audio/BassApi.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

QString bassLibraryFileName() {
#ifdef Q_OS_WIN
    return QStringLiteral("bass.dll");
#else
    return QStringLiteral("libbass.so");
#endif
}

namespace {
template <typename F>
bool resolve(QLibrary& library, const char* name, F& entry, QString& missing) {
    entry = reinterpret_cast<F>(library.resolve(name));
    if (entry == nullptr && missing.isEmpty()) {
        missing = QString::fromLatin1(name);
    }
    return entry != nullptr;
}
} // namespace

BassLoad loadBassApi(const QString& folder) {
    BassLoad result;
    const QString path = QDir(folder).absoluteFilePath(bassLibraryFileName());
    if (!QFileInfo(path).isFile()) {
        result.failure = BassLoad::Failure::MissingFile;
        result.message = QStringLiteral("%1 does not exist").arg(QDir::toNativeSeparators(path));
        return result;
    }
    // Never unloaded (QLibrary's destructor leaves it loaded).
    QLibrary library(path);
    if (!library.load()) {
        result.failure = BassLoad::Failure::NotLoadable;
        result.message = library.errorString();
        return result;
    }
    BassApi api;
    QString missing;
    resolve(library, "BASS_GetVersion", api.GetVersion, missing);
    resolve(library, "BASS_ErrorGetCode", api.ErrorGetCode, missing);
    resolve(library, "BASS_Init", api.Init, missing);
    resolve(library, "BASS_Free", api.Free, missing);
    resolve(library, "BASS_GetInfo", api.GetInfo, missing);
    resolve(library, "BASS_StreamCreateFile", api.StreamCreateFile, missing);
    resolve(library, "BASS_StreamFree", api.StreamFree, missing);
    resolve(library, "BASS_MusicLoad", api.MusicLoad, missing);
    resolve(library, "BASS_MusicFree", api.MusicFree, missing);
    resolve(library, "BASS_ChannelPlay", api.ChannelPlay, missing);
    resolve(library, "BASS_ChannelSetSync", api.ChannelSetSync, missing);
    resolve(library, "BASS_ChannelRemoveSync", api.ChannelRemoveSync, missing);
    resolve(library, "BASS_ChannelGetPosition", api.ChannelGetPosition, missing);
    resolve(library, "BASS_ChannelGetLength", api.ChannelGetLength, missing);
    resolve(library, "BASS_ChannelBytes2Seconds", api.ChannelBytes2Seconds, missing);
    resolve(library, "BASS_ChannelGetAttributes", api.ChannelGetAttributes, missing);
    resolve(library, "BASS_ChannelGetInfo", api.ChannelGetInfo, missing);
    if (!missing.isEmpty()) {
        result.failure = BassLoad::Failure::MissingSymbol;
        result.message =
            QStringLiteral("%1 has no entry point %2").arg(QDir::toNativeSeparators(path), missing);
        return result;
    }
    api.GetUnderruns =
        reinterpret_cast<decltype(api.GetUnderruns)>(library.resolve("TESSALY_BASS_GetUnderruns"));
    result.api = api;
    return result;
}
