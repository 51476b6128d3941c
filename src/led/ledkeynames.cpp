#include "led/ledkeynames.h"

#include <functional>
#include <map>

namespace kelvara {

namespace {

const std::map<std::int64_t, std::vector<QString>>& hidNames()
{
    static const std::map<std::int64_t, std::vector<QString>> names{
        {41, {QStringLiteral("Key: Escape")}},
        {58, {QStringLiteral("Key: F1")}},
        {59, {QStringLiteral("Key: F2")}},
        {60, {QStringLiteral("Key: F3")}},
        {61, {QStringLiteral("Key: F4")}},
        {62, {QStringLiteral("Key: F5")}},
        {63, {QStringLiteral("Key: F6")}},
        {64, {QStringLiteral("Key: F7")}},
        {65, {QStringLiteral("Key: F8")}},
        {66, {QStringLiteral("Key: F9")}},
        {67, {QStringLiteral("Key: F10")}},
        {68, {QStringLiteral("Key: F11")}},
        {69, {QStringLiteral("Key: F12")}},
        {70, {QStringLiteral("Key: Print Screen")}},
        {71, {QStringLiteral("Key: Scroll Lock")}},
        {72, {QStringLiteral("Key: Pause/Break")}},
        {53, {QStringLiteral("Key: `")}},
        {30, {QStringLiteral("Key: 1")}},
        {31, {QStringLiteral("Key: 2")}},
        {32, {QStringLiteral("Key: 3")}},
        {33, {QStringLiteral("Key: 4")}},
        {34, {QStringLiteral("Key: 5")}},
        {35, {QStringLiteral("Key: 6")}},
        {36, {QStringLiteral("Key: 7")}},
        {37, {QStringLiteral("Key: 8")}},
        {38, {QStringLiteral("Key: 9")}},
        {39, {QStringLiteral("Key: 0")}},
        {45, {QStringLiteral("Key: -")}},
        {46, {QStringLiteral("Key: ="), QStringLiteral("Key: +")}},
        {42, {QStringLiteral("Key: Backspace")}},
        {73, {QStringLiteral("Key: Insert")}},
        {74, {QStringLiteral("Key: Home")}},
        {75, {QStringLiteral("Key: Page Up")}},
        {83, {QStringLiteral("Key: Num Lock")}},
        {84, {QStringLiteral("Key: Number Pad /")}},
        {85, {QStringLiteral("Key: Number Pad *")}},
        {86, {QStringLiteral("Key: Number Pad -")}},
        {43, {QStringLiteral("Key: Tab")}},
        {20, {QStringLiteral("Key: Q")}},
        {26, {QStringLiteral("Key: W")}},
        {8, {QStringLiteral("Key: E")}},
        {21, {QStringLiteral("Key: R")}},
        {23, {QStringLiteral("Key: T")}},
        {28, {QStringLiteral("Key: Y")}},
        {24, {QStringLiteral("Key: U")}},
        {12, {QStringLiteral("Key: I")}},
        {18, {QStringLiteral("Key: O")}},
        {19, {QStringLiteral("Key: P")}},
        {47, {QStringLiteral("Key: [")}},
        {48, {QStringLiteral("Key: ]")}},
        {49, {QStringLiteral("Key: \\ (ANSI)"), QStringLiteral("Key: \\")}},
        {76, {QStringLiteral("Key: Delete")}},
        {77, {QStringLiteral("Key: End")}},
        {78, {QStringLiteral("Key: Page Down")}},
        {95, {QStringLiteral("Key: Number Pad 7")}},
        {96, {QStringLiteral("Key: Number Pad 8")}},
        {97, {QStringLiteral("Key: Number Pad 9")}},
        {87, {QStringLiteral("Key: Number Pad +")}},
        {57, {QStringLiteral("Key: Caps Lock")}},
        {4, {QStringLiteral("Key: A")}},
        {22, {QStringLiteral("Key: S")}},
        {7, {QStringLiteral("Key: D")}},
        {9, {QStringLiteral("Key: F")}},
        {10, {QStringLiteral("Key: G")}},
        {11, {QStringLiteral("Key: H")}},
        {13, {QStringLiteral("Key: J")}},
        {14, {QStringLiteral("Key: K")}},
        {15, {QStringLiteral("Key: L")}},
        {51, {QStringLiteral("Key: ;")}},
        {52, {QStringLiteral("Key: '")}},
        {40, {QStringLiteral("Key: Enter"), QStringLiteral("Key: Enter (ISO)")}},
        {92, {QStringLiteral("Key: Number Pad 4")}},
        {93, {QStringLiteral("Key: Number Pad 5")}},
        {94, {QStringLiteral("Key: Number Pad 6")}},
        {225, {QStringLiteral("Key: Left Shift")}},
        {29, {QStringLiteral("Key: Z")}},
        {27, {QStringLiteral("Key: X")}},
        {6, {QStringLiteral("Key: C")}},
        {25, {QStringLiteral("Key: V")}},
        {5, {QStringLiteral("Key: B")}},
        {17, {QStringLiteral("Key: N")}},
        {16, {QStringLiteral("Key: M")}},
        {54, {QStringLiteral("Key: ,")}},
        {55, {QStringLiteral("Key: .")}},
        {56, {QStringLiteral("Key: /")}},
        {229, {QStringLiteral("Key: Right Shift")}},
        {82, {QStringLiteral("Key: Up Arrow")}},
        {89, {QStringLiteral("Key: Number Pad 1")}},
        {90, {QStringLiteral("Key: Number Pad 2")}},
        {91, {QStringLiteral("Key: Number Pad 3")}},
        {88, {QStringLiteral("Key: Number Pad Enter")}},
        {224, {QStringLiteral("Key: Left Control")}},
        {227, {QStringLiteral("Key: Left Windows")}},
        {226, {QStringLiteral("Key: Left Alt")}},
        {44, {QStringLiteral("Key: Space")}},
        {230, {QStringLiteral("Key: Right Alt")}},
        {231, {QStringLiteral("Key: Right Windows"), QStringLiteral("Key: Right Fn")}},
        {101, {QStringLiteral("Key: Menu")}},
        {228, {QStringLiteral("Key: Right Control")}},
        {80, {QStringLiteral("Key: Left Arrow")}},
        {81, {QStringLiteral("Key: Down Arrow")}},
        {79, {QStringLiteral("Key: Right Arrow")}},
        {98, {QStringLiteral("Key: Number Pad 0")}},
        {99, {QStringLiteral("Key: Number Pad .")}},
    };
    return names;
}

const std::map<std::int64_t, std::vector<QString>>& keyNameNames()
{
    static const std::map<std::int64_t, std::vector<QString>> names = [] {
        std::map<std::int64_t, std::vector<QString>> built;
        for (int g = 1; g <= 9; ++g) {
            built[0xFFF0 + g] = {QStringLiteral("Key: G%1").arg(g), QStringLiteral("G%1").arg(g)};
        }
        built[0xFFFF1] = {QStringLiteral("Logo")};
        built[0xFFFF2] = {QStringLiteral("Nameplate")};
        return built;
    }();
    return names;
}

const std::vector<QString> none;

} // namespace

const std::vector<QString>& ledNamesForHidCode(std::int64_t hidCode)
{
    const auto it = hidNames().find(hidCode);
    return it == hidNames().end() ? none : it->second;
}

const std::vector<QString>& ledNamesForKeyName(std::int64_t keyName)
{
    const auto it = keyNameNames().find(keyName);
    return it == keyNameNames().end() ? none : it->second;
}

const std::vector<std::int64_t>& namedLedCodes()
{
    static const std::vector<std::int64_t> codes = [] {
        std::vector<std::int64_t> all;
        for (const auto& names : {std::cref(hidNames()), std::cref(keyNameNames())}) {
            for (const auto& entry : names.get()) {
                all.push_back(entry.first);
            }
        }
        return all;
    }();
    return codes;
}

const std::vector<QString>& ledNamesForCode(std::int64_t code)
{
    return code < 256 ? ledNamesForHidCode(code) : ledNamesForKeyName(code);
}

} // namespace kelvara
