#include "tools/imagegen/VideoScript.h"

#include <QFile>
#include <QHash>
#include <QStringList>

namespace tessaly::imagegen {

std::optional<VideoScript> parseVideoScript(const QString& text, QString& error) {
    QHash<QString, QString> values;
    int lineNumber = 0;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        ++lineNumber;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            error = QStringLiteral("line %1: expected \"key = value\"").arg(lineNumber);
            return std::nullopt;
        }
        values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }

    VideoScript script;
    script.title = values.value(QStringLiteral("title"));
    script.subtitle = values.value(QStringLiteral("subtitle"));
    script.footer = values.value(QStringLiteral("footer"));
    if (script.title.isEmpty()) {
        error = QStringLiteral("no title");
        return std::nullopt;
    }
    script.accent =
        QColor::fromString(values.value(QStringLiteral("accent"), QStringLiteral("#3fb6c4")));
    if (!script.accent.isValid()) {
        error = QStringLiteral("accent is not a colour");
        return std::nullopt;
    }
    const QString mark = values.value(QStringLiteral("mark"), QStringLiteral("dish"));
    if (mark == QLatin1String("ring")) {
        script.mark = Mark::Ring;
    } else if (mark == QLatin1String("dish")) {
        script.mark = Mark::Dish;
    } else if (mark == QLatin1String("drop")) {
        script.mark = Mark::Drop;
    } else {
        error = QStringLiteral("mark must be ring, dish or drop");
        return std::nullopt;
    }
    return script;
}

std::optional<VideoScript> readVideoScript(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1").arg(path);
        return std::nullopt;
    }
    return parseVideoScript(QString::fromUtf8(file.readAll()), error);
}

} // namespace tessaly::imagegen
