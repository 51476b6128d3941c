#include "platform/keystatetracker.h"
#include "platform/keytranslation.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace kelvara {
namespace {

constexpr int keyboard = 1;
constexpr int otherKeyboard = 2;

TEST(KeyStateTracker, LettersRepeatButMakeNothingOnRelease)
{
    KeyStateTracker keys;
    EXPECT_FALSE(keys.feed(keyboard, KEY_A, 1)->isARepeat);
    EXPECT_TRUE(keys.feed(keyboard, KEY_A, 2)->isARepeat);
    EXPECT_FALSE(keys.feed(keyboard, KEY_A, 0));
    EXPECT_FALSE(keys.feed(keyboard, KEY_A, 3));
    EXPECT_FALSE(keys.feed(keyboard, BTN_LEFT, 1));
}

TEST(KeyStateTracker, ModifierFlagsAreTheStateAfterTheChangeOverAllDevices)
{
    KeyStateTracker keys;
    EXPECT_EQ(keys.feed(keyboard, KEY_LEFTSHIFT, 1)->modifierFlags, shiftFlag);
    EXPECT_EQ(keys.feed(otherKeyboard, KEY_RIGHTSHIFT, 1)->modifierFlags, shiftFlag);
    EXPECT_EQ(keys.feed(keyboard, KEY_LEFTSHIFT, 0)->modifierFlags, shiftFlag); // one still held
    EXPECT_EQ(keys.feed(otherKeyboard, KEY_RIGHTSHIFT, 0)->modifierFlags, 0u);
    EXPECT_EQ(keys.feed(keyboard, KEY_LEFTMETA, 1)->modifierFlags, commandFlag);
    EXPECT_FALSE(keys.feed(keyboard, KEY_LEFTMETA, 2)); // modifiers do not repeat
    keys.feed(otherKeyboard, KEY_LEFTALT, 1);
    keys.forgetSource(keyboard); // unplugged: its Command is no longer held
    EXPECT_EQ(keys.modifierFlags(), optionFlag);
    EXPECT_EQ(keys.feed(keyboard, KEY_LEFTCTRL, 0)->modifierFlags, optionFlag); // never pressed
    EXPECT_EQ(keys.feed(keyboard, KEY_FN, 1)->modifierFlags, optionFlag | functionFlag);
}

TEST(KeyStateTracker, CapsLockGivesOneEventPerPressAndMediaKeysTheirData)
{
    KeyStateTracker keys;
    EXPECT_EQ(keys.feed(keyboard, KEY_CAPSLOCK, 1)->modifierFlags, capsLockFlag);
    EXPECT_FALSE(keys.feed(keyboard, KEY_CAPSLOCK, 0));
    EXPECT_EQ(keys.feed(keyboard, KEY_CAPSLOCK, 1)->modifierFlags, 0u);

    const auto down = keys.feed(keyboard, KEY_VOLUMEUP, 1);
    EXPECT_EQ(down->type, Event::Type::SystemDefined);
    EXPECT_EQ(down->data1, 0x0A00);
    EXPECT_EQ(keys.feed(keyboard, KEY_VOLUMEUP, 2)->data1, 0x0A01);
    EXPECT_EQ(keys.feed(keyboard, KEY_VOLUMEUP, 0)->data1, 0x0B00);
    EXPECT_EQ(keys.feed(keyboard, KEY_NEXTSONG, 1)->data1, 17 << 16 | 0x0A00);
}

} // namespace
} // namespace kelvara
