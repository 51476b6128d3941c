#include "platform/keystatetracker.h"
#include "platform/keytranslation.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace kelvara {
namespace {

constexpr int keyboard = 1;
constexpr int otherKeyboard = 2;

TEST(KeyStateTracker, LetterPressRepeatAndRelease)
{
    KeyStateTracker keys;
    const auto press = keys.feed(keyboard, KEY_A, 1);
    ASSERT_TRUE(press);
    EXPECT_EQ(press->type, Event::Type::KeyDown);
    EXPECT_EQ(press->keyCode, 0);
    EXPECT_FALSE(press->isARepeat);
    const auto repeat = keys.feed(keyboard, KEY_A, 2);
    ASSERT_TRUE(repeat);
    EXPECT_TRUE(repeat->isARepeat);
    EXPECT_FALSE(keys.feed(keyboard, KEY_A, 0));
}

TEST(KeyStateTracker, ModifierFlagsAreTheStateAfterTheChangeOverAllDevices)
{
    KeyStateTracker keys;
    EXPECT_EQ(keys.feed(keyboard, KEY_LEFTSHIFT, 1)->modifierFlags, shiftFlag);
    EXPECT_EQ(keys.feed(otherKeyboard, KEY_RIGHTSHIFT, 1)->modifierFlags, shiftFlag);
    const auto oneReleased = keys.feed(keyboard, KEY_LEFTSHIFT, 0);
    EXPECT_EQ(oneReleased->keyCode, 56);
    EXPECT_EQ(oneReleased->modifierFlags, shiftFlag); // the other Shift is still held
    EXPECT_EQ(keys.feed(otherKeyboard, KEY_RIGHTSHIFT, 0)->modifierFlags, 0u);
    EXPECT_EQ(keys.feed(keyboard, KEY_LEFTMETA, 1)->modifierFlags, commandFlag);
    EXPECT_EQ(keys.feed(keyboard, KEY_RIGHTALT, 1)->modifierFlags, commandFlag | optionFlag);
    EXPECT_FALSE(keys.feed(keyboard, KEY_RIGHTALT, 2)); // modifiers do not repeat
}

TEST(KeyStateTracker, ARemovedDeviceNoLongerHoldsItsModifiers)
{
    KeyStateTracker keys;
    keys.feed(keyboard, KEY_LEFTCTRL, 1);
    keys.feed(otherKeyboard, KEY_LEFTALT, 1);
    keys.forgetSource(keyboard);
    EXPECT_EQ(keys.modifierFlags(), optionFlag);
    // A release of a key never seen pressed is tolerated.
    EXPECT_EQ(keys.feed(keyboard, KEY_LEFTCTRL, 0)->modifierFlags, optionFlag);
}

TEST(KeyStateTracker, CapsLockGivesOneEventPerPressAndToggles)
{
    KeyStateTracker keys;
    const auto on = keys.feed(keyboard, KEY_CAPSLOCK, 1);
    ASSERT_TRUE(on);
    EXPECT_EQ(on->keyCode, 57);
    EXPECT_EQ(on->modifierFlags, capsLockFlag);
    EXPECT_FALSE(keys.feed(keyboard, KEY_CAPSLOCK, 0));
    const auto off = keys.feed(keyboard, KEY_CAPSLOCK, 1);
    ASSERT_TRUE(off);
    EXPECT_EQ(off->modifierFlags, 0u);
}

TEST(KeyStateTracker, FnSetsOnlyTheFunctionFlag)
{
    KeyStateTracker keys;
    const auto fn = keys.feed(keyboard, KEY_FN, 1);
    ASSERT_TRUE(fn);
    EXPECT_EQ(fn->keyCode, 63);
    EXPECT_EQ(fn->modifierFlags, functionFlag);
}

TEST(KeyStateTracker, MediaKeysCarryTypeStateAndRepeatInData1)
{
    KeyStateTracker keys;
    const auto down = keys.feed(keyboard, KEY_VOLUMEUP, 1);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->type, Event::Type::SystemDefined);
    EXPECT_EQ(down->data1, 0x0A00);
    EXPECT_EQ(keys.feed(keyboard, KEY_VOLUMEUP, 2)->data1, 0x0A01);
    EXPECT_EQ(keys.feed(keyboard, KEY_VOLUMEUP, 0)->data1, 0x0B00);
    EXPECT_EQ(keys.feed(keyboard, KEY_NEXTSONG, 1)->data1, 17 << 16 | 0x0A00);
}

TEST(KeyStateTracker, UnknownKeysAndValuesMakeNoEvent)
{
    KeyStateTracker keys;
    EXPECT_FALSE(keys.feed(keyboard, BTN_LEFT, 1));
    EXPECT_FALSE(keys.feed(keyboard, KEY_A, 3));
    EXPECT_FALSE(keys.feed(keyboard, KEY_A, -1));
}

} // namespace
} // namespace kelvara
