#pragma once

#include <QByteArray>
#include <QString>

namespace kelvara {

// What the OpenRGB client does with its socket's descriptor directly, beside Qt's socket: the
// calls that would otherwise cost the event loop a wake-up each, and the kernel's watch for a
// peer that vanished.

// Keep-alive probes and a limit on unacknowledged data, so that a server whose host vanished
// without a word ends the connection.
void watchForSilentPeer(qintptr descriptor, int userTimeoutMs);

// Hands the bytes to the kernel without waiting; how many it took (0 on any error, which the
// socket then reports).
qsizetype sendWithoutWaiting(qintptr descriptor, const QByteArray& bytes);

enum class ReadOutcome
{
    Open,   // everything there was is read
    Closed, // the peer closed the connection
    Failed  // an error, in why
};

// Appends what the kernel holds for the socket, without waiting: at most maxBytes, so that a
// peer sending without pause cannot keep the caller reading forever. A read that finds less than
// it could take ends it; Closed and Failed may then be told only by the next call.
ReadOutcome readWithoutWaiting(qintptr descriptor, QByteArray& into, qsizetype maxBytes,
                               QString& why);

} // namespace kelvara
