#pragma once

#include "led/keyboarddrawing.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

namespace kelvara {

// The colours of one of the keyboard pictures, which a drawn keyboard takes too: the board, its
// rim, the keycaps' edges, and the resting light of a key at a place (x and y from 0 to 1 across
// the board).
struct KeyboardTheme
{
    QString name;
    QColor body;
    QColor rim;
    std::function<QColor(double x, double y)> light;
    QColor edge;
};

// The six pictures' themes, in the background popup's order of their names.
const std::vector<KeyboardTheme>& keyboardThemes();
// The theme of the picture of that name, or none.
const KeyboardTheme* keyboardTheme(const QString& name);

// The board under the keys: a rounded body shaded from top to bottom, with a rim.
void paintBoardBody(QPainter& painter, const QRectF& body, double radius,
                    const KeyboardTheme& theme, double rimWidth);
// One keycap: its shape filled with its light, its edge drawn.
void paintKeyCap(QPainter& painter, const QPainterPath& shape, const QColor& fill,
                 const QColor& edge, double edgeWidth);

// A drawn keyboard in a theme, filling the target rectangle with the board's proportions kept:
// each key a keycap a little smaller than its outline, lit by the theme at its place.
void paintKeyboard(QPainter& painter, const KeyboardDrawing& drawing, const KeyboardTheme& theme,
                   const QRectF& target);

} // namespace kelvara
