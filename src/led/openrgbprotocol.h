#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kelvara::openrgb {

// The OpenRGB SDK wire format: little-endian, a 16-byte header ("ORGB", device id, packet id,
// payload size) before every payload. Everything read from a server is checked against what was
// received; nothing here trusts a size field.

inline constexpr quint32 requestControllerCount = 0;
inline constexpr quint32 requestControllerData = 1;
inline constexpr quint32 ack = 10;
inline constexpr quint32 requestProtocolVersion = 40;
inline constexpr quint32 setClientName = 50;
inline constexpr quint32 setClientFlags = 52;
inline constexpr quint32 deviceListUpdated = 100;
inline constexpr quint32 updateLeds = 1050;
inline constexpr quint32 updateMode = 1101;
inline constexpr quint32 signalUpdate = 1150;

inline constexpr quint32 highestVersion = 6;
inline constexpr quint32 lowestVersion = 4;
inline constexpr int keyboardType = 5;
inline constexpr int keypadType = 18;
inline constexpr int laptopType = 19;
// A matrix cell with no LED behind it.
inline constexpr quint32 noMatrixCell = 0xFFFFFFFF;
inline constexpr quint32 perLedColorFlag = 0x20;
inline constexpr quint32 colorModePerLed = 1;
// Larger payloads are refused, as the server itself refuses them.
inline constexpr quint32 maxPayload = 8u * 1024 * 1024;
inline constexpr int headerSize = 16;

struct Packet
{
    quint32 deviceId = 0;
    quint32 id = 0;
    QByteArray payload;
};

QByteArray encodePacket(quint32 deviceId, quint32 id, const QByteArray& payload = {});
QByteArray encodeU32(quint32 value);
// One frame of colours (0x00BBGGRR each) for a controller; appended to frames, which keeps what
// it had.
QByteArray encodeUpdateLeds(quint32 deviceId, std::span<const quint32> colours);
void appendUpdateLeds(QByteArray& frames, quint32 deviceId, std::span<const quint32> colours);
// Selects and applies mode modeIndex, with the mode's block as the server sent it.
QByteArray encodeUpdateMode(quint32 deviceId, qint32 modeIndex, const QByteArray& modeBlock);

// Splits a byte stream into packets. A bad magic or an oversized packet is an error that ends
// the connection.
class PacketReader
{
public:
    void append(const QByteArray& bytes) { m_buffer.append(bytes); }

    // The next whole packet, if one has arrived.
    std::optional<Packet> next();

    bool failed() const { return m_failed; }

private:
    QByteArray m_buffer;
    bool m_failed = false;
};

struct Mode
{
    QString name;
    quint32 flags = 0;
    quint32 colorMode = 0;
    QByteArray block; // as received, for echoing back
};

struct Zone
{
    QString name;
    quint32 ledsCount = 0;
    // Row-major cells of LED indices relative to the zone's first LED, or noMatrixCell; empty when
    // the zone has no matrix or sent one whose size does not add up.
    quint32 matrixHeight = 0;
    quint32 matrixWidth = 0;
    std::vector<quint32> matrix;
};

struct Controller
{
    int type = -1;
    QString name;
    QString serial;
    QString location;
    qint32 activeMode = -1;
    std::vector<Mode> modes;
    std::vector<Zone> zones;
    std::vector<QString> ledNames;
    std::vector<quint32> colours;
};

// A REQUEST_CONTROLLER_DATA reply payload at a protocol version, or nothing when malformed.
std::optional<Controller> parseControllerData(const QByteArray& payload, quint32 version);

// The name at the head of a controller data payload whose rest may not be readable.
QString peekControllerName(const QByteArray& payload);

// The colours a version 6 server's SIGNALUPDATE carries when its reason is a colour update; nothing
// for every other reason, or when malformed.
std::optional<std::vector<quint32>> parseSignalColours(const QByteArray& payload);

// A REQUEST_CONTROLLER_COUNT reply: at version 6 the unique ids, below it the indices.
std::optional<std::vector<quint32>> parseControllerIds(const QByteArray& payload, quint32 version);

// Percent (0-100, clamped) to a wire colour.
quint32 colourFromPercent(int red, int green, int blue);

} // namespace kelvara::openrgb
