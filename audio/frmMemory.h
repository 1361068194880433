#pragma once

#include "audio/BassApi.h"
#include "audio/ClipPlayer.h"
#include "audio/PlaybackEngine.h"
#include "audio/cbass_time.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// How the player window finds its library and ends the program.
struct PlayerSetup {
    // Finds and loads the audio library in the program folder.
    std::function<BassLoad(const QString& folder)> loadLibrary = loadBassApi;
    // Ends the program: after a fatal set-up failure (code 1) and when the window is
    // closed (code 0). Empty: the process exits.
    std::function<void(int exitCode)> endProgram;
    // The clip of program step 0, played by cmdOpenPlay.
    std::function<QString()> stepZeroClip;
};

// The hidden player window: sets up the audio library when it is created, takes the play
// requests and shows what plays. It is never shown; its controls still work while hidden.
//
// One per process, as the playback state it drives exists once: PlayerOnFirstUse creates it
// when the first clip is asked for.
class frmMemory final : public QWidget, public ClipPlayer, private PlaybackDisplay {
    Q_OBJECT

public:
    // Runs Form_Initialize. A set-up failure shows its box and ends the program; should the
    // ending return (tests), the window stays without a library and ignores requests.
    explicit frmMemory(PlayerSetup setup = {});
    ~frmMemory() override;

    void setStepZeroClip(std::function<QString()> clip);

    // Loops the named file (absolute, or relative to the program folder) from now on. Returns
    // at once; a request that comes while a load runs waits for it to end, in one slot that a
    // later request takes over, so the latest request is always the one heard.
    void 播放一个指定文件(const QString& 音频文件名) override;

    void chkSYNC_Click();
    void tmrBASS_Timer();
    void cmdOpenPlay_Click();
    void Command1_Click();
    void Command2_Click();
    // The library error box; errorCode is the library's code, read on the failing thread.
    void ShowBassError(const QString& message, int errorCode);

    // True for an ordinary file (not a folder, not hidden).
    static bool FileExists(const QString& fp);
    // fp with a trailing folder separator.
    static QString RPP(const QString& fp);
    // The part after the last "\" (or "/").
    static QString GetFileName(const QString& fp);

    [[nodiscard]] bool initialized() const { return m_engine != nullptr; }
    [[nodiscard]] bool busy() const { return m_engine && m_engine->busy(); }
    [[nodiscard]] std::optional<std::uint64_t> underruns() const {
        return m_engine ? m_engine->underruns() : std::nullopt;
    }
    [[nodiscard]] DWORD currentChannel() const { return m_engine ? m_engine->currentChannel() : 0; }

    QPushButton* cmdOpenPlay = nullptr;
    QPushButton* Command1 = nullptr;
    QCheckBox* chkSYNC = nullptr;
    QTimer* tmrBASS = nullptr;
    // The file-dialog control: only its file name is used.
    struct {
        QString FileName;
    } cmd;
    QLabel* lblFilePath = nullptr;
    QLabel* lblDur = nullptr;
    QLabel* lblPos = nullptr;
    QLabel* lblMins = nullptr;
    QLabel* lblFreq = nullptr;
    QLabel* lblBPS = nullptr;
    QLabel* lblBitsPS = nullptr;
    QLabel* lblDXVer = nullptr;
    std::array<QLineEdit*, 2> Text1{};
    QPushButton* Command2 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* Frame1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    bool Form_Initialize();
    void Form_Unload();
    void endProgram(int exitCode);

    void loadDecoded(LoadSource source) override;
    void playbackStarted(const ChannelFacts& facts) override;
    void loadFailed(const QString& message, int errorCode) override;
    void channelEnded() override;
    void loaderFinished() override;

    PlayerSetup m_setup;
    std::unique_ptr<cbass_time> m_queries;
    std::unique_ptr<PlaybackEngine> m_engine;
    // The latest request that came while a load ran.
    std::optional<QString> m_waiting;
};
