#include "led/openrgbprotocol.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kelvara::openrgb {

namespace {

// Reads little-endian fields off a payload; any read past the end marks the reader as failed and
// yields zeros from then on.
class ByteReader
{
public:
    explicit ByteReader(const QByteArray& bytes)
        : m_bytes(bytes)
    {}

    bool ok() const { return m_ok; }

    qsizetype position() const { return m_at; }

    qsizetype remaining() const { return m_bytes.size() - m_at; }

    bool skip(qsizetype count)
    {
        if (!m_ok || count < 0 || count > remaining()) {
            m_ok = false;
            return false;
        }
        m_at += count;
        return true;
    }

    quint16 u16() { return take<quint16>(); }

    quint32 u32() { return take<quint32>(); }

    qint32 i32() { return static_cast<qint32>(take<quint32>()); }

    QString str16() { return text(u16()); }

    QString str32() { return text(u32()); }

    QByteArray slice(qsizetype from, qsizetype to) const { return m_bytes.mid(from, to - from); }

private:
    template <typename T> T take()
    {
        if (!m_ok || remaining() < qsizetype(sizeof(T))) {
            m_ok = false;
            return 0;
        }
        const T value = qFromLittleEndian<T>(m_bytes.constData() + m_at);
        m_at += qsizetype(sizeof(T));
        return value;
    }

    QString text(quint32 length)
    {
        if (!m_ok || qint64(length) > qint64(remaining())) {
            m_ok = false;
            return {};
        }
        QByteArray bytes = m_bytes.mid(m_at, qsizetype(length));
        m_at += qsizetype(length);
        while (bytes.endsWith('\0')) {
            bytes.chop(1);
        }
        return QString::fromUtf8(bytes);
    }

