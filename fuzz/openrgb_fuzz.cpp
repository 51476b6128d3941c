// Whatever a server sends: split into packets, then read as controller lists and controller data
// at every protocol version the client speaks.

#include "led/openrgbprotocol.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvara::openrgb;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    PacketReader reader;
    reader.append(bytes);
    while (const auto packet = reader.next()) {
        for (quint32 version = lowestVersion; version <= highestVersion; ++version) {
            parseControllerIds(packet->payload, version);
            if (const auto controller = parseControllerData(packet->payload, version)) {
                for (const Mode& mode : controller->modes) {
                    encodeUpdateMode(0, 0, mode.block);
                }
                encodeUpdateLeds(0, controller->colours);
            }
        }
    }
    for (quint32 version = lowestVersion; version <= highestVersion; ++version) {
        parseControllerData(bytes, version);
    }
    return 0;
}
