#pragma once

#include <QByteArray>

// Opens the relays when the program crashes. A handler for SIGSEGV, SIGBUS, SIGFPE, SIGILL
// and SIGABRT writes the prepared open frames to the relay port's descriptor, then lets the
// signal end the process as it would have. SIGKILL and a power cut cannot be caught.
namespace RelayCrashGuard {

// Installs the handlers, once per process. False where there are no such signals.
bool install();

// The relay port is open on descriptor fd; bytes (at most kMaxBytes) open every relay.
// Called on the window thread only; the handler reads it without locks.
inline constexpr int kMaxBytes = 16;
void arm(int fd, const QByteArray& bytes);
// The port on fd is about to close: the handler must not write to a reused descriptor.
void disarm(int fd);
// Writes the open frames to the armed port now, once, from a signal handler too (only
// async-signal-safe calls): for an end that cannot wait for the exit sequence.
void openRelaysNow();
// The descriptor the handler would write to now, -1 when none.
int armedDescriptor();

} // namespace RelayCrashGuard
