#include "platform/keystatetracker.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace kelvara {
namespace {

// What the listener's tests cannot see, as it drops repeats: they are told as repeats, and the
// flags hold nothing that is not held, and Caps Lock counts its presses alone.
TEST(KeyStateTracker, RepeatsAreToldAsTheKernelSendsThem)
{
    KeyStateTracker keys;
    EXPECT_TRUE(keys.feed(1, KEY_A, 2)->isARepeat);
    EXPECT_EQ(keys.feed(1, KEY_VOLUMEUP, 2)->data1, 0x0A01);
    EXPECT_FALSE(keys.feed(1, KEY_A, 3));
    EXPECT_EQ(keys.modifierFlags(), 0u);
    EXPECT_TRUE(keys.feed(1, KEY_CAPSLOCK, 1)); // Caps Lock turns on the press, not the release
    EXPECT_FALSE(keys.feed(1, KEY_CAPSLOCK, 0));
}

} // namespace
} // namespace kelvara
