#include "program/ProgramFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>

QByteArray formatProgramFile(const ProgramSteps& steps) {
    QByteArray out;
    out.reserve(kStepCount * 32);
    for (const StepInput& step : steps) {
        for (const QString& text : step.texts) {
            out += '"';
            out += text.toLatin1();
            out += "\",";
        }
        out += QByteArray::number(step.flags[0]) + ',' + QByteArray::number(step.flags[1]) + ',' +
               QByteArray::number(step.flags[2]) + "\r\n";
    }
    return out;
}

QString ProgramFileError::message(const QString& path) const {
    QString text = QStringLiteral("The program file\r\n%1\r\ncannot be loaded").arg(path);
    if (step >= 0) {
        text += QStringLiteral(": step %1 (line %2) %3.").arg(step).arg(step + 1).arg(reason);
    } else {
        text += QStringLiteral(": %1.").arg(reason);
    }
    return text + QStringLiteral("\r\nThe program on the panel is unchanged.");
}

namespace {

// Takes fields one after another the way a sequential text reader does.
class FieldReader {
public:
    explicit FieldReader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_pos >= m_bytes.size(); }

    // The next field, or nothing when the data has run out.
    std::optional<QByteArray> next() {
        skipBlanks();
        if (atEnd()) {
            return std::nullopt;
        }
        QByteArray field;
        if (m_bytes[m_pos] == '"') {
            const qsizetype close = m_bytes.indexOf('"', m_pos + 1);
            const qsizetype end = close < 0 ? m_bytes.size() : close;
            field = m_bytes.mid(m_pos + 1, end - m_pos - 1);
            m_pos = close < 0 ? end : close + 1;
            // Anything between the closing quote and the separator is dropped.
            while (!atEnd() && !isSeparator(m_bytes[m_pos])) {
                ++m_pos;
            }
        } else {
            const qsizetype start = m_pos;
            while (!atEnd() && !isSeparator(m_bytes[m_pos])) {
                ++m_pos;
            }
            field = m_bytes.mid(start, m_pos - start).trimmed();
        }
        skipSeparator();
        return field;
    }

private:
    static bool isSeparator(char c) { return c == ',' || c == '\r' || c == '\n'; }

    void skipBlanks() {
        while (!atEnd() && (m_bytes[m_pos] == ' ' || m_bytes[m_pos] == '\t')) {
            ++m_pos;
        }
    }

    // One separator: a comma, or a line end (CR LF, CR or LF).
    void skipSeparator() {
        if (atEnd()) {
            return;
        }
        const char c = m_bytes[m_pos++];
        if (c == '\r' && !atEnd() && m_bytes[m_pos] == '\n') {
            ++m_pos;
        }
    }

    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};

std::optional<int> flagValue(const QByteArray& field) {
    bool ok = false;
    const double v = field.trimmed().toDouble(&ok);
    if (!ok || v != std::floor(v) || v < 0 || v > 2) {
        return std::nullopt;
    }
    return static_cast<int>(v);
}

const char* const kFlagNames[kStepFlags] = {"laser", "vacuum", "signal"};

} // namespace

ParsedProgram parseProgramFile(const QByteArray& bytes) {
    ParsedProgram result;
    ProgramSteps steps;
    FieldReader reader(bytes);
    for (int i = 0; i < kStepCount; ++i) {
        for (int f = 0; f < kStepTextFields + kStepFlags; ++f) {
            const std::optional<QByteArray> field = reader.next();
            if (!field) {
                result.error = {i, QStringLiteral("is missing (the file ends after %1 complete "
                                                  "steps; a program has 40)")
                                       .arg(i)};
                return result;
            }
            if (f < kStepTextFields) {
                steps[i].texts[f] = QString::fromLatin1(*field);
                continue;
            }
            const std::optional<int> flag = flagValue(*field);
            if (!flag) {
                result.error = {i, QStringLiteral("has the %1 value \"%2\" where 0, 1 or 2 belongs")
                                       .arg(QLatin1String(kFlagNames[f - kStepTextFields]),
                                            QString::fromLatin1(*field))};
                return result;
            }
            steps[i].flags[f - kStepTextFields] = *flag;
        }
    }
    result.steps = steps;
    return result;
}

ParsedProgram readProgramFile(const QString& path) {
    ParsedProgram result;
    const QFileInfo info(path);
    if (info.isDir()) {
        result.error.reason = QStringLiteral("it is a folder, not a program file");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error.reason =
            info.exists() ? file.errorString() : QStringLiteral("the file does not exist");
        return result;
    }
    // Program files are a few kilobytes; anything far larger is not one.
    constexpr qint64 kLargestProgramFile = 1 << 20;
    if (file.size() > kLargestProgramFile) {
        result.error.reason = QStringLiteral("the file is too large to be a program");
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error.reason = file.errorString();
        return result;
    }
    return parseProgramFile(bytes);
}

std::optional<QString> writeProgramFile(const QString& path, const ProgramSteps& steps) {
    if (QFileInfo(path).fileName().contains(QLatin1Char('*')) ||
        QFileInfo(path).fileName().contains(QLatin1Char('?'))) {
        return QStringLiteral("a file name cannot contain the wildcards * or ?");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    const QByteArray bytes = formatProgramFile(steps);
    // Flushed here because commit() in Qt 6.4 still renames a file whose final flush failed
    // (a full disk would leave a cut-off program in place of the old one).
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

QByteArray programDigest(const ProgramSteps& steps) {
    ProgramSteps normalized = steps;
    for (StepInput& step : normalized) {
        for (int f = 0; f < kStepTextFields; ++f) {
            step.texts[f] = normalizeStepText(step.texts[f], kStepFieldMaximum[f]);
        }
    }
    return QCryptographicHash::hash(formatProgramFile(normalized), QCryptographicHash::Sha256)
        .toHex();
}
