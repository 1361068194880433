#include "help/ChmFile.h"

#include "help/ChmStructure.h"
#include "help/HelpLinks.h"
#include "help/HelpText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chm_lib.h>

namespace {

int collectObject(chmFile*, chmUnitInfo* unit, void* context) {
    auto* objects = static_cast<QStringList*>(context);
    // libchm terminates the path within its buffer; the bound keeps that an assumption no more.
    const QByteArray path(unit->path,
                          static_cast<qsizetype>(qstrnlen(unit->path, CHM_MAX_PATHLEN)));
    // Internal objects of the compiler start with "#" or "$" below the root.
    if (path.size() > 1 && path[0] == '/' && path[1] != '#' && path[1] != '$') {
        objects->append(QString::fromUtf8(path));
    }
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

bool ChmFile::fail(Error error, const QString& text) {
    close();
    m_error = error;
    m_errorString = text;
    return false;
}

bool ChmFile::open(const QString& path) {
    close();
    m_path = path;
    m_error = Error::None;
    m_errorString.clear();
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString folder = QDir::toNativeSeparators(info.absolutePath());
    if (!info.exists()) {
        return fail(Error::NotFound,
                    QStringLiteral("The help file %1 could not be found in %2.").arg(name, folder));
    }
    if (!info.isFile()) {
        return fail(
            Error::NotAFile,
            QStringLiteral("The help file %1 in %2 is a folder, not a file.").arg(name, folder));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(Error::Unreadable,
                    QStringLiteral("The help file %1 in %2 could not be read: %3.")
                        .arg(name, folder, file.errorString()));
    }
    const QString damaged = QStringLiteral("The help file %1 in %2 is damaged or is not a help "
                                           "file: %3.");
    QString problem;
    if (file.size() == 0) {
        problem = chmStructureProblem({});
    } else {
        // Mapped, not read: the check touches only the headers and the directory.
        const uchar* data = file.map(0, file.size());
        problem = data ? chmStructureProblem(QByteArrayView(data, file.size()))
                       : chmStructureProblem(file.readAll());
        if (data) {
            file.unmap(const_cast<uchar*>(data));
        }
    }
    file.close();
    if (!problem.isEmpty()) {
        return fail(Error::Damaged, damaged.arg(name, folder, problem));
    }
    chmFile* handle = chm_open(QFile::encodeName(path).constData());
    if (!handle) {
        return fail(Error::Damaged,
                    damaged.arg(name, folder, QStringLiteral("its headers could not be read")));
    }
    m_file.reset(handle, chm_close);
    chm_enumerate(handle, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collectObject, &m_objects);
    if (const auto system = read(QStringLiteral("/#SYSTEM"))) {
        m_system = parseChmSystem(*system);
    }
    m_contentsFile = chooseContentsFile(m_system.contentsFile, m_objects);
    if (!m_contentsFile.isEmpty()) {
        if (const auto contents = read(m_contentsFile)) {
            m_contents = parseHelpContents(decodeHelpText(*contents, fallbackEncoding()));
        }
    }
    m_startPage = chooseStartPage(m_system.defaultTopic, m_contents, m_objects);
    return true;
}

void ChmFile::close() {
    m_file.reset();
    m_objects.clear();
    m_system = ChmSystemInfo();
    m_contentsFile.clear();
    m_contents.clear();
    m_startPage.clear();
}

std::optional<QByteArray> ChmFile::read(const QString& objectPath) const {
    if (!m_file) {
        return std::nullopt;
    }
    // "/#SYSTEM" and the like are names, not paths to fold.
    const QString path = objectPath.startsWith(QLatin1String("/#")) ||
                                 objectPath.startsWith(QLatin1String("/$")) ||
                                 objectPath.startsWith(QLatin1String("::"))
                             ? objectPath
                             : normalizeHelpPath(objectPath);
    const QByteArray encoded = path.toUtf8();
    if (encoded.size() > CHM_MAX_PATHLEN) {
        return std::nullopt;
    }
    chmUnitInfo unit{};
    if (chm_resolve_object(m_file.get(), encoded.constData(), &unit) != CHM_RESOLVE_SUCCESS) {
        return std::nullopt;
    }
    if (unit.length > static_cast<LONGUINT64>(kMaxObjectSize)) {
        return std::nullopt;
    }
    QByteArray bytes(static_cast<qsizetype>(unit.length), Qt::Uninitialized);
    if (unit.length == 0) {
        return bytes;
    }
    const LONGINT64 got =
        chm_retrieve_object(m_file.get(), &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(unit.length));
    // A short read means the data is damaged; a partial page would be shown as if whole.
    if (got != static_cast<LONGINT64>(unit.length)) {
        return std::nullopt;
    }
    return bytes;
}

QByteArray ChmFile::fallbackEncoding() const {
    return encodingForLanguage(m_system.language);
}
