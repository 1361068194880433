// Keeps the layers one-way, as the table in layers.txt gives them: a source file that includes a
// header of a folder its folder may not use, a library that links one, a folder or a target the
// table does not know, fails here the day it is written.
#include "tests/harness/TestHarness.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <set>

namespace {

struct Folder {
    QStringList targets; // names, or a family ending in *
    QSet<QString> uses;  // folders; "*" for any
};

// folder -> what it holds and may use, from the table's text.
using Layers = std::map<QString, Folder>;

Layers readLayers(const QString& text) {
    Layers layers;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QStringList cells = line.split(QLatin1Char('|'));
        if (cells.size() != 3) {
            continue;
        }
        Folder folder;
        folder.targets = cells[1].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& used : cells[2].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            folder.uses.insert(used);
        }
        layers[cells[0].trimmed()] = folder;
    }
    return layers;
}

Layers tableLayers() {
    QFile table(QStringLiteral(TESSALY_SOURCE_DIR "/tests/layering/layers.txt"));
    return table.open(QIODevice::ReadOnly) ? readLayers(QString::fromUtf8(table.readAll()))
                                           : Layers{};
}

bool matches(const QString& pattern, const QString& name) {
    return pattern.endsWith(QLatin1Char('*')) ? name.startsWith(pattern.chopped(1))
                                              : name == pattern;
}

// The folder whose row names target; empty when none does.
QString folderOfTarget(const Layers& layers, const QString& target) {
    for (const auto& [folder, row] : layers) {
        for (const QString& pattern : row.targets) {
            if (matches(pattern, target)) {
                return folder;
            }
        }
    }
    return {};
}

bool mayUse(const Layers& layers, const QString& from, const QString& to) {
    if (from == to) {
        return true;
    }
    const Folder& row = layers.at(from);
    return row.uses.contains(QStringLiteral("*")) || row.uses.contains(to);
}

// Libraries from outside the tree: Qt and pkg-config targets, variables, system libraries.
bool isExternal(const QString& name) {
    static const QSet<QString> system = {"util", "m", "dl", "pthread"};
    return name.contains(QLatin1String("::")) || name.contains(QLatin1Char('$')) ||
           system.contains(name) || name == QLatin1String("PUBLIC") ||
           name == QLatin1String("PRIVATE") || name == QLatin1String("INTERFACE");
}

// The row a file belongs to: the longest folder of the table that holds it.
QString rowOfFile(const Layers& layers, const QString& relative) {
    QString best;
    for (const auto& [folder, row] : layers) {
        if (relative.startsWith(folder + QLatin1Char('/')) && folder.size() > best.size()) {
            best = folder;
        }
    }
    return best;
}

void checkCMake(const Layers& layers, const QString& folder, const QString& relative,
                const QString& text, QStringList& found) {
    static const QRegularExpression declared(QStringLiteral(
        "(?:add_library|add_executable|add_custom_target|tessaly_library)\\s*\\(\\s*([\\w$]+)"));
    static const QRegularExpression link(
        QStringLiteral("target_link_libraries\\s*\\(\\s*([\\w${}]+)([^)]*)\\)"));
    QRegularExpressionMatchIterator d = declared.globalMatch(text);
    while (d.hasNext()) {
        const QString target = d.next().captured(1);
        if (!target.contains(QLatin1Char('$')) && folderOfTarget(layers, target) != folder) {
            found << relative + QStringLiteral(": target ") + target +
                         QStringLiteral(" is not in the table's row of ") + folder;
        }
    }
    QRegularExpressionMatchIterator m = link.globalMatch(text);
    while (m.hasNext()) {
        const QRegularExpressionMatch call = m.next();
        for (const QString& used : call.captured(2).split(
                 QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
            if (isExternal(used)) {
                continue;
            }
            const QString to = folderOfTarget(layers, used);
            if (to.isEmpty()) {
                found << relative + QStringLiteral(": ") + call.captured(1) +
                             QStringLiteral(" links unknown target ") + used;
            } else if (!mayUse(layers, folder, to)) {
                found << relative + QStringLiteral(": ") + call.captured(1) +
                             QStringLiteral(" links ") + used;
            }
        }
    }
}

void checkIncludes(const Layers& layers, const QString& folder, const QString& relative,
                   const QString& text, QStringList& found) {
    static const QRegularExpression include(
        QStringLiteral("^\\s*#\\s*include\\s*[\"<]([^/\">]+)/[^\">]*[\">]"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QRegularExpressionMatch m = include.match(lines[n]);
        // Only our own folders are checked; <sys/ioctl.h> and the like are none of ours.
        if (m.hasMatch() && layers.count(m.captured(1)) > 0 &&
            !mayUse(layers, folder, m.captured(1))) {
            found << QStringLiteral("%1:%2: includes %3")
                         .arg(relative)
                         .arg(n + 1)
                         .arg(lines[n].trimmed().section(QLatin1Char(' '), -1));
        }
    }
}

// Every dependency under root that the table does not allow, and every folder and target it
// does not know, as "place: what".
QStringList layeringFaults(const Layers& layers, const QString& root) {
    QStringList found;
    const QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& folder : folders) {
        if (folder.startsWith(QLatin1String("build"))) {
            continue; // build trees
        }
        if (layers.count(folder) == 0) {
            found << folder + QStringLiteral("/: a folder the layer table does not know");
            continue;
        }
        QDirIterator it(root + QLatin1Char('/') + folder, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = path.mid(root.size() + 1);
            const bool cmake = relative.endsWith(QLatin1String("CMakeLists.txt"));
            const bool source = relative.endsWith(QLatin1String(".h")) ||
                                relative.endsWith(QLatin1String(".cpp")) ||
                                relative.endsWith(QLatin1String(".c"));
            if (!cmake && !source) {
                continue;
            }
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                found << relative + QStringLiteral(": unreadable");
                continue;
            }
            const QString text = QString::fromUtf8(file.readAll());
            const QString row = rowOfFile(layers, relative);
            if (cmake) {
                checkCMake(layers, row, relative, text, found);
            } else {
                checkIncludes(layers, row, relative, text, found);
            }
        }
    }
    found.sort();
    return found;
}

