#include "support/referencekeyboards.h"

#include <gtest/gtest.h>

namespace kelvara::testing {

std::vector<ReferenceKeyboard> referenceKeyboards()
{
    std::vector<ReferenceKeyboard> keyboards = readReferenceKeyboards();
    EXPECT_FALSE(keyboards.empty()) << "tests/led/data/openrgb-keyboards.json cannot be read";
    return keyboards;
}

ReferenceKeyboard referenceKeyboard(const QString& id)
{
    for (ReferenceKeyboard& keyboard : referenceKeyboards()) {
        if (keyboard.id == id) {
            return keyboard;
        }
    }
    ADD_FAILURE() << "no reference keyboard " << id.toStdString();
    return {};
}

openrgb::Controller asServed(const FakeOpenRgbServer::Device& device)
{
    const auto c = openrgb::parseControllerData(FakeOpenRgbServer::encodeDevice(device, 6), 6);
    EXPECT_TRUE(c) << device.name.toStdString();
    return c.value_or(openrgb::Controller{});
}

} // namespace kelvara::testing
