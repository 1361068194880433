#pragma once

#include "serial/Controls.h"
#include "serial/DeviceLinks.h"
#include "serial/PortList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

// The main panel's device-area controls, as far as the device windows touch them, wired the
// way the panel wires them: a device check box shows its on or off picture when it changes.
struct PanelStandIns {
    QWidget panel;
    QCheckBox* USBcheck = new QCheckBox(QStringLiteral("USB Devices connected"), &panel);
    QComboBox* SelectPort0 = editableCombo(QLatin1String(kPanelPortPlaceholder), &panel);
    QComboBox* SelectPort1 = editableCombo(QLatin1String(kPanelPortPlaceholder), &panel);
    QPushButton* Command1 = new QPushButton(QStringLiteral("Connect"), &panel);
    QPushButton* Command2 = new QPushButton(QStringLiteral("Connect"), &panel);
    QCheckBox* Check1 = new QCheckBox(QStringLiteral("Optical signal"), &panel);
    QCheckBox* Check2 = new QCheckBox(QStringLiteral("Laser"), &panel);
    QCheckBox* Check3 = new QCheckBox(QStringLiteral("Vacuum pump"), &panel);
    std::array<QWidget*, 2> Image1{new QLabel(&panel), new QLabel(&panel)};
    std::array<QWidget*, 2> Image2{new QLabel(&panel), new QLabel(&panel)};
    std::array<QWidget*, 2> Image3{new QLabel(&panel), new QLabel(&panel)};
    std::array<QLabel*, 7> 实时数据{};

    PanelStandIns() {
        for (auto& label : 实时数据) {
            label = new QLabel(QStringLiteral("0"), &panel);
        }
        for (QWidget* w : {Image1[0], Image1[1], Image2[0], Image2[1], Image3[0], Image3[1]}) {
            w->hide();
        }
        for (QCheckBox* c : {Check1, Check2, Check3}) {
            c->setEnabled(false);
        }
        const QStringList items = portListItems(GetPortList());
        addItemsKeepingText(SelectPort0, items);
        addItemsKeepingText(SelectPort1, items);
        showPictureOnChange(Check1, Image1);
        showPictureOnChange(Check2, Image2);
        showPictureOnChange(Check3, Image3);
    }

    static void showPictureOnChange(QCheckBox* check, std::array<QWidget*, 2> pair) {
        QObject::connect(check, &QCheckBox::toggled, check, [pair](bool on) {
            pair[0]->setHidden(on);
            pair[1]->setHidden(!on);
        });
    }

    // Which picture of a pair shows: -1 none, 0 off, 1 on.
    static int shown(const std::array<QWidget*, 2>& pair) {
        if (!pair[0]->isHidden() && pair[1]->isHidden()) {
            return 0;
        }
        if (pair[0]->isHidden() && !pair[1]->isHidden()) {
            return 1;
        }
        return pair[0]->isHidden() ? -1 : 2;
    }

    static void choose(QComboBox* box, const QString& entry) { box->setEditText(entry); }

    DataWindowLinks dataLinks() {
        DataWindowLinks l;
        l.SelectPort = SelectPort1;
        l.Command2 = Command2;
        l.Image1 = Image1;
        l.Check1 = Check1;
        l.实时数据 = 实时数据;
        return l;
    }
    RelayPanelLinks relayLinks() {
        RelayPanelLinks l;
        l.SelectPort = SelectPort0;
        l.Command1 = Command1;
        l.Image2 = Image2;
        l.Image3 = Image3;
        l.Check2 = Check2;
        l.Check3 = Check3;
        return l;
    }
};
