#pragma once

#include <QColor>
#include <QSettings>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace kelvara {

// The stored settings: key names, first-run defaults and the readings of the settings file
// ($XDG_CONFIG_HOME/Kelvara/Kelvara.conf, INI). Nothing here holds state; the engine's loadPrefs
// and savePrefs use it.

inline const QString prefsInitedKey = QStringLiteral("prefsInited");
inline const QString framerateKey = QStringLiteral("framerate");
inline const QString backgroundKey = QStringLiteral("background");
inline const QString flipModifiersKey = QStringLiteral("flipModifiers");
// Read, never written: where the lighting service is, when not at its usual place.
inline const QString lightingServiceHostKey = QStringLiteral("lightingServiceHost");
inline const QString lightingServicePortKey = QStringLiteral("lightingServicePort");
// The main window's frame, kept from one run to the next.
inline const QString windowPositionKey = QStringLiteral("windowPosition");
// Closing the main window hides it rather than quitting, where a tray icon can bring it back.
inline const QString keepRunningWhenClosedKey = QStringLiteral("keepRunningWhenClosed");

// The lock keys' lights, read with a default and written only by a save: the first-run file does
// not hold them.
inline const QString lockLightsKey = QStringLiteral("lockLights");
inline const QString lockLightsColourKey = QStringLiteral("lockLightsColour");
inline const QColor defaultLockLightsColour = QColor(255, 255, 255);

// The keyboard the window draws, as the settings window names it (a keyboard's name or "Reference
// picture"); absent, the keyboard with the most key LEDs. Written by a save only when it names
// another than that.
inline const QString keyboardKey = QStringLiteral("keyboard");
// The keyboard drawn last, shown from its file at the next launch until the service answers.
inline const QString lastKeyboardKey = QStringLiteral("lastKeyboard");

inline constexpr int ringFieldCount = 11;
// The eleven stored integers of one ring, in ring field order: active, life, delay, sizeStart,
// sizeEnd, thickness, vizStart, vizEnd, red, green, blue.
using RingValues = std::array<std::int64_t, ringFieldCount>;

inline constexpr std::int64_t defaultFramerate = 30; // frames per second
// A saved frame rate outside these is saved as the default.
inline constexpr std::int64_t lowestFramerate = 2;
inline constexpr std::int64_t highestFramerate = 59;
inline const QString defaultBackgroundName = QStringLiteral("Midnight");
inline const QString defaultLightingServiceHost = QStringLiteral("127.0.0.1");
inline constexpr quint16 defaultLightingServicePort = 6742;
inline constexpr std::array<RingValues, 5> defaultRings{{
    {1, 15, 0, 10, 100, 20, 100, 0, 100, 100, 0},
    {1, 15, 0, 15, 115, 5, 100, 0, 100, 0, 0},
    {0, 15, 0, 20, 200, 10, 100, 50, 0, 100, 0},
    {0, 30, 0, 10, 100, 4, 100, 0, 0, 0, 100},
    {1, 30, 0, 2, 2, 4, 100, 0, 100, 100, 100},
}};

// "ring" + ring number (1-5) + the suffix of the field (0-10), e.g. ring3sizeStart.
QString ringKey(int ring, int field);

// Base 10, an optional leading "+" or "-", then digits only, within 64 bits.
std::optional<std::int64_t> parseInteger(QStringView text);

// What a text field shows as an integer: leading blanks skipped, an optional sign and the digits
// that follow, 0 when there are none; limited to 32 bits.
int leadingIntValue(QStringView text);

// Every setting as the store holds it.
struct StoredPrefs
{
    std::int64_t framerate = 0;
    std::optional<QString> background;
    bool flipModifiers = false;
    std::array<RingValues, 5> rings{};
    bool lockLights = true;
    QColor lockLightsColour = defaultLockLightsColour;
    QString keyboard; // empty: the main keyboard
};

StoredPrefs readStoredPrefs(const QSettings& store);
// What the store holds right after the first-run defaults are written.
StoredPrefs firstRunPrefs();

// Writes every key but "prefsInited" with its first-run default.
void writeDefaultPrefs(QSettings& store);

// The user's settings file.
std::unique_ptr<QSettings> openPreferenceStore();

// The folder of the drawn keyboards, keyboards/ beside the settings file.
QString keyboardsFolder();

} // namespace kelvara
