#include "platform/keyserviceprotocol.h"

#include <QtEndian>

namespace kelvara::keyservice {

namespace {

constexpr char magic[] = "KLVK";

} // namespace

QByteArray encodeHello(std::uint32_t helloVersion)
{
    QByteArray bytes(magic, 4);
    bytes.resize(helloSize);
    qToLittleEndian(helloVersion, bytes.data() + 4);
    return bytes;
}

std::optional<std::uint32_t> helloVersion(const QByteArray& bytes)
{
    if (bytes.size() != helloSize || !bytes.startsWith(magic)) {
        return std::nullopt;
    }
    return qFromLittleEndian<std::uint32_t>(bytes.constData() + 4);
}

QByteArray encodeRecord(const Record& record)
{
    QByteArray bytes(recordSize, '\0');
    bytes[0] = char(record.kind);
    bytes[1] = char(record.value);
    qToLittleEndian(record.code, bytes.data() + 2);
    return bytes;
}

std::optional<Record> decodeRecord(const char* bytes)
{
    const auto kind = std::uint8_t(bytes[0]);
    const auto value = std::uint8_t(bytes[1]);
    const auto code = qFromLittleEndian<std::uint16_t>(bytes + 2);
    const bool known = (kind == std::uint8_t(Kind::Key) && value <= 2) ||
                       (kind == std::uint8_t(Kind::Delivery) && value <= 1 && code == 0) ||
                       (kind == std::uint8_t(Kind::Lost) && value == 0 && code == 0) ||
                       (kind == std::uint8_t(Kind::Locks) && value <= 7 && code == 0);
    if (!known) {
        return std::nullopt;
    }
    return Record{Kind(kind), value, code};
}

} // namespace kelvara::keyservice
