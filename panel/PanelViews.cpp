#include "panel/PanelViews.h"

#include <QGroupBox>
#include <algorithm>

StepTableView stepTableView(const MainPanelControls& c) {
    StepTableView v;
    v.微泵程序 = c.微泵程序;
    v.Label26 = c.Label26;
    v.Label1 = c.Label1;
    v.Text1 = c.Text1;
    v.Text2 = c.Text2;
    v.Text3 = c.Text3;
    v.Text4 = c.Text4;
    v.Text5 = c.Text5;
    v.Check4 = c.Check4;
    v.Check5 = c.Check5;
    v.Check6 = c.Check6;
    std::copy_n(c.Label22.begin(), kStepRows, v.Label22.begin());
    v.programLength = c.Label18[1];
    return v;
}

RunControlsView runControlsView(const MainPanelControls& c) {
    RunControlsView v;
    v.启动程序 = c.启动程序;
    v.当前状态 = c.当前状态;
    v.Check7 = c.Check7;
    v.Label18 = c.Label18;
    v.cycleElapsed = c.Label22[41];
    v.pauseLength = c.Label22[42];
    v.Timer1 = c.Timer1;
    v.Timer2 = c.Timer2;
    return v;
}

PumpControlsView pumpControlsView(const MainPanelControls& c) {
    PumpControlsView v;
    v.声控设备 = c.声控设备;
    v.Command3 = c.Command3;
    v.Command4 = c.Command4;
    v.微泵速度 = c.微泵速度;
    v.Label27 = c.Label27;
    return v;
}

ChartControlsView chartControlsView(const MainPanelControls& c) {
    ChartControlsView v;
    v.Frame1 = c.Frame1;
    v.Picture1 = c.Picture1;
    v.Label24 = c.Label24;
    v.Label28 = c.Label28;
    v.Text6 = c.Text6;
    return v;
}

DeviceControlsView deviceControlsView(const MainPanelControls& c) {
    DeviceControlsView v;
    v.串口设备汇总 = c.串口设备汇总;
    v.USBcheck = c.USBcheck;
    v.Check1 = c.Check1;
    v.Check2 = c.Check2;
    v.Check3 = c.Check3;
    v.Command1 = c.Command1;
    v.Command2 = c.Command2;
    v.SelectPort = c.SelectPort;
    v.显示串口 = c.显示串口;
    v.Image1 = c.Image1;
    v.Image2 = c.Image2;
    v.Image3 = c.Image3;
    v.实时数据 = c.实时数据;
    v.Label25 = c.Label25;
    return v;
}

ExportControlsView exportControlsView(const MainPanelControls& c) {
    ExportControlsView v;
    v.Frame2 = c.Frame2;
    v.List1 = c.List1;
    v.Label31 = c.Label31;
    v.Timer4 = c.Timer4;
    v.Label1 = c.Label1;
    v.Text1 = c.Text1;
    v.Text2 = c.Text2;
    v.Text3 = c.Text3;
    v.Text4 = c.Text4;
    v.Text5 = c.Text5;
    return v;
}
