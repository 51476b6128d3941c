#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

// The key service's protocol, version 1, on a Unix stream socket.
//
//   client to service, once:  "KLVK" and the client's version, u32 little-endian. Nothing else.
//   service to client:        "KLVK" and the service's version, then 4-byte records:
//                             u8 kind, u8 value, u16 little-endian Linux key code.
//
// A key record's value is 0 for a release, 1 for a press and 2 for a repeat. A delivery record
// (code 0) says whether keys flow (1) or rest (0: the screen is locked, another session is
// active, or the seat cannot be known). A lost record (code 0, value 0) says that records were
// dropped because the client read too slowly. Anything else a client sends ends its connection.
namespace kelvara::keyservice {

inline constexpr std::uint32_t version = 1;
inline constexpr int helloSize = 8;
inline constexpr int recordSize = 4;
inline constexpr const char* defaultSocketPath = "/run/kelvara-keyservice.socket";

enum class Kind : std::uint8_t
{
    Key = 0,
    Delivery = 1,
    Lost = 2
};

struct Record
{
    Kind kind;
    std::uint8_t value;
    std::uint16_t code;

    friend bool operator==(const Record&, const Record&) = default;
};

QByteArray encodeHello(std::uint32_t helloVersion = version);
// The version a hello carries, if the bytes are one.
std::optional<std::uint32_t> helloVersion(const QByteArray& bytes);

QByteArray encodeRecord(const Record& record);
// Null for a record of a kind or value this version does not know.
std::optional<Record> decodeRecord(const char* bytes);

} // namespace kelvara::keyservice
