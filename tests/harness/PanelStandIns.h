#pragma once

#include "panel/PanelViews.h"
#include "serial/Controls.h"
#include "serial/PortList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

// The main panel's device frame, as far as the device links work it.
struct PanelStandIns : DeviceControlsView {
    QWidget panel;
    QComboBox* SelectPort0 = nullptr;
    QComboBox* SelectPort1 = nullptr;

    PanelStandIns() {
        USBcheck = new QCheckBox(QStringLiteral("USB Devices connected"), &panel);
        SelectPort0 = SelectPort[0] = editableCombo(QLatin1String(kPanelPortPlaceholder), &panel);
        SelectPort1 = SelectPort[1] = editableCombo(QLatin1String(kPanelPortPlaceholder), &panel);
        Command1 = new QPushButton(QStringLiteral("Connect"), &panel);
        Command2 = new QPushButton(QStringLiteral("Connect"), &panel);
        Check1 = new QCheckBox(QStringLiteral("Optical signal"), &panel);
        Check2 = new QCheckBox(QStringLiteral("Laser"), &panel);
        Check3 = new QCheckBox(QStringLiteral("Vacuum pump"), &panel);
        for (auto* pair : {&Image1, &Image2, &Image3}) {
            for (QLabel*& image : *pair) {
                image = new QLabel(&panel);
                image->hide();
            }
        }
        for (auto& label : 实时数据) {
            label = new QLabel(QStringLiteral("0"), &panel);
        }
        for (QCheckBox* c : {Check1, Check2, Check3}) {
            c->setEnabled(false);
        }
        const QStringList items = portListItems(GetPortList());
        addItemsKeepingText(SelectPort0, items);
        addItemsKeepingText(SelectPort1, items);
    }

    // Which picture of a pair shows: -1 none, 0 off, 1 on.
    static int shown(const std::array<QLabel*, 2>& pair) {
        if (!pair[0]->isHidden() && pair[1]->isHidden()) {
            return 0;
        }
        if (pair[0]->isHidden() && !pair[1]->isHidden()) {
            return 1;
        }
        return pair[0]->isHidden() ? -1 : 2;
    }

    static void choose(QComboBox* box, const QString& entry) { box->setEditText(entry); }

    // The frame as the device links take it.
    const DeviceControlsView& frame() const { return *this; }
};