void plant(const QString& root, const QString& relative, const QByteArray& text) {
    const QString path = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write(text);
}

} // namespace

class LayeringTest : public QObject {
    Q_OBJECT
private slots:
    void sourceTreeFollowsTheLayerTable() {
        const Layers layers = tableLayers();
        QVERIFY(layers.count(QStringLiteral("base")) == 1);
        // TESSALY_LAYERING_ROOT checks another tree with the same table (a copy to try on).
        const QString root = qEnvironmentVariableIsSet("TESSALY_LAYERING_ROOT")
                                 ? qEnvironmentVariable("TESSALY_LAYERING_ROOT")
                                 : QStringLiteral(TESSALY_SOURCE_DIR);
        const QStringList found = layeringFaults(layers, root);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    // The check itself: in every layer, from the top to the leaves, an include and a link of
    // a folder it may not use are found; so are a folder and a target the table does not know.
    void plantedUpwardDependenciesAreFound() {
        const Layers layers = tableLayers();
        QTemporaryDir tree;
        const QString root = tree.path();
        QStringList expected;
        for (const auto& [folder, row] : layers) {
            if (row.uses.contains(QStringLiteral("*")) || row.targets.isEmpty() ||
                folder.contains(QLatin1Char('/'))) {
                continue;
            }
            // The first folder this one may not use, and its first target.
            for (const auto& [other, otherRow] : layers) {
                if (other == folder || mayUse(layers, folder, other) ||
                    otherRow.targets.isEmpty() || other.contains(QLatin1Char('/')) ||
                    otherRow.targets.first().endsWith(QLatin1Char('*'))) {
                    continue;
                }
                const QString header = other + QStringLiteral("/Planted.h");
                plant(root, folder + QStringLiteral("/Planted.cpp"),
                      ("#include <QTimer>\n#include \"" + header + "\"\n").toUtf8());
                expected << folder + QStringLiteral("/Planted.cpp:2: includes \"") + header +
                                QLatin1Char('"');
                const QString target = row.targets.first();
                plant(root, folder + QStringLiteral("/CMakeLists.txt"),
                      ("target_link_libraries(" + target + " PUBLIC " + otherRow.targets.first() +
                       " Qt6::Widgets)\n")
                          .toUtf8());
                expected << folder + QStringLiteral("/CMakeLists.txt: ") + target +
                                QStringLiteral(" links ") + otherRow.targets.first();
                break;
            }
        }
        // What may be used is not reported.
        plant(root, "run/Fine.cpp", "#include \"panel/PanelViews.h\"\n#include <sys/ioctl.h>\n");
        plant(root, "newlayer/Thing.cpp", "\n");
        expected << "newlayer/: a folder the layer table does not know";
        plant(root, "serial/CMakeLists.txt",
              "add_library(tessaly_stray STATIC Stray.cpp)\n"
              "target_link_libraries(tessaly_serial PUBLIC tessaly_unheard)\n");
        expected
            << "serial/CMakeLists.txt: target tessaly_stray is not in the table's row of serial"
            << "serial/CMakeLists.txt: tessaly_serial links unknown target tessaly_unheard";
        // The leaves and the bottom are among the layers planted in.
        for (const char* layer : {"base", "help", "audio", "serial", "app"}) {
            QVERIFY2(expected.filter(QString::fromLatin1(layer) + QLatin1Char('/')).size() >= 2,
                     layer);
        }
        expected.sort();
        QCOMPARE(layeringFaults(layers, root), expected);
    }
};

TESSALY_TEST_MAIN(LayeringTest)
#include "LayeringTest.moc"