    const QByteArray& m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

Mode readMode(ByteReader& in, quint32 version)
{
    Mode mode;
    const qsizetype start = in.position();
    mode.name = in.str16();
    if (version < 6) {
        in.u32(); // value
    }
    mode.flags = in.u32();
    in.skip(8); // speed range
    if (version >= 3) {
        in.skip(8); // brightness range
    }
    in.skip(12); // colours range, speed
    if (version >= 3) {
        in.skip(4); // brightness
    }
    in.skip(4); // direction
    mode.colorMode = in.u32();
    in.skip(qsizetype(in.u16()) * 4);
    mode.block = in.slice(start, in.position());
    return mode;
}

Zone readZone(ByteReader& in, quint32 version)
{
    Zone zone;
    zone.name = in.str16();
    in.skip(12); // type, leds min, max
    zone.ledsCount = in.u32();
    const quint16 matrixBytes = in.u16();
    if (matrixBytes >= 8) {
        const qsizetype end = in.position() + matrixBytes;
        const quint32 height = in.u32();
        const quint32 width = in.u32();
        // A map whose cells do not fill the block exactly is skipped rather than guessed at.
        if (in.ok() && height > 0 && width > 0 && quint64(height) * width * 4 + 8 == matrixBytes) {
            zone.matrixHeight = height;
            zone.matrixWidth = width;
            zone.matrix.reserve(std::size_t(height) * width);
            for (quint64 i = 0; i < quint64(height) * width && in.ok(); ++i) {
                zone.matrix.push_back(in.u32());
            }
        }
        in.skip(end - in.position());
    } else {
        in.skip(matrixBytes);
    }
    if (version >= 4) {
        const quint16 segments = in.u16();
        for (quint16 i = 0; i < segments && in.ok(); ++i) {
            in.str16();
            in.skip(12);
            if (version >= 6) {
                in.skip(in.u16());
                in.skip(4);
            }
        }
    }
    if (version >= 5) {
        in.skip(4); // flags
    }
    if (version >= 6) {
        in.skip(4); // zone mode
        const quint16 zoneModes = in.u16();
        for (quint16 i = 0; i < zoneModes && in.ok(); ++i) {
            readMode(in, version);
        }
        in.str16();
    }
    return zone;
}

} // namespace

QByteArray encodeU32(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray encodePacket(quint32 deviceId, quint32 id, const QByteArray& payload)
{
    QByteArray out("ORGB", 4);
    out += encodeU32(deviceId);
    out += encodeU32(id);
    out += encodeU32(quint32(payload.size()));
    out += payload;
    return out;
}

QByteArray encodeUpdateLeds(quint32 deviceId, std::span<const quint32> colours)
{
    QByteArray packet;
    appendUpdateLeds(packet, deviceId, colours);
    return packet;
}

void appendUpdateLeds(QByteArray& frames, quint32 deviceId, std::span<const quint32> colours)
{
    const auto count = quint16(std::min<std::size_t>(colours.size(), 0xFFFF));
    const auto payloadSize = quint32(6 + 4 * count);
    // Written in place: this runs for every keyboard on every frame.
    const qsizetype at = frames.size();
    frames.resize(at + qsizetype(headerSize + payloadSize));
    char* out = frames.data() + at;
    std::memcpy(out, "ORGB", 4);
    qToLittleEndian(deviceId, out + 4);
    qToLittleEndian(updateLeds, out + 8);
    qToLittleEndian(payloadSize, out + 12);
    qToLittleEndian(payloadSize, out + 16);
    qToLittleEndian(count, out + 20);
    for (quint16 i = 0; i < count; ++i) {
        qToLittleEndian(colours[i], out + 22 + 4 * i);
    }
}

QByteArray encodeUpdateMode(quint32 deviceId, qint32 modeIndex, const QByteArray& modeBlock)
{
    QByteArray payload = encodeU32(quint32(8 + modeBlock.size()));
    payload += encodeU32(quint32(modeIndex));
    payload += modeBlock;
    return encodePacket(deviceId, updateMode, payload);
}

std::optional<Packet> PacketReader::next()
{
    if (m_failed || m_buffer.size() < headerSize) {
        return std::nullopt;
    }
    if (!m_buffer.startsWith("ORGB")) {
        m_failed = true;
        return std::nullopt;
    }
    const auto* bytes = m_buffer.constData();
    const quint32 size = qFromLittleEndian<quint32>(bytes + 12);
    if (size > maxPayload) {
        m_failed = true;
        return std::nullopt;
    }
    if (m_buffer.size() < headerSize + qsizetype(size)) {
        return std::nullopt;
    }
    Packet packet{qFromLittleEndian<quint32>(bytes + 4), qFromLittleEndian<quint32>(bytes + 8),
                  m_buffer.mid(headerSize, qsizetype(size))};
    m_buffer.remove(0, headerSize + qsizetype(size));
    return packet;
}

std::optional<Controller> parseControllerData(const QByteArray& payload, quint32 version)
{
    ByteReader in(payload);
    if (in.u32() != quint32(payload.size())) {
        return std::nullopt; // the size field counts the whole payload
    }
    Controller c;
    c.type = in.i32();
    c.name = in.str16();
    if (version >= 1) {
        in.str16(); // vendor
    }
    in.str16(); // description
    in.str16(); // version
    c.serial = in.str16();
    c.location = in.str16();
    const quint16 modes = in.u16();
    c.activeMode = in.i32();
    for (quint16 i = 0; i < modes && in.ok(); ++i) {
        c.modes.push_back(readMode(in, version));
    }
    const quint16 zones = in.u16();
    for (quint16 i = 0; i < zones && in.ok(); ++i) {
        c.zones.push_back(readZone(in, version));
    }
    const quint16 leds = in.u16();
    for (quint16 i = 0; i < leds && in.ok(); ++i) {
        c.ledNames.push_back(in.str16());
        if (version < 6) {
            in.u32();
        }
    }
    const quint16 colours = in.u16();
    for (quint16 i = 0; i < colours && in.ok(); ++i) {
        c.colours.push_back(in.u32());
    }
    if (!in.ok()) {
        return std::nullopt;
    }
    return c;
}

QString peekControllerName(const QByteArray& payload)
{
    ByteReader in(payload);
    in.u32(); // size
    in.u32(); // type
    const QString name = in.str16();
    return in.ok() ? name : QString();
}

std::optional<std::vector<quint32>> parseSignalColours(const QByteArray& payload)
{
    ByteReader in(payload);
    if (in.u32() != quint32(payload.size()) || in.u32() != 0) {
        return std::nullopt; // 0: the colours changed; anything else carries a whole device
    }
    const quint16 count = in.u16();
    if (in.remaining() != qsizetype(count) * 4) {
        return std::nullopt;
    }
    std::vector<quint32> colours(count);
    for (quint32& colour : colours) {
        colour = in.u32();
    }
    return colours;
}

std::optional<std::vector<quint32>> parseControllerIds(const QByteArray& payload, quint32 version)
{
    ByteReader in(payload);
    const quint32 count = in.u32();
    if (!in.ok() || count > 0xFFFF) {
        return std::nullopt;
    }
    std::vector<quint32> ids;
    if (version < 6) {
        for (quint32 i = 0; i < count; ++i) {
            ids.push_back(i);
        }
        return ids;
    }
    if (in.remaining() != qsizetype(count) * 4) {
        return std::nullopt;
    }
    for (quint32 i = 0; i < count; ++i) {
        ids.push_back(in.u32());
    }
    return ids;
}

quint32 colourFromPercent(int red, int green, int blue)
{
    // Percent to 0-255, a half rounded up; in whole numbers, as it runs for every LED on every
    // frame.
    const auto channel = [](int percent) {
        return quint32((std::clamp(percent, 0, 100) * 255 + 50) / 100);
    };
    return channel(blue) << 16 | channel(green) << 8 | channel(red);
}

} // namespace kelvara::openrgb
