#pragma once

#include "led/keyboardchoice.h"
#include "led/keyboarddrawing.h"
#include "led/keyboardkind.h"
#include "led/ledplacement.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>
#include <variant>
#include <vector>

namespace kelvara {

// A drawn keyboard as it is kept in the settings folder, keyboards/NAME.json:
//
//   {"format": 1, "keyboard": NAME, "size": "tkl", "layout": "ISO",
//    "keys": [{"leds": [41], "names": ["Key: A"], "outline": [[1.75, 3.5], ...]}, ...],
//    "other": [{"leds": [110], "names": ["Underglow LED 1"]}]}
//
// leds are indices in the server's LED list of that controller, outline the key's polygon in key
// units (origin the top-left corner of the board's top-left key, y down). The names only help a
// reader; a file edited by hand is used as it stands.
struct KeyboardFile
{
    QString keyboard;
    KeyboardKind kind;
    KeyboardDrawing drawing;
    // The names written beside the LEDs, at their indices; empty where none is written.
    std::vector<QString> ledNames;
};

inline constexpr int keyboardFileFormat = 1;

QByteArray writeKeyboardFile(const KeyboardFile& file, const std::vector<QString>& ledNames);

// The file's keyboard, or what makes it unusable for a controller of that many LEDs: not JSON, a
// field missing or of the wrong kind, an LED index past the count, an outline of fewer than three
// corners.
std::variant<KeyboardFile, QString> readKeyboardFile(const QByteArray& bytes, std::size_t ledCount);

// The file name for a controller's name: what a file name may hold, never empty, never a path.
QString keyboardFileName(const QString& controllerName);

// The keyboard's drawing kept in the folder: a usable file is used as it stands, in place of the
// one drawn from the server's data; a missing one is written. A file that cannot be used gets one
// log line naming it and its problem, and is left as it is.
// The LEDs a kept file may name when the keyboard's own count is not known yet.
inline constexpr std::size_t mostKeptLeds = 4096;

// The keyboard of that name as its file in the folder keeps it, to be shown before the server
// answers; none without a file, and none with one log line for a file that cannot be used.
std::optional<ShownKeyboard> readKeptKeyboard(const QString& folder, const QString& name);

void useKeptDrawing(const QString& folder, const openrgb::Controller& controller,
                    LedPlacement& placement);

} // namespace kelvara
