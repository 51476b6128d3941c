#include "platform/keytranslation.h"

#include <QKeyEvent>

#include <algorithm>
#include <array>
#include <utility>

namespace kelvara {

namespace {

constexpr KeyTranslation linuxKeys[] = {
#include "platform/linuxkeycodes.inc"
};

// Platforms without scan codes (offscreen, synthetic events) only tell the key they produced;
// these are the keys of a US layout, by Linux key code.
constexpr std::array<std::pair<int, int>, 61> usLayoutKeys{{
    {Qt::Key_Escape, 1},
    {Qt::Key_1, 2},
    {Qt::Key_2, 3},
    {Qt::Key_3, 4},
    {Qt::Key_4, 5},
    {Qt::Key_5, 6},
    {Qt::Key_6, 7},
    {Qt::Key_7, 8},
    {Qt::Key_8, 9},
    {Qt::Key_9, 10},
    {Qt::Key_0, 11},
    {Qt::Key_Minus, 12},
    {Qt::Key_Equal, 13},
    {Qt::Key_Backspace, 14},
    {Qt::Key_Tab, 15},
    {Qt::Key_Q, 16},
    {Qt::Key_W, 17},
    {Qt::Key_E, 18},
    {Qt::Key_R, 19},
    {Qt::Key_T, 20},
    {Qt::Key_Y, 21},
    {Qt::Key_U, 22},
    {Qt::Key_I, 23},
    {Qt::Key_O, 24},
    {Qt::Key_P, 25},
    {Qt::Key_Return, 28},
    {Qt::Key_A, 30},
    {Qt::Key_S, 31},
    {Qt::Key_D, 32},
    {Qt::Key_F, 33},
    {Qt::Key_G, 34},
    {Qt::Key_H, 35},
    {Qt::Key_J, 36},
    {Qt::Key_K, 37},
    {Qt::Key_L, 38},
    {Qt::Key_Semicolon, 39},
    {Qt::Key_Z, 44},
    {Qt::Key_X, 45},
    {Qt::Key_C, 46},
    {Qt::Key_V, 47},
    {Qt::Key_B, 48},
    {Qt::Key_N, 49},
    {Qt::Key_M, 50},
    {Qt::Key_Comma, 51},
    {Qt::Key_Period, 52},
    {Qt::Key_Slash, 53},
    {Qt::Key_Space, 57},
    {Qt::Key_Up, 103},
    {Qt::Key_Left, 105},
    {Qt::Key_Right, 106},
    {Qt::Key_Down, 108},
    {Qt::Key_Delete, 111},
    {Qt::Key_Shift, 42},
    {Qt::Key_Control, 29},
    {Qt::Key_Alt, 56},
    {Qt::Key_Meta, 125},
    {Qt::Key_CapsLock, 58},
    {Qt::Key_VolumeMute, 113},
    {Qt::Key_VolumeDown, 114},
    {Qt::Key_VolumeUp, 115},
    {Qt::Key_MediaPlay, 164},
}};

} // namespace

std::optional<KeyTranslation> translateEvdevKey(int evdevCode)
{
    const auto it =
        std::lower_bound(std::begin(linuxKeys), std::end(linuxKeys), evdevCode,
                         [](const KeyTranslation& key, int code) { return key.evdevCode < code; });
    if (it == std::end(linuxKeys) || it->evdevCode != evdevCode) {
        return std::nullopt;
    }
    return *it;
}

std::optional<KeyTranslation> translateQtKeyEvent(const QKeyEvent& event)
{
    const quint32 scanCode = event.nativeScanCode();
    if (scanCode > 8) {
        return translateEvdevKey(static_cast<int>(scanCode - 8));
    }
    const int key = event.key();
    const auto it = std::find_if(usLayoutKeys.begin(), usLayoutKeys.end(),
                                 [key](const auto& entry) { return entry.first == key; });
    if (it == usLayoutKeys.end()) {
        return std::nullopt;
    }
    return translateEvdevKey(it->second);
}

} // namespace kelvara
