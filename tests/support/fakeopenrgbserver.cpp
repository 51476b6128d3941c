#include "support/fakeopenrgbserver.h"

#include "led/ledkeynames.h"
#include "led/openrgbprotocol.h"

#include <QMetaObject>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

namespace kelvara::testing {

using namespace openrgb;

namespace {

void u16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void u32(QByteArray& out, quint32 value)
{
    out += encodeU32(value);
}

void str16(QByteArray& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\0';
    u16(out, quint16(bytes.size()));
    out += bytes;
}

QByteArray mode(const QString& name, quint32 version)
{
    QByteArray out;
    str16(out, name);
    if (version < 6) {
        u32(out, 7); // value
    }
    u32(out, name == QStringLiteral("Direct") || name == QStringLiteral("Static") ? 0x20 : 0);
    for (int i = 0; i < (version >= 3 ? 9 : 6); ++i) {
        u32(out, 0);
    }
    u32(out, 1); // per-LED colours
    u16(out, 0);
    return out;
}

} // namespace

std::vector<QString> FakeOpenRgbServer::fullKeyboardLeds()
{
    std::vector<QString> leds;
    for (int hid = 0; hid < 256; ++hid) {
        const auto& names = ledNamesForHidCode(hid);
        if (!names.empty()) {
            leds.push_back(names.front());
        }
    }
    for (const std::int64_t name : {0xFFF1, 0xFFF2, 0xFFF3, 0xFFF4, 0xFFF5, 0xFFFF1}) {
        leds.push_back(ledNamesForKeyName(name).front());
    }
    return leds;
}

FakeOpenRgbServer::Device FakeOpenRgbServer::keyboard(QString name, int activeMode)
{
    Device device;
    device.name = std::move(name);
    device.leds = fullKeyboardLeds();
    device.modes = {QStringLiteral("Static"), QStringLiteral("Direct"), QStringLiteral("Wave")};
    device.activeMode = activeMode;
    return device;
}

std::vector<quint32> FakeOpenRgbServer::colours(const QByteArray& payload)
{
    const quint16 count =
        payload.size() >= 6 ? qFromLittleEndian<quint16>(payload.constData() + 4) : quint16(0);
    if (payload.size() != 6 + 4 * count ||
        qFromLittleEndian<quint32>(payload.constData()) != quint32(payload.size())) {
        return {};
    }
    std::vector<quint32> colours(count);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        colours[i] = qFromLittleEndian<quint32>(payload.constData() + 6 + 4 * qsizetype(i));
    }
    return colours;
}

QByteArray FakeOpenRgbServer::encodeDevice(const Device& device, quint32 version)
{
    QByteArray out;
    u32(out, quint32(device.type));
    str16(out, device.name);
    str16(out, QStringLiteral("Vendor"));
    for (int i = 0; i < 4; ++i) {
        str16(out, QString());
    }
    u16(out, quint16(device.modes.size()));
    u32(out, quint32(device.activeMode));
    for (const QString& name : device.modes) {
        out += mode(name, version);
    }
    std::vector<Zone> zones = device.zones;
    if (zones.empty()) {
        zones.push_back(Zone{QStringLiteral("Keyboard"), quint32(device.leds.size()), 0, 0, {}});
    }
    u16(out, quint16(zones.size()));
    for (const Zone& zone : zones) {
        str16(out, zone.name);
        u32(out, zone.matrix.empty() ? 1 : 2); // linear or matrix
        for (int i = 0; i < 3; ++i) {
            u32(out, zone.ledsCount);
        }
        if (zone.matrix.empty()) {
            u16(out, 0);
        } else {
            u16(out, quint16(8 + 4 * zone.matrix.size()));
            u32(out, zone.matrixHeight);
            u32(out, zone.matrixWidth);
            for (const quint32 cell : zone.matrix) {
                u32(out, cell);
            }
        }
        if (version >= 4) {
            u16(out, 0);
        }
        if (version >= 5) {
            u32(out, 0);
        }
        if (version >= 6) {
            u32(out, quint32(-1));
            u16(out, 0);
            str16(out, QString());
        }
    }
    u16(out, quint16(device.leds.size()));
    for (const QString& led : device.leds) {
        str16(out, led);
        if (version < 6) {
            u32(out, 0);
        }
    }
    u16(out, quint16(device.leds.size()));
    for (std::size_t i = 0; i < device.leds.size(); ++i) {
        u32(out, i < device.colours.size() ? device.colours[i] : device.restingColour);
    }
    if (version >= 5) {
        u16(out, 0);
        u32(out, 0);
    }
    if (version >= 6) {
        str16(out, QString());
        u32(out, 2);
        out += QByteArray("{}");
    }
    return encodeU32(quint32(out.size() + 4)) + out;
}

FakeOpenRgbServer::FakeOpenRgbServer(quint32 version, std::vector<Device> devices, quint16 port)
    : m_version(version)
    , m_devices(std::move(devices))
    , m_port(port)
{
    m_thread.start();
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    restart();
}

FakeOpenRgbServer::~FakeOpenRgbServer()
{
    stop();
    QMetaObject::invokeMethod(
        m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void FakeOpenRgbServer::stop()
{
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            if (m_server) {
                const auto sockets = m_server->findChildren<QTcpSocket*>();
                for (QTcpSocket* socket : sockets) {
                    socket->abort();
                }
                m_server->close();
                delete m_server;
                m_server = nullptr;
            }
        },
        Qt::BlockingQueuedConnection);
}

