#include "intro/QtVideoPlayer.h"
#include "base/Paths.h"
#include "intro/VideoFrameView.h"
#include "intro/VideoProcess.h"

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

using VideoProtocol::Status;

namespace {

// Runs a callback once, at the first paint of the watched widget.
class FirstPaint final : public QObject {
public:
    FirstPaint(QObject* watched, std::function<void()> then)
        : QObject(watched), m_then(std::move(then)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_then) {
            watched->removeEventFilter(this);
            // After this paint has reached the screen, not inside it.
            QTimer::singleShot(0, parent(), std::exchange(m_then, {}));
        }
        return false;
    }

private:
    std::function<void()> m_then;
};

// Runs a callback on each event of one type that the watched widget gets.
class OnEvent final : public QObject {
public:
    OnEvent(QObject* watched, QEvent::Type type, std::function<void()> then)
        : QObject(watched), m_type(type), m_then(std::move(then)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type) {
            m_then();
        }
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_then;
};

} // namespace

QtVideoPlayer::QtVideoPlayer(const QString& picture)
    : m_widget(std::make_unique<QWidget>()), m_picturePath(picture) {
    auto* column = new QVBoxLayout(m_widget.get());
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_stack = new QStackedLayout;
    m_picture = new QLabel;
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setStyleSheet(QStringLiteral("background: black;"));
    m_picture->setMinimumSize(1, 1);
    m_picture->setScaledContents(true);
    loadPicture();
    m_picture->setAccessibleName(QStringLiteral("Product picture"));
    m_video = new VideoFrameView;
    m_video->setAccessibleName(QStringLiteral("Video"));
    m_stack->addWidget(m_picture);
    m_stack->addWidget(m_video);
    column->addLayout(m_stack, 1);

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(4, 2, 4, 2);
    m_playPause = new QPushButton(QStringLiteral("Play"));
    m_stop = new QPushButton(QStringLiteral("Stop"));
    m_mute = new QPushButton(QStringLiteral("Mute"));
    m_mute->setCheckable(true);
    m_position = new QSlider(Qt::Horizontal);
    m_position->setAccessibleName(QStringLiteral("Video position"));
    controls->addWidget(m_playPause);
    controls->addWidget(m_stop);
    controls->addWidget(m_position, 1);
    controls->addWidget(m_mute);
    column->addLayout(controls);

    QObject::connect(m_playPause, &QPushButton::clicked, m_widget.get(), [this] {
        if (playState() == Playing && m_player) {
            m_player->pause();
        } else {
            play();
        }
    });
    QObject::connect(m_stop, &QPushButton::clicked, m_widget.get(), [this] { stop(); });
    QObject::connect(m_mute, &QPushButton::toggled, m_widget.get(),
                     [this](bool on) { setMute(on); });
    QObject::connect(m_position, &QSlider::sliderMoved, m_widget.get(), [this](int ms) {
        if (m_player) {
            m_player->seek(ms);
        }
    });
    new OnEvent(m_widget.get(), QEvent::Show, [this] {
        if (m_stack->currentWidget() == m_picture) {
            loadPicture();
        }
    });
    // The layout has placed the video area by the time the filter sees the resize.
    new OnEvent(m_widget.get(), QEvent::Resize, [this] {
        if (m_player) {
            sendViewSize();
        }
    });
    new FirstPaint(m_picture, [this] {
        m_shown = true;
        startBackEnd();
    });
    updateControls();
}

QtVideoPlayer::~QtVideoPlayer() {
    discardBackEnd();
}

void QtVideoPlayer::discardBackEnd() {
    delete m_player;
    m_player = nullptr;
}

QWidget* QtVideoPlayer::widget() {
    return m_widget.get();
}

