#include "led/openrgblink.h"

#include "led/socketio.h"

#include <QSignalBlocker>

namespace kelvara {

namespace {

// A server that stops reading gets no more frames rather than an ever-growing buffer.
constexpr qint64 maxQueuedBytes = 256 * 1024;
// What one pass reads of the server's answers at most; more waits for the next pass.
constexpr qsizetype maxReadPerPass = 1024 * 1024;
// While frames run, the answers are read no more often than this: thirty frames' worth at a time
// at 30 frames a second, well within what the watch for other writers keeps of its own.
constexpr qint64 readInterval = 1000; // ms
// A server on another machine that vanishes without a word (a suspended host, a pulled cable) is
// noticed by the kernel: data unacknowledged for this long, or an idle link whose keep-alive
// probes go unanswered, ends the connection. A frame goes out at least every 5 s, so the loss is
// known within 4 + 5 s at worst.
constexpr int tcpUserTimeout = 4000; // ms

} // namespace

OpenRgbLink::OpenRgbLink(QObject* parent)
    : QObject(parent)
{
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        watchForSilentPeer(m_socket.socketDescriptor(), tcpUserTimeout);
        emit opened();
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, &OpenRgbLink::readIncoming);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_framesLeftOut && m_socket.bytesToWrite() == 0) {
            m_framesLeftOut = false;
            emit drained();
        }
    });
    connect(&m_socket, &QTcpSocket::disconnected, this,
            [this] { fail(QStringLiteral("connection closed")); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) {
                // Only the launch's own short waits time out, and they decide for themselves.
                if (error != QAbstractSocket::SocketTimeoutError) {
                    fail(m_socket.errorString());
                }
            });
}

OpenRgbLink::~OpenRgbLink()
{
    m_socket.disconnect(this);
    m_socket.abort();
}

void OpenRgbLink::open(const QString& host, quint16 port)
{
    if (!isClosed()) {
        return;
    }
    m_reader = openrgb::PacketReader();
    m_socket.connectToHost(host, port);
}

void OpenRgbLink::close()
{
    m_quiet = false;
    m_heldByte = false;
    m_framesLeftOut = false;
    const QSignalBlocker quiet(m_socket);
    m_socket.setReadBufferSize(0);
    m_socket.abort();
}

void OpenRgbLink::fail(const QString& why)
{
    close();
    emit lost(why);
}

void OpenRgbLink::send(const QByteArray& bytes)
{
    if (isOpen()) {
        m_socket.write(bytes);
    }
}

bool OpenRgbLink::sendFrames(const QByteArray& bytes)
{
    if (!isOpen() || bytes.isEmpty()) {
        return false;
    }
    if (m_socket.bytesToWrite() > maxQueuedBytes) {
        m_framesLeftOut = true;
        return false;
    }
    // With nothing queued before them the frames go straight to the kernel. Handed to the
    // socket's buffer, they would switch its write notifier on and off again, and each switch
    // wakes the event loop once more: two extra wake-ups on every frame.
    const qsizetype sent =
        m_socket.bytesToWrite() == 0 ? sendWithoutWaiting(m_socket.socketDescriptor(), bytes) : 0;
    // What the kernel did not take (a full buffer, or an error the socket then reports as the
    // connection lost) goes through the socket as before, out now rather than at the next turn
    // of the event loop.
    if (sent < bytes.size()) {
        m_socket.write(bytes.constData() + sent, bytes.size() - sent);
        m_socket.flush();
    }
    return true;
}

void OpenRgbLink::setReadAtPasses(bool atPasses)
{
    if (atPasses == m_quiet) {
        return;
    }
    if (!atPasses) {
        stopReadingQuietly();
        return;
    }
    m_quiet = true;
    m_sinceRead.invalidate(); // the first pass reads
    m_socket.setReadBufferSize(1);
}

void OpenRgbLink::pass()
{
    if (m_quiet && (!m_sinceRead.isValid() || m_sinceRead.hasExpired(readInterval))) {
        m_sinceRead.start();
        readQuietly();
    }
}

void OpenRgbLink::closeGently(int milliseconds)
{
    stopReadingQuietly();
    m_socket.disconnect(this);
    m_socket.disconnectFromHost();
    if (!isClosed()) {
        m_socket.waitForDisconnected(milliseconds);
    }
}

void OpenRgbLink::readIncoming()
{
    if (m_quiet) {
        return; // read at the next pass
    }
    deliver(m_socket.readAll());
}

void OpenRgbLink::readQuietly()
{
    QByteArray incoming;
    if (!m_heldByte && m_socket.bytesAvailable() > 0) {
        incoming = m_socket.peek(1);
        m_heldByte = !incoming.isEmpty();
    }
    QString why;
    switch (readWithoutWaiting(m_socket.socketDescriptor(), incoming, maxReadPerPass, why)) {
    case ReadOutcome::Open:
        break;
    case ReadOutcome::Closed:
        fail(QStringLiteral("connection closed"));
        return;
    case ReadOutcome::Failed:
        fail(why);
        return;
    }
    deliver(incoming);
}

void OpenRgbLink::stopReadingQuietly()
{
    if (!m_quiet) {
        return;
    }
    m_quiet = false;
    if (m_heldByte) {
        m_socket.read(1); // handled already
        m_heldByte = false;
    }
    m_socket.setReadBufferSize(0);
}

void OpenRgbLink::deliver(const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        return;
    }
    m_reader.append(bytes);
    while (const auto packet = m_reader.next()) {
        emit received(*packet);
        if (!isOpen()) {
            return; // the packet ended the connection
        }
    }
    if (m_reader.failed()) {
        fail(QStringLiteral("malformed data"));
    }
}

} // namespace kelvara
