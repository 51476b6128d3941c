#pragma once

#include "led/openrgbprotocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>

namespace kelvara {

// One connection to an OpenRGB SDK server: the socket, the packets read off it and the frames
// written to it, on the main thread without blocking. While frames run, what the server sends
// (a version 6 server answers every frame) is read at the passes instead of waking the event
// loop for it: the socket then keeps one byte, already handled, so that it stops watching for
// more. Owned by the OpenRGB backend, which speaks the protocol over it.
class OpenRgbLink : public QObject
{
    Q_OBJECT

public:
    explicit OpenRgbLink(QObject* parent = nullptr);
    ~OpenRgbLink() override;

    // Starts connecting, unless a connection is open or under way.
    void open(const QString& host, quint16 port);

    bool isOpen() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

    bool isClosed() const { return m_socket.state() == QAbstractSocket::UnconnectedState; }

    // Ends the connection at once, without a lost() for it.
    void close();

    void send(const QByteArray& bytes);
    // Frames go out only while the server keeps up; answers whether these went. Frames left out
    // are not kept: drained() asks for the newest once the server has read what was queued.
    bool sendFrames(const QByteArray& bytes);

    // Whether what the server sends waits for the passes.
    void setReadAtPasses(bool atPasses);
    // A pass: reads what came, at most every so often.
    void pass();

    // The only waits, for the launch and for quitting.
    bool waitForConnected(int milliseconds) { return m_socket.waitForConnected(milliseconds); }

    void waitForReadyRead(int milliseconds) { m_socket.waitForReadyRead(milliseconds); }

    void waitForBytesWritten(int milliseconds) { m_socket.waitForBytesWritten(milliseconds); }

    // Closes the connection as a client should, waiting at most that long.
    void closeGently(int milliseconds);

signals:
    void opened();
    // Frames were left out while the server did not read, and now all that was queued has gone.
    void drained();
    void received(const kelvara::openrgb::Packet& packet);
    // The connection ended, or the server sent what cannot be read.
    void lost(const QString& why);

private:
    void readIncoming();
    void readQuietly();
    void stopReadingQuietly();
    void deliver(const QByteArray& bytes);
    void fail(const QString& why);

    QTcpSocket m_socket;
    openrgb::PacketReader m_reader;
    bool m_quiet = false;
    bool m_heldByte = false;
    bool m_framesLeftOut = false;
    QElapsedTimer m_sinceRead;
};

} // namespace kelvara
