#pragma once

#include <QString>

namespace kelvara {

// Start at login: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/kelvara.desktop, that
// starts Kelvara hidden ("kelvara --hidden") when the user logs in.

QString loginStartEntryPath();

// Whether the entry is there.
bool startsAtLogin();

// Writes or removes the entry; false, with a log line, when that could not be done.
bool setStartAtLogin(bool start);

} // namespace kelvara
