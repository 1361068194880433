#pragma once

#include "status/WrongTokenThrottle.h"

#include <QtGlobal>

// What the status server gives any client at most, so that no client, however it behaves, can
// grow the program's memory or keep others out.
struct HttpLimits {
    int connections = 32;
    int connectionsPerAddress = 8;
    // One request, head and body; what is pipelined behind it counts for the next one.
    qint64 requestBytes = 8 * 1024;
    // Answers waiting to be sent on a connection past which no further request is read.
    qint64 heldAnswerBytes = 64 * 1024;
    // Nothing received and nothing to send.
    int idleMs = 10'000;
    // From a request's first byte to its last: past it 408 and close.
    int requestMs = 10'000;
    // Answers waiting and the client takes none of them.
    int stalledMs = 10'000;
    WrongTokenThrottle::Limits wrongTokens;
};
