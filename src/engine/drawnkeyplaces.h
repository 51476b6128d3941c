#pragma once

#include "input/keylayoutrow.h"
#include "led/keyboardchoice.h"

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <vector>

namespace kelvara {

// Where the keys are on a canvas that shows a drawn keyboard, in canvas points with the origin at
// the top-left and y down, as the picture is drawn. A key is as many points wide as on the
// reference picture, so that a ring of a given radius covers as many keys on every board.
class DrawnKeyPlaces
{
public:
    // Canvas points per key unit: the reference picture's key pitch.
    static double pointsPerKey();

    explicit DrawnKeyPlaces(const ShownKeyboard& keyboard);

    // The canvas's size for the drawing.
    QSize pointSize() const { return m_size; }

    // Key units to canvas points, as the canvas draws the keyboard.
    const QTransform& toCanvas() const { return m_toCanvas; }

    // The point of a key layout table row: its drawn key's, or, for a key the drawing lacks (a
    // separate keypad, another keyboard's extra keys), its place on the reference picture
    // carried over to the drawing in proportion.
    QPointF ofRow(const KeyLayoutRow& row) const;
    // A point of the reference picture in layout units, carried over in proportion.
    QPointF ofLayoutPoint(QPointF layoutUnits) const;

    // The point each drawn key's colour is read at, in the drawing's order.
    const std::vector<QPointF>& keyPoints() const { return m_keyPoints; }

    // The box of the drawn key that answers to a table code, shrunk about its middle to that
    // share; none when the drawing has no such key.
    std::optional<QRectF> keyBox(std::int64_t code, double share) const;

private:
    QSize m_size;
    QTransform m_toCanvas;
    std::vector<QPointF> m_keyPoints;
    std::vector<QRectF> m_keyBoxes;
    QHash<std::int64_t, std::size_t> m_keyOfCode;
};

} // namespace kelvara
