#pragma once

// The rows of the key layout table for a full-size US keyboard with G keys, logo and badge.
// Columns: LED code (HID usage, key-name code or media marker), virtual key code, x, y in layout
// units of the 963 x 352 reference picture (origin top-left, y down).

#include "input/keylayoutrow.h"

#include <array>

namespace kelvara {

inline constexpr std::array<KeyLayoutRow, 121> initialKeyLayoutRows{{
    {41, 53, 80, 57},         // Escape
    {58, 122, 146, 57},       // F1
    {59, 120, 185, 57},       // F2
    {60, 99, 222, 57},        // F3
    {61, 118, 256, 57},       // F4
    {62, 96, 330, 57},        // F5
    {63, 97, 370, 57},        // F6
    {64, 98, 408, 57},        // F7
    {65, 100, 447, 57},       // F8
    {66, 101, 512, 57},       // F9
    {67, 109, 552, 57},       // F10
    {68, 103, 591, 57},       // F11
    {69, 111, 631, 57},       // F12
    {70, 105, 683, 57},       // Print Screen
    {71, 106, 722, 57},       // Scroll Lock
    {72, 107, 761, 57},       // Pause
    {53, 50, 80, 107},        // Grave accent
    {30, 18, 120, 107},       // 1
    {31, 19, 159, 107},       // 2
    {32, 20, 198, 107},       // 3
    {33, 21, 238, 107},       // 4
    {34, 23, 276, 107},       // 5
    {35, 22, 316, 107},       // 6
    {36, 26, 355, 107},       // 7
    {37, 28, 396, 107},       // 8
    {38, 25, 434, 107},       // 9
    {39, 29, 474, 107},       // 0
    {45, 27, 512, 107},       // Minus
    {46, 24, 552, 107},       // Equals
    {42, 51, 610, 107},       // Backspace
    {73, 114, 683, 107},      // Insert
    {74, 115, 722, 107},      // Home
    {75, 116, 761, 107},      // Page Up
    {83, 71, 815, 107},       // Num Lock
    {84, 75, 854, 107},       // Keypad /
    {85, 67, 893, 107},       // Keypad *
    {86, 78, 933, 107},       // Keypad -
    {43, 48, 90, 145},        // Tab
    {20, 12, 139, 145},       // Q
    {26, 13, 179, 145},       // W
    {8, 14, 218, 145},        // E
    {21, 15, 257, 145},       // R
    {23, 17, 297, 145},       // T
    {28, 16, 337, 145},       // Y
    {24, 32, 375, 145},       // U
    {12, 34, 415, 145},       // I
    {18, 31, 454, 145},       // O
    {19, 35, 492, 145},       // P
    {47, 33, 532, 145},       // Left bracket
    {48, 30, 571, 145},       // Right bracket
    {49, 42, 620, 145},       // Backslash
    {76, 117, 684, 145},      // Delete Forward
    {77, 119, 721, 145},      // End
    {78, 121, 762, 145},      // Page Down
    {95, 89, 815, 145},       // Keypad 7
    {96, 91, 854, 145},       // Keypad 8
    {97, 92, 893, 145},       // Keypad 9
    {87, 69, 933, 167},       // Keypad +
    {57, 57, 90, 185},        // Caps Lock
    {4, 0, 149, 185},         // A
    {22, 1, 190, 185},        // S
    {7, 2, 227, 185},         // D
    {9, 3, 268, 185},         // F
    {10, 5, 306, 185},        // G
    {11, 4, 346, 185},        // H
    {13, 38, 385, 185},       // J
    {14, 40, 424, 185},       // K
    {15, 37, 463, 185},       // L
    {51, 41, 502, 185},       // Semicolon
    {52, 39, 542, 185},       // Apostrophe
    {40, 36, 606, 185},       // Return
    {92, 86, 815, 185},       // Keypad 4
    {93, 87, 854, 185},       // Keypad 5
    {94, 88, 893, 185},       // Keypad 6
    {225, 56, 107, 224},      // Left Shift
    {29, 6, 170, 224},        // Z
    {27, 7, 208, 224},        // X
    {6, 8, 248, 224},         // C
    {25, 9, 287, 224},        // V
    {5, 11, 326, 224},        // B
    {17, 45, 366, 224},       // N
    {16, 46, 405, 224},       // M
    {54, 43, 444, 224},       // Comma
    {55, 47, 483, 224},       // Period
    {56, 44, 522, 224},       // Slash
    {229, 60, 597, 224},      // Right Shift
    {82, 126, 721, 224},      // Up Arrow
    {89, 83, 815, 224},       // Keypad 1
    {90, 84, 854, 224},       // Keypad 2
    {91, 85, 893, 224},       // Keypad 3
    {88, 76, 933, 245},       // Keypad Enter
    {224, 59, 90, 263},       // Left Control
    {227, 55, 147, 263},      // Left GUI
    {226, 58, 194, 263},      // Left Alt
    {44, 49, 332, 263},       // Space
    {230, 61, 468, 263},      // Right Alt
    {231, 54, 517, 263},      // Right GUI
    {101, 110, 566, 263},     // Application
    {228, 62, 618, 263},      // Right Control
    {80, 123, 684, 263},      // Left Arrow
    {81, 125, 721, 263},      // Down Arrow
    {79, 124, 762, 263},      // Right Arrow
    {98, 82, 833, 263},       // Keypad 0
    {99, 65, 893, 263},       // Keypad .
    {0xFFFF1, 999, 32, 57},   // logo light
    {0xFFFF2, 999, 226, 331}, // badge light
    {0xFFF1, 999, 32, 107},   // G1 key
    {0xFFF2, 999, 32, 145},   // G2 key
    {0xFFF3, 999, 32, 185},   // G3 key
    {0xFFF4, 999, 32, 224},   // G4 key
    {0xFFF5, 999, 32, 263},   // G5 key
    {0xFFF6, 999, 146, 20},   // G6 key
    {0xFFF7, 999, 185, 20},   // G7 key
    {0xFFF8, 999, 222, 20},   // G8 key
    {0xFFF9, 999, 256, 20},   // G9 key
    {2766, 2766, 893, 57},    // Volume Up
    {2766, 2767, 893, 57},    // Volume Down
    {2766, 2773, 893, 57},    // Mute
    {2766, 2782, 893, 57},    // Play/Pause
    {2766, 2784, 893, 57},    // Previous Track
    {2766, 2783, 893, 57},    // Next Track
}};

// Inserted in front of F1 by the modifier flip: the positions of the four bottom-row modifier
// keys paired with other key codes, in insertion order A, B, C, D.
inline constexpr std::array<KeyLayoutRow, 4> modifierOverrideRows{{
    {227, 61, 147, 263}, // A: Left GUI light, Right Option code
    {226, 54, 194, 263}, // B: Left Alt light, Right Command code
    {230, 55, 468, 263}, // C: Right Alt light, Left Command code
    {231, 58, 517, 263}, // D: Right GUI light, Left Option code
}};

} // namespace kelvara
