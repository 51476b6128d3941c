#pragma once

#include "led/openrgbprotocol.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

class QTcpServer;

namespace kelvara::testing {

// An OpenRGB SDK server for tests, on 127.0.0.1 in a thread of its own, speaking one protocol
// version (4, 5 or 6) from the wire layouts, with the controllers it is given. It records the
// frames and mode changes it receives. The accessors may be called from the test's thread.
class FakeOpenRgbServer
{
public:
    struct Device
    {
        int type = 5;
        QString name = QStringLiteral("Test Keyboard");
        std::vector<QString> modes{QStringLiteral("Static"), QStringLiteral("Direct")};
        int activeMode = 0;
        std::vector<QString> leds;
        // Without zones, one zone without a matrix holds every LED.
        std::vector<openrgb::Zone> zones;
        quint32 restingColour = 0x000102; // the colour every LED has before a client sets one
        std::vector<quint32> colours;     // as a client last set them, else the resting colour
        // Its data is cut short, so that a client cannot read it.
        bool unreadable = false;

        // The index of the first LED of that name, or the LED count when there is none.
        std::size_t led(const QString& ledName) const
        {
            return std::size_t(std::find(leds.begin(), leds.end(), ledName) - leds.begin());
        }
    };

    struct Received
    {
        quint32 deviceId;
        quint32 id;
        QByteArray payload;
        std::chrono::steady_clock::time_point at; // when it was read
        int connection = 0;                       // which client connection, counted from 1
    };

    // How to spoil the controller data reply.
    enum class Fault
    {
        None,
        BadMagic,
        Truncated,
        Oversized,
        WrongInnerSize
    };

    explicit FakeOpenRgbServer(quint32 version, std::vector<Device> devices, quint16 port = 0);
    ~FakeOpenRgbServer();

    quint16 port() const { return m_port; }

    void setFault(Fault fault) { m_fault = fault; }

    // Stops reading from every connection, as a server that hangs does, or reads on.
    void setPaused(bool paused);

    // Replaces the devices and tells every client that the list changed.
    void announceDevices(std::vector<Device> devices);

    // Closes every connection and stops listening, or listens again on the same port.
    void stop();
    void restart();

    std::vector<Received> received(quint32 packetId) const;
    void clearReceived();

    static std::vector<QString> fullKeyboardLeds();
    // A full-size keyboard with a Static (active at first), a Direct and a Wave mode.
    static Device keyboard(QString name = QStringLiteral("Test Keyboard"), int activeMode = 0);
    // The colours of an UPDATELEDS payload, after checking its size fields.
    static std::vector<quint32> colours(const QByteArray& updateLedsPayload);
    // The Device Data block of a device at a version, with its leading size.
    static QByteArray encodeDevice(const Device& device, quint32 version);

private:
    void run();

    quint32 m_version;
    std::vector<Device> m_devices;
    std::atomic<quint16> m_port{0};
    std::atomic<Fault> m_fault{Fault::None};
    std::atomic<bool> m_paused{false};
    QThread m_thread;
    QObject* m_context = nullptr;
    QTcpServer* m_server = nullptr;
    mutable QMutex m_mutex;
    std::vector<Received> m_received;
    int m_connections = 0;
};

} // namespace kelvara::testing
