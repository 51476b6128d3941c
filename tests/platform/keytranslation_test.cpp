#include "input/keylayouttable.h"
#include "platform/keystatetracker.h"
#include "platform/keytranslation.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

#include <array>
#include <linux/input-event-codes.h>
#include <string>

namespace kelvara {
namespace {

// The Linux key code of every row of the key layout table but the key-name rows (rows 0 to 103,
// then the media keys), from the kernel's keyboard and consumer page tables.
constexpr std::array<int, 110> linuxCodeOfRow{
    1,   59,  60,  61, 62,  63,  64,  65, 66, 67,  68,  87,  88,  99,  70,  119, 41,  2,  3,
    4,   5,   6,   7,  8,   9,   10,  11, 12, 13,  14,  110, 102, 104, 69,  98,  55,  74, 15,
    16,  17,  18,  19, 20,  21,  22,  23, 24, 25,  26,  27,  43,  111, 107, 109, 71,  72, 73,
    78,  58,  30,  31, 32,  33,  34,  35, 36, 37,  38,  39,  40,  28,  75,  76,  77,  42, 44,
    45,  46,  47,  48, 49,  50,  51,  52, 53, 54,  103, 79,  80,  81,  96,  29,  125, 56, 57,
    100, 126, 127, 97, 105, 108, 106, 82, 83, 115, 114, 113, 164, 165, 163};

TEST(KeyTranslation, EveryKeyOfAFullSizeKeyboardReachesItsOwnRow)
{
    const KeyLayoutTable table;
    for (std::size_t i = 0; i < linuxCodeOfRow.size(); ++i) {
        const std::size_t row = i < 104 ? i : i + 11; // the key-name rows have no key
        const auto key = translateEvdevKey(linuxCodeOfRow[i]);
        ASSERT_TRUE(key) << "row " << row;
        EXPECT_EQ(table.rowForKeyCode(key->keyCode), table.rows()[row]) << "row " << row;
    }
}

struct Known
{
    const char* name;
    int evdev;
    std::int64_t keyCode;
    KeyEventKind kind;
    std::uint64_t flag;
    int mediaType;
};

class KnownKeys : public ::testing::TestWithParam<Known>
{};

TEST_P(KnownKeys, TranslateToTheirEventClass)
{
    const Known& k = GetParam();
    const auto key = translateEvdevKey(k.evdev);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->keyCode, k.keyCode);
    EXPECT_EQ(key->kind, k.kind);
    EXPECT_EQ(key->modifierFlag, k.flag);
    EXPECT_EQ(key->mediaKeyType, k.mediaType);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KnownKeys,
    ::testing::Values(Known{"ScrollLock", 70, 106, KeyEventKind::KeyDown, 0, -1},
                      Known{"RightMeta", 126, 54, KeyEventKind::FlagsChanged, commandFlag, -1},
                      Known{"CapsLock", 58, 57, KeyEventKind::FlagsChanged, capsLockFlag, -1},
                      Known{"Fn", 464, 63, KeyEventKind::FlagsChanged, functionFlag, -1},
                      Known{"PlayPause", 164, 2782, KeyEventKind::SystemDefined, 0, 16},
                      Known{"FastForward", 208, 2785, KeyEventKind::SystemDefined, 0, 19}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(KeyTranslation, UnknownKeysTranslateToNothingAndQtEventsPreferTheScanCode)
{
    for (const int evdev : {0, 191, 272 /* left mouse button */, 10000, -5}) {
        EXPECT_FALSE(translateEvdevKey(evdev)) << evdev;
    }
    const QKeyEvent scanned(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, 30 + 8, 0, 0);
    EXPECT_EQ(translateQtKeyEvent(scanned)->keyCode, 0); // the A position, whatever it produced
    const QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 0, 0, 0);
    EXPECT_EQ(translateQtKeyEvent(shift)->keyCode, 56);
    const QKeyEvent unknown(QEvent::KeyPress, Qt::Key_Launch0, Qt::NoModifier, 0, 0, 0);
    EXPECT_FALSE(translateQtKeyEvent(unknown));
}

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