void QtVideoPlayer::startBackEnd() {
    if (m_player || !m_shown) {
        return;
    }
    m_player = new VideoProcess(programFolder() + QLatin1Char('/') + VideoProtocol::helperName(),
                                m_widget.get());
    QObject::connect(m_player, &VideoProcess::frameArrived, m_video,
                     [this](const QImage& frame) { m_video->setImage(frame); });
    QObject::connect(m_player, &VideoProcess::stateChanged, m_widget.get(),
                     [this] { updateControls(); });
    QObject::connect(m_player, &VideoProcess::statusChanged, m_widget.get(), [this] {
        switch (m_player->status()) {
        case Status::Loaded:
            showPicture(!m_player->hasVideo());
            break;
        case Status::Invalid:
        case Status::None:
            showPicture(true);
            break;
        default:
            break;
        }
    });
    QObject::connect(m_player, &VideoProcess::failedNow, m_widget.get(), [this] {
        // No decoder, a damaged file or no helper: the picture stands in and the player reads
        // stopped.
        showPicture(true);
        updateControls();
    });
    QObject::connect(m_player, &VideoProcess::durationChanged, m_widget.get(),
                     [this](qint64 ms) { m_position->setRange(0, static_cast<int>(ms)); });
    QObject::connect(m_player, &VideoProcess::positionChanged, m_widget.get(), [this](qint64 ms) {
        if (!m_position->isSliderDown()) {
            m_position->setValue(static_cast<int>(ms));
        }
    });
    m_player->start();
    m_player->setMuted(m_muted);
    sendViewSize();
    if (!m_file.isEmpty()) {
        m_player->setSource(QDir::current().absoluteFilePath(m_file));
        if (m_wantPlay) {
            m_player->play();
        }
    }
}

void QtVideoPlayer::sendViewSize() {
    // In device pixels, so that frames stay sharp on a high-density screen.
    const QWidget* area = m_stack->currentWidget();
    m_player->setViewSize(area->size() * area->devicePixelRatioF());
}

void QtVideoPlayer::setFileName(const QString& name) {
    m_file = name;
    m_wantPlay = true;
    if (m_player && m_player->ended() && !m_player->missing()) {
        // A helper that ended on its own is started anew for the next file.
        discardBackEnd();
    }
    if (!m_player) {
        startBackEnd();
    } else {
        m_player->setSource(QDir::current().absoluteFilePath(name));
        m_player->play();
    }
    updateControls();
}

void QtVideoPlayer::play() {
    m_wantPlay = true;
    if (!m_player) {
        startBackEnd();
    } else {
        // A video that ended starts from its beginning.
        if (m_player->status() == Status::End) {
            m_player->seek(0);
        }
        m_player->play();
    }
    updateControls();
}

void QtVideoPlayer::stop() {
    m_wantPlay = false;
    if (m_player) {
        m_player->stop();
    }
    updateControls();
}

void QtVideoPlayer::release() {
    m_wantPlay = false;
    // A hidden player holds no decoded picture (some 5 MB with the label's scaled copy) for a
    // run that may last days; it is read again when it is next shown.
    if (!m_widget->isVisible()) {
        m_picture->clear();
    }
    if (!m_player) {
        return;
    }
    // The helper process, with the media back end and its threads, ends.
    discardBackEnd();
    // The player stays on view, empty and stopped, ready for the next video. The picture is
    // for videos that cannot be played: it stays only if it already stood in for one.
    m_video->setImage(QImage());
    m_position->setRange(0, 0);
    updateControls();
}

void QtVideoPlayer::loadPicture() {
    if (m_picture->pixmap().isNull()) {
        m_picture->setPixmap(QPixmap(m_picturePath));
    }
}

VideoPlayer::State QtVideoPlayer::playState() const {
    if (!m_player) {
        // Until the back end runs, a requested video counts as playing.
        return m_wantPlay && !m_file.isEmpty() ? Playing : Stopped;
    }
    if (m_player->failed()) {
        return Stopped;
    }
    switch (m_player->state()) {
    case VideoProtocol::State::Playing:
        return Playing;
    case VideoProtocol::State::Paused:
        return Paused;
    case VideoProtocol::State::Stopped:
        break;
    }
    return Stopped;
}

void QtVideoPlayer::setMute(bool mute) {
    m_muted = mute;
    if (m_player) {
        m_player->setMuted(mute);
    }
    if (m_mute->isChecked() != mute) {
        m_mute->setChecked(mute);
    }
}

void QtVideoPlayer::showPicture(bool picture) {
    if (picture) {
        loadPicture();
    }
    m_stack->setCurrentWidget(picture ? static_cast<QWidget*>(m_picture) : m_video);
}

void QtVideoPlayer::updateControls() {
    m_playPause->setText(playState() == Playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
    m_stop->setEnabled(playState() != Stopped);
    if (playState() == Playing && m_player && m_player->hasVideo()) {
        showPicture(false);
    }
}
