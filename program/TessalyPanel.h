#pragma once

#include "program/ProgramTable.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class Clock;
class ClipPlayer;
class ManualPumps;
class Mp3Export;
class ProgramEditor;
class RunEngine;
class ProgramLibrary;
class WorkingTimeCounter;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;

// The main window: the 40-step program editor, the run controls, the history charts, the
// micropump command frame, the serial device frame and the MP3 export frame. It builds and
// names its controls; the concerns that drive them live in their own classes.
class TessalyPanel : public QMainWindow {
public:
    // player gives the clip player, creating it on first use; without one the run and the
    // manual pumps stay disabled, as nothing could sound.
    explicit TessalyPanel(Clock& clock, std::function<ClipPlayer&()> player = {},
                          QWidget* parent = nullptr);
    ~TessalyPanel() override;

    // Start-up sequence: flat look, working folder and samples, show, load the current program.
    void Form_Load();

    // The program operations other windows and the run engine call.
    void 读取输入值();
    // Returns the status text, or an empty text after a failure the operator was shown.
    QString 保存程序(const QString& path);
    // accepted runs once the whole file is known to be good, before the controls change.
    QString 读取程序(const QString& path, const std::function<void()>& accepted = {});
    // Saves under the program frame's caption; false after a failure shown to the operator.
    bool 按照微泵程序的caption保存程序();
    void 界面扁平化();
    void 更新累计机时();
    void 准备退出软件();
    // Exit: the exit sequence once, then the end of the process.
    void exitSoftware();

    // The current program path: the caption of the program frame.
    QString programPath() const;
    void setProgramPath(const QString& path);

    const ProgramTable& programTable() const;
    ProgramLibrary& library() { return *m_library; }
    RunEngine& runEngine() { return *m_run; }
    ManualPumps& manualPumps() { return *m_pumps; }
    Mp3Export& mp3Export() { return *m_export; }
    Clock& clock() { return m_clock; }

    // Menu.
    QMenu* mnuFile = nullptr;
    QAction* mnu调入程序 = nullptr;
    QAction* mnu保存程序 = nullptr;
    QAction* mnu将程序另存为 = nullptr;
    QAction* Save_as_MP3 = nullptr;
    QAction* mnuExit = nullptr;
    QAction* 看工作目录 = nullptr;
    QMenu* mnuhelp = nullptr;
    QAction* Help_Chinese = nullptr;
    QAction* Help_English = nullptr;
    QAction* exitsoftware = nullptr;
    QAction* video = nullptr;
    QAction* 版权 = nullptr;

    // Program frame and step table; row 40 is shown disabled and never used.
    QGroupBox* 微泵程序 = nullptr;
    std::array<QLabel*, kStepRows> Label1{};
    std::array<QLineEdit*, kStepRows> Text1{};
    std::array<QLineEdit*, kStepRows> Text2{};
    std::array<QLineEdit*, kStepRows> Text3{};
    std::array<QLineEdit*, kStepRows> Text4{};
    std::array<QLineEdit*, kStepRows> Text5{};
    std::array<QCheckBox*, kStepRows> Check4{};
    std::array<QCheckBox*, kStepRows> Check5{};
    std::array<QCheckBox*, kStepRows> Check6{};
    // 0..40 step end times; 41 cycle elapsed; 42 pause length.
    std::array<QLabel*, 43> Label22{};
    std::array<QPushButton*, 4> 启动程序{};
    QLabel* 当前状态 = nullptr;
    QCheckBox* Check7 = nullptr;
    std::array<QLabel*, 3> Label21{};
    std::array<QLabel*, 3> Label18{};
    QLabel* Label26 = nullptr;
    QLabel* Label29 = nullptr;

    // History frame.
    QGroupBox* Frame1 = nullptr;
    std::array<QFrame*, 2> Picture1{};
    QLabel* Label28 = nullptr;
    std::array<QLabel*, 7> Label24{};
    std::array<QLineEdit*, 2> Text6{};
    float scaleLow = 0;
    float scaleHigh = 100;
    float gridStep = 10;

    // Micropump command frame; index 0 of these arrays is unused.
    QGroupBox* 声控设备 = nullptr;
    std::array<QPushButton*, 3> Command3{};
    std::array<QPushButton*, 3> Command4{};
    QLabel* Label27 = nullptr;
    std::array<QLabel*, 3> 微泵设备{};
    std::array<QLineEdit*, 3> 微泵速度{};

    // Serial device frame.
    QGroupBox* 串口设备汇总 = nullptr;
    QCheckBox* USBcheck = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    std::array<QComboBox*, 2> SelectPort{};
    QPushButton* 显示串口 = nullptr;
    std::array<QLabel*, 2> Image1{};
    std::array<QLabel*, 2> Image2{};
    std::array<QLabel*, 2> Image3{};
    std::array<QLabel*, 7> 实时数据{};
    std::array<QLabel*, 7> Label25{};

    // MP3 export frame.
    QGroupBox* Frame2 = nullptr;
    QListWidget* List1 = nullptr;
    QLabel* Label31 = nullptr;
    QPushButton* 结束MP3输出 = nullptr;

    // Window timers.
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* Timer4 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void buildProgramFrame(QWidget* central);
    void buildHistoryFrame(QWidget* central);
    void buildCommandFrame(QWidget* central);
    void buildDeviceFrame(QWidget* central);
    void buildExportFrame(QWidget* central);
    void wireEvents();
    void markNotYetWired();
    void setPanelSize();
    void Text6_Change(int index);
    void showCopyright();

    // Ends the process once the exit sequence has run; tests replace it.
public:
    std::function<void()> endProcess;

private:
    Clock& m_clock;
    std::unique_ptr<ProgramEditor> m_editor;
    std::unique_ptr<ProgramLibrary> m_library;
    std::unique_ptr<WorkingTimeCounter> m_workingTime;
    std::unique_ptr<RunEngine> m_run;
    std::unique_ptr<ManualPumps> m_pumps;
    std::unique_ptr<Mp3Export> m_export;
    bool m_canSound = false;
    bool m_exiting = false;
};
