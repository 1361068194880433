// Every caption of every window fits its control at the program's font: a cut caption hides
// what the operator must read ("Vacuum pump - not switched", the chart's time axis).
#include "program/ProgramLibrary.h"
#include "serial/DataWindow.h"
#include "serial/RelayPanel.h"
#include "status/StatusPage.h"
#include "tests/harness/RootFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

QString tooWide(int need, int room) {
    return need > room ? QStringLiteral("%1 px in %2").arg(need).arg(room) : QString();
}

// A button's or a box's text against the room its style gives the text.
QString cutButtonText(const QAbstractButton* button, QStyle::SubElement contents) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect room = button->style()->subElementRect(contents, &option, button);
    return tooWide(button->fontMetrics().horizontalAdvance(button->text()), room.width());
}

// Why a control's text does not fit it, or nothing.
QString cutCaption(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText) {
            return {};
        }
        return tooWide(label->fontMetrics().horizontalAdvance(label->text()),
                       label->contentsRect().width() - 2 * label->margin());
    }
    if (const auto* check = qobject_cast<const QCheckBox*>(w)) {
        return cutButtonText(check, QStyle::SE_CheckBoxContents);
    }
    if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        return cutButtonText(button, QStyle::SE_PushButtonContents);
    }
    return {};
}

QStringList cutCaptions(const QWidget* window) {
    QStringList cut;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        const QString why = cutCaption(w);
        if (!why.isEmpty()) {
            const auto* button = qobject_cast<const QAbstractButton*>(w);
            const auto* label = qobject_cast<const QLabel*>(w);
            cut << QStringLiteral("%1 \"%2\": %3")
                       .arg(w->objectName(), button ? button->text() : label->text(), why);
        }
    }
    return cut;
}

} // namespace

class CaptionsFitTest : public QObject {
    Q_OBJECT
private slots:
    void everyCaptionOfEveryWindowFits() {
        RootFixture f;
        f.root.Form_Load();
        // The hidden device windows and the windows the menus open, laid out as shown.
        f.root.relayPanel()->show();
        f.root.dataWindow()->show();
        f.root.library().showSaveAs();
        f.root.library().showWorkingFolderList();
        f.root.statusPage().showWindow();
        QStringList cut;
        const auto check = [&cut](const QString& state) {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->isVisible()) {
                    for (const QString& c : cutCaptions(window)) {
                        cut << state + QStringLiteral(": ") + c;
                    }
                }
            }
        };
        check(QStringLiteral("as loaded"));
        // The relay boxes' other caption, as the links show it while the board was not told.
        f.p().Check2->setText(QStringLiteral("Laser - not switched"));
        f.p().Check3->setText(QStringLiteral("Vacuum pump - not switched"));
        check(QStringLiteral("not switched"));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }
};

TESSALY_TEST_MAIN(CaptionsFitTest)
#include "CaptionsFitTest.moc"
