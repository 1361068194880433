#pragma once

#include "base/Reading.h"
#include "serial/CommControl.h"
#include "serial/Frames.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

// The measuring board on its serial port: connect() is the only thing that opens the port.
// Every frame is decoded at once into the live reading; a loss makes it none. The readings are
// handed to the views (readingDue) at most every show interval, with the newest frame.
class MeasuringBoard : public QObject {
    Q_OBJECT
public:
    MeasuringBoard(std::unique_ptr<CommControl> comm, LiveReading& reading,
                   QObject* parent = nullptr);
    // Closes the port if open.
    ~MeasuringBoard() override;
    MeasuringBoard(const MeasuringBoard&) = delete;
    MeasuringBoard& operator=(const MeasuringBoard&) = delete;

    // Opens the port numbered port with settings ("baud,parity,data bits,stop bits"); an open
    // port takes the settings and stays open. Raises nothing: error is the number to show.
    CommResult connect(qint16 port, const QString& settings);
    // Closes the port; from then on there is no reading until the next frame.
    void disconnect();
    bool isConnected() const { return m_comm->PortOpen(); }
    qint16 port() const { return m_comm->CommPort(); }

    // The newest decoded frame, or none: what the charts, the run record and the status page
    // take, whether or not it has been shown yet.
    const LiveReading& reading() const { return m_reading; }
    // Frames decoded since the board was made, shown or not.
    std::uint64_t framesReceived() const { return m_framesReceived; }
    // What the stream held that was not a frame, by reason.
    const frames::FrameAssembler::Refusals& framesRefused() const { return m_assembler.refusals(); }
    // Losses since the board was made.
    std::uint64_t losses() const { return m_losses; }

    // The device went away (as its port reports it): the port is closed by then; the stream
    // is forgotten and there is no reading until the next frame.
    void lose(const QString& reason);

    // A frame made up by the operator (the data window's simulation): taken as if received.
    void take(const frames::Reading& reading);
    // Hands the newest frame to the views now if one waits, for whatever samples the readings
    // next; the showings' own pace is left as it was.
    void showPendingReading();

    // Readings reach the views at most this often; a board at the line rate sends 411 frames
    // a second, more than anyone can read and each costing widget work.
    static constexpr int kShowIntervalMs = 33;
    // How long after a hold's end a frame waits for a read that would show it with newer ones.
    static constexpr int kShowGraceMs = 5;

signals:
    // After connect, disconnect and a loss.
    void linkChanged(bool connected);
    // The device went away: the port is closed and there is no reading any more.
    void lost(const QString& reason);
    // Time to show reading() (a new one).
    void readingDue();
    // The newest read's raw bytes, at a showing.
    void bytesDue(const QByteArray& bytes);

private:
    void onComm();
    // After a read: shows its newest frame at once, or at the end of the current interval,
    // and holds the port until the next showing is due when frames come fast.
    void showSoon(bool fastStream);
    // Hands over what waits and starts the next show interval.
    void showDue();
    // Forgets the stream: what waits, the pace, and any part of a frame.
    void forgetStream();

    std::unique_ptr<CommControl> m_comm;
    LiveReading& m_reading;
    frames::FrameAssembler m_assembler;
    std::uint64_t m_framesReceived = 0;
    std::uint64_t m_losses = 0;
    // A decoded frame and read not yet handed to the views.
    bool m_readingPending = false;
    QByteArray m_pendingBytes;
    QTimer m_showTimer;
    QElapsedTimer m_sinceShown;
    QElapsedTimer m_sinceRead;
};
