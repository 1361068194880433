// Creates the player window the way the program does, in a process of its own, so that a
// set-up failure can end it: player_start_probe <program folder>. Prints each message box as
// one line "box <icon> <title> <text>" (tab-separated, line breaks escaped), then "ready" if the
// window came up.
#include "audio/PlayerOnFirstUse.h"
#include "base/MessageBoxes.h"
#include "base/Paths.h"

#include <QApplication>
#include <cstdio>

namespace {

class PrintedBoxes final : public MessageBoxService {
public:
    MessageAnswer show(QWidget*, const MessageRequest& r) override {
        QString text = r.text;
        text.replace(QLatin1String("\r"), QLatin1String("\\r"));
        text.replace(QLatin1String("\n"), QLatin1String("\\n"));
        const QByteArray line = QStringLiteral("box\t%1\t%2\t%3\n")
                                    .arg(static_cast<int>(r.icon))
                                    .arg(r.title, text)
                                    .toUtf8();
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fflush(stdout);
        return MessageAnswer::Ok;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: player_start_probe <program folder>\n");
        return 2;
    }
    QApplication app(argc, argv);
    PrintedBoxes boxes;
    setMessageBoxService(&boxes);
    setProgramFolder(QString::fromLocal8Bit(argv[1]));
    PlayerOnFirstUse player;
    player.get();
    std::printf("ready\n");
    std::fflush(stdout);
    return 0;
}