void FakeOpenRgbServer::announceDevices(std::vector<Device> devices)
{
    QMetaObject::invokeMethod(
        m_context,
        [this, &devices] {
            m_devices = std::move(devices);
            const auto sockets = m_server->findChildren<QTcpSocket*>();
            for (QTcpSocket* socket : sockets) {
                socket->write(encodePacket(0, deviceListUpdated));
            }
        },
        Qt::BlockingQueuedConnection);
}

void FakeOpenRgbServer::restart()
{
    QMetaObject::invokeMethod(
        m_context, [this] { run(); }, Qt::BlockingQueuedConnection);
}

std::vector<FakeOpenRgbServer::Received> FakeOpenRgbServer::received(quint32 packetId) const
{
    QMutexLocker lock(&m_mutex);
    std::vector<Received> matching;
    for (const Received& r : m_received) {
        if (r.id == packetId) {
            matching.push_back(r);
        }
    }
    return matching;
}

void FakeOpenRgbServer::clearReceived()
{
    QMutexLocker lock(&m_mutex);
    m_received.clear();
}

void FakeOpenRgbServer::setPaused(bool paused)
{
    m_paused = paused;
    if (!paused) {
        // What waited in the sockets' buffers is read now.
        QMetaObject::invokeMethod(m_context, [this] {
            const QList<QTcpSocket*> sockets = m_server->findChildren<QTcpSocket*>();
            for (QTcpSocket* socket : sockets) {
                emit socket->readyRead();
            }
        });
    }
}

void FakeOpenRgbServer::run()
{
    m_server = new QTcpServer;
    m_server->listen(QHostAddress::LocalHost, m_port);
    m_port = m_server->serverPort();
    QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] {
        QTcpSocket* socket = m_server->nextPendingConnection();
        const int connection = ++m_connections;
        // Small, so that a server that stops reading soon leaves what comes to the kernel.
        socket->setReadBufferSize(64 * 1024);
        auto reader = std::make_shared<PacketReader>();
        QObject::connect(
            socket, &QTcpSocket::readyRead, socket, [this, socket, reader, connection] {
                if (m_paused) {
                    return;
                }
                reader->append(socket->readAll());
                while (const auto packet = reader->next()) {
                    {
                        QMutexLocker lock(&m_mutex);
                        m_received.push_back({packet->deviceId, packet->id, packet->payload,
                                              std::chrono::steady_clock::now(), connection});
                    }
                    const auto reply = [socket](quint32 dev, quint32 id,
                                                const QByteArray& payload) {
                        socket->write(encodePacket(dev, id, payload));
                    };
                    if (m_version >= 6 && packet->id != requestProtocolVersion) {
                        reply(packet->deviceId, ack, encodeU32(packet->id) + encodeU32(0));
                    }
                    switch (packet->id) {
                    case requestProtocolVersion:
                        reply(0, requestProtocolVersion, encodeU32(m_version));
                        break;
                    case requestControllerCount: {
                        QByteArray ids = encodeU32(quint32(m_devices.size()));
                        if (m_version >= 6) {
                            for (std::size_t i = 0; i < m_devices.size(); ++i) {
                                ids += encodeU32(quint32(100 + i));
                            }
                        }
                        reply(0, requestControllerCount, ids);
                        break;
                    }
                    case requestControllerData: {
                        const quint32 index =
                            m_version >= 6 ? packet->deviceId - 100 : packet->deviceId;
                        if (index >= m_devices.size()) {
                            break;
                        }
                        QByteArray data = encodeDevice(m_devices[index], m_version);
                        if (m_devices[index].unreadable) {
                            data.truncate(data.size() / 2);
                            qToLittleEndian<quint32>(quint32(data.size()), data.data());
                        }
                        QByteArray bytes =
                            encodePacket(packet->deviceId, requestControllerData, data);
                        switch (m_fault.load()) {
                        case Fault::BadMagic:
                            bytes[0] = 'X';
                            break;
                        case Fault::Truncated:
                            bytes = encodePacket(packet->deviceId, 1, data.left(40));
                            break;
                        case Fault::Oversized:
                            qToLittleEndian<quint32>(maxPayload + 1, bytes.data() + 12);
                            break;
                        case Fault::WrongInnerSize:
                            qToLittleEndian<quint32>(7, bytes.data() + 16);
                            break;
                        case Fault::None:
                            break;
                        }
                        socket->write(bytes);
                        break;
                    }
                    case updateLeds: {
                        // The server keeps the colours, and at version 6 tells every client;
                        // a device it does not have changes nothing and tells nobody.
                        const quint32 index =
                            m_version >= 6 ? packet->deviceId - 100 : packet->deviceId;
                        if (index >= m_devices.size()) {
                            break;
                        }
                        m_devices[index].colours = colours(packet->payload);
                        if (m_version >= 6) {
                            const QByteArray signal =
                                encodeU32(quint32(packet->payload.size() + 4)) + encodeU32(0) +
                                packet->payload.mid(4);
                            const auto sockets = m_server->findChildren<QTcpSocket*>();
                            for (QTcpSocket* client : sockets) {
                                client->write(encodePacket(packet->deviceId, signalUpdate, signal));
                            }
                        }
                        break;
                    }
                    default:
                        break;
                    }
                }
            });
    });
}

} // namespace kelvara::testing
