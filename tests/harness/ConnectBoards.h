#pragma once

#include "panel/TessalyPanel.h"
#include "tests/harness/BoardSimulator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

// What the operator does to reach the simulated boards from the main panel: tick the master
// switch, refresh the port lists, choose both boards and connect them.
inline void connectSimulatedBoards(TessalyPanel& p) {
    p.USBcheck->setChecked(true);
    QTest::mouseClick(p.显示串口, Qt::LeftButton);
    QVERIFY(p.SelectPort[0]->isEnabled() && p.Command1->isEnabled());
    QVERIFY(p.SelectPort[0]->findText(BoardSimulator::relayEntry()) >= 0);
    p.SelectPort[0]->setEditText(BoardSimulator::relayEntry());
    p.SelectPort[1]->setEditText(BoardSimulator::meterEntry());
    QTest::mouseClick(p.Command1, Qt::LeftButton);
    QTest::mouseClick(p.Command2, Qt::LeftButton);
    QCOMPARE(p.Command1->text(), QString("Disconnect"));
    QCOMPARE(p.Command2->text(), QString("Disconnect"));
    QVERIFY(p.Check2->isEnabled() && p.Check3->isEnabled() && p.Check1->isEnabled());
}
