#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

// The key service's protocol, version 2, on a Unix stream socket.
//
//   client to service, once:  "KLVK" and the client's version, u32 little-endian. Nothing else.
//   service to client:        "KLVK" and the version both speak, then 4-byte records:
//                             u8 kind, u8 value, u16 little-endian Linux key code.
//
// A key record's value is 0 for a release, 1 for a press and 2 for a repeat. A delivery record
// (code 0) says whether keys flow (1) or rest (0: the screen is locked, another session is
// active, or the seat cannot be known). A lost record (code 0, value 0) says that records were
// dropped because the client read too slowly. Anything else a client sends ends its connection.
//
// Version 2 adds the lock record (code 0): the lock lights the keyboards show, bit 0 Num Lock,
// bit 1 Caps Lock, bit 2 Scroll Lock, sent after the first delivery record, whenever keys start
// to flow and at every change while they flow. A version 1 client is answered as version 1 and
// never gets one; a service that answers a version 2 hello with version 1 is asked again as
// version 1.
namespace kelvara::keyservice {

inline constexpr std::uint32_t version = 2;
inline constexpr std::uint32_t oldestVersion = 1;
inline constexpr int helloSize = 8;
inline constexpr int recordSize = 4;
inline constexpr const char* defaultSocketPath = "/run/kelvara-keyservice.socket";

enum class Kind : std::uint8_t
{
    Key = 0,
    Delivery = 1,
    Lost = 2,
    Locks = 3 // version 2
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
