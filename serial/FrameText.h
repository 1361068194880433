#pragma once

#include "base/NumericText.h"
#include "serial/Frames.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

// Each byte as two uppercase hexadecimal digits followed by one space ("AB 00 06 ").
QString hexText(QByteArrayView bytes);

// Field readers over a frame given as two-digit hexadecimal pieces; `last` is the index of
// the field's last (most significant) byte. They throw CommError (13) on a piece that is
// not hexadecimal and (9) on an index outside the pieces.
double data_conversion4(const QStringList& pieces, int last);  // four bytes x 0.1
double data_conversion4s(const QStringList& pieces, int last); // four bytes unscaled
double data_conversion2(const QStringList& pieces, int last);  // two bytes unscaled

// The frame simulation of a typed text: 28 pieces separated by single spaces.
struct SimulatedFrame {
    // Two uppercase digits of the computed checksum; empty when the text has no 28 pieces
    // of two hexadecimal digits each.
    QString checksumText;
    // True when the checksum piece and the header pieces match as text ("AB 00 06", upper
    // case), so the values are shown.
    bool accepted = false;
    frames::Reading reading;
};
SimulatedFrame simulateFrameText(const QString& text);
