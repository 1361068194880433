// Keeps the layers one-way: composition root -> {run, serial, audio, program} -> main-panel
// controls -> app helpers; the platform layers (serial, audio) know no panel, program or run. A
// source file that includes a header of a layer it may not know, or a library that links one, fails
// here the day it is written.
#include "tests/harness/TestHarness.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <set>

namespace {

enum class Layer { None, AppHelpers, Panel, Audio, Serial, Program, Run, Root };

// The layer of a path relative to the source root; None for what is outside the layers
// (build-time tools, Qt, the standard library).
Layer layerOf(const QString& path) {
    if (path.startsWith(QLatin1String("app/shell/")) || path == QLatin1String("app/main.cpp")) {
        return Layer::Root;
    }
    const std::pair<const char*, Layer> prefixes[] = {
        {"app/", Layer::AppHelpers}, {"program/panel/", Layer::Panel}, {"program/", Layer::Program},
        {"run/", Layer::Run},        {"audio/", Layer::Audio},         {"serial/", Layer::Serial}};
    for (const auto& [prefix, layer] : prefixes) {
        if (path.startsWith(QLatin1String(prefix))) {
            return layer;
        }
    }
    return Layer::None;
}

bool mayUse(Layer from, Layer to) {
    using L = Layer;
    static const std::map<L, std::set<L>> allowed = {
        {L::AppHelpers, {L::AppHelpers}},
        {L::Panel, {L::AppHelpers, L::Panel}},
        {L::Audio, {L::AppHelpers, L::Audio}},
        {L::Serial, {L::AppHelpers, L::Serial}},
        {L::Program, {L::AppHelpers, L::Panel, L::Program}},
        {L::Run, {L::AppHelpers, L::Panel, L::Program, L::Audio, L::Run}},
        {L::Root, {L::AppHelpers, L::Panel, L::Audio, L::Serial, L::Program, L::Run, L::Root}}};
    if (from == L::None || to == L::None) {
        return true;
    }
    return allowed.at(from).count(to) > 0;
}

// The library each layer builds.
Layer layerOfTarget(const QString& target) {
    static const std::map<QString, Layer> targets = {
        {"tessaly_app", Layer::AppHelpers},  {"tessaly_panel", Layer::Panel},
        {"tessaly_audio", Layer::Audio},     {"tessaly_serial", Layer::Serial},
        {"tessaly_program", Layer::Program}, {"tessaly_run", Layer::Run},
        {"tessaly_shell", Layer::Root}};
    const auto it = targets.find(target);
    return it == targets.end() ? Layer::None : it->second;
}

const QStringList kLayerFolders = {"app", "program", "run", "audio", "serial"};

// Every include and library link under root that points to a layer its file may not use, as
// "file:line: what".
QStringList upwardDependencies(const QString& root) {
    static const QRegularExpression include(
        QStringLiteral("^\\s*#\\s*include\\s*[\"<]([^\">]+)[\">]"));
    static const QRegularExpression link(
        QStringLiteral("target_link_libraries\\s*\\(\\s*(\\w+)([^)]*)\\)"));
    QStringList found;
    for (const QString& folder : kLayerFolders) {
        QDirIterator it(root + QLatin1Char('/') + folder, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = path.mid(root.size() + 1);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                found << relative + QStringLiteral(": unreadable");
                continue;
            }
            const QString text = QString::fromUtf8(file.readAll());
            if (relative.endsWith(QLatin1String("CMakeLists.txt"))) {
                QRegularExpressionMatchIterator m = link.globalMatch(text);
                while (m.hasNext()) {
                    const QRegularExpressionMatch call = m.next();
                    const Layer from = layerOfTarget(call.captured(1));
                    for (const QString& used : call.captured(2).split(
                             QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
                        if (!mayUse(from, layerOfTarget(used))) {
                            found << relative + QStringLiteral(": ") + call.captured(1) +
                                         QStringLiteral(" links ") + used;
                        }
                    }
                }
                continue;
            }
            if (!relative.endsWith(QLatin1String(".h")) &&
                !relative.endsWith(QLatin1String(".cpp")) &&
                !relative.endsWith(QLatin1String(".c"))) {
                continue;
            }
            const QStringList lines = text.split(QLatin1Char('\n'));
            for (int n = 0; n < lines.size(); ++n) {
                const QRegularExpressionMatch m = include.match(lines[n]);
                if (m.hasMatch() && !mayUse(layerOf(relative), layerOf(m.captured(1)))) {
                    found << QStringLiteral("%1:%2: includes %3")
                                 .arg(relative)
                                 .arg(n + 1)
                                 .arg(m.captured(1));
                }
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
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

class LayeringTest : public QObject {
    Q_OBJECT
private slots:
    void sourceTreeDependsOnlyDownward() {
        const QStringList found = upwardDependencies(QStringLiteral(TESSALY_SOURCE_DIR));
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    // The check itself: planted upward includes and links are found, allowed ones are not.
    void plantedUpwardDependenciesAreFound() {
        QTemporaryDir tree;
        const QString root = tree.path();
        plant(root, "program/Planted.cpp",
              "#include \"program/ProgramTable.h\"\n"
              "#include \"run/RunEngine.h\"\n");
        plant(root, "serial/Planted.h", "  #  include <program/ProgramEditor.h>\n");
        plant(root, "audio/Planted.cpp",
              "// #include \"run/RunEngine.h\" (a comment)\n"
              "#include \"app/shell/AppRoot.h\"\n");
        plant(root, "program/panel/Planted.h", "#include \"program/ProgramTable.h\"\n");
        plant(root, "run/Fine.cpp",
              "#include \"program/panel/PanelViews.h\"\n"
              "#include \"audio/ClipPlayer.h\"\n#include <QTimer>\n");
        plant(root, "app/shell/Fine.cpp", "#include \"serial/RelayPanel.h\"\n");
        plant(root, "program/CMakeLists.txt",
              "target_link_libraries(tessaly_program PUBLIC tessaly_panel tessaly_run\n"
              "  Qt6::Widgets)\n");
        QCOMPARE(upwardDependencies(root),
                 (QStringList{"audio/Planted.cpp:2: includes app/shell/AppRoot.h",
                              "program/CMakeLists.txt: tessaly_program links tessaly_run",
                              "program/Planted.cpp:2: includes run/RunEngine.h",
                              "program/panel/Planted.h:1: includes program/ProgramTable.h",
                              "serial/Planted.h:1: includes program/ProgramEditor.h"}));
    }
};

TESSALY_TEST_MAIN(LayeringTest)
#include "LayeringTest.moc"
