// Whatever a server describes, and whatever a keyboard file holds: the controller data placed and
// drawn, and the bytes read as a keyboard file for a controller of as many LEDs as the first byte
// says, then written out again.

#include "led/keyboardfile.h"
#include "led/ledplacement.h"

#include <cstddef>
#include <cstdint>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvara;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto controller = openrgb::parseControllerData(bytes, openrgb::highestVersion)) {
        const LedPlacement placement = placeLeds(*controller);
        writeKeyboardFile({controller->name, placement.kind, placement.drawing},
                          controller->ledNames);
    }
    const std::size_t leds = size > 0 ? std::size_t(data[0]) * 4 : 0;
    const auto file = readKeyboardFile(bytes, leds);
    if (const auto* usable = std::get_if<KeyboardFile>(&file)) {
        writeKeyboardFile(*usable, {});
    }
    return 0;
}
