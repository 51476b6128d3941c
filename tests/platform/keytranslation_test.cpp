#include "input/keylayouttable.h"
#include "platform/keytranslation.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

#include <array>
#include <linux/input-event-codes.h>

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

} // namespace
} // namespace kelvara
