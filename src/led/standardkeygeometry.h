#pragma once

#include "led/keyboardkind.h"

#include <QPolygonF>
#include <QString>

#include <vector>

namespace kelvara {

// One key of a standard board: its name as lighting services give it (without "Key: ") and its
// outline in key units (1 u = 19.05 mm), origin the top-left corner of the top-left key, y down.
struct StandardKey
{
    QString name;
    QPolygonF outline;
};

// The keys of a standard board of that size and layout, as they sit on the boards people own: an
// L-shaped Enter on ISO, JIS and ABNT2 boards, the JIS keys around the space bar, the 75% and 65%
// boards' one column of navigation keys (a laptop is drawn as a 75% board), a keypad's number
// pad. Empty for boards whose size nothing tells.
const std::vector<StandardKey>& standardKeys(KeyboardSize size, KeyboardLayout layout);

// Whether a key is one of the navigation keys, which small boards put wherever they have room:
// one left without its own place takes a free place of another, or a place without a name.
bool isNavigationKey(const QString& name);

// A rectangle in key units as an outline.
QPolygonF keyRect(double x, double y, double width = 1.0, double height = 1.0);

} // namespace kelvara
