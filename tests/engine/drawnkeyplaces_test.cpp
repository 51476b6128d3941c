// Where keys are on a drawn keyboard's canvas: their own points, an L-shaped Enter's inside, the
// keys the drawing lacks carried over from the table in proportion, the lock light's box.

#include "engine/drawnkeyplaces.h"
#include "input/keylayouttable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelvara {
namespace {

// Caps Lock, A, and an ISO Enter: one L of six corners.
ShownKeyboard smallBoard()
{
    KeyboardDrawing drawing;
    drawing.keys.push_back({{0}, QPolygonF(QRectF(0, 0, 1.75, 1))});
    drawing.keys.push_back({{1}, QPolygonF(QRectF(1.75, 0, 1, 1))});
    drawing.keys.push_back(
        {{2},
         QPolygonF({{3.0, -1.0}, {4.5, -1.0}, {4.5, 1.0}, {3.25, 1.0}, {3.25, 0.0}, {3.0, 0.0}})});
    return {QStringLiteral("Small"), {}, drawing, {0x39, 0x04, 0x28}};
}

TEST(DrawnKeyPlaces, KeysAreAsWideAsOnTheReferencePictureAndReadInside)
{
    const DrawnKeyPlaces places(smallBoard());
    const double pitch = DrawnKeyPlaces::pointsPerKey();
    EXPECT_NEAR(pitch, 39.3 * 274.0 / 963.0, 1e-9);
    // 4.5 by 2 key units and the board's edge of 0.35 all round.
    EXPECT_EQ(places.pointSize(),
              QSize(int(std::lround(5.2 * pitch)), int(std::lround(2.7 * pitch))));
    ASSERT_EQ(places.keyPoints().size(), 3u);
    const QPointF a = places.keyPoints()[1];
    // Within the rounding of the canvas to whole points.
    EXPECT_NEAR(a.x() - places.keyPoints()[0].x(), 1.375 * pitch, 0.01 * pitch);
    // The Enter's box has its middle in the notch; its point is in the L, in the upper, wider part.
    const QTransform toKeys = places.toCanvas().inverted();
    const QPointF enter = toKeys.map(places.keyPoints()[2]);
    EXPECT_TRUE(smallBoard().drawing.keys[2].outline.containsPoint(enter, Qt::OddEvenFill));
    EXPECT_GE(enter.x(), 3.25 + 0.25 - 1e-9);
    EXPECT_LE(std::abs(enter.y()), 0.25 + 1e-9);
}

TEST(DrawnKeyPlaces, TableRowsTakeTheirDrawnKeyElseTheirPlaceInProportion)
{
    const DrawnKeyPlaces places(smallBoard());
    EXPECT_EQ(places.ofRow({0x04, 0, 999, 999}), places.keyPoints()[1]);
    // A keypad key the board lacks: where it is on the reference picture, across this board.
    const KeyLayoutRow keypadEnter{0x58, 76, 963 * 3 / 4, 352 / 2};
    const QPointF carried = places.ofRow(keypadEnter);
    EXPECT_NEAR(carried.x(), 722.0 / 963.0 * places.pointSize().width(), 1e-9);
    EXPECT_NEAR(carried.y(), 0.5 * places.pointSize().height(), 1e-9);

    const std::optional<QRectF> caps = places.keyBox(0x39, 0.8);
    ASSERT_TRUE(caps);
    EXPECT_NEAR(caps->width(), 1.75 * 0.8 * DrawnKeyPlaces::pointsPerKey(), 0.1);
    EXPECT_NEAR(caps->center().x(), places.toCanvas().map(QPointF(0.875, 0.5)).x(), 1e-9);
    EXPECT_FALSE(places.keyBox(0x53, 0.8)); // no Num Lock drawn
}

} // namespace
} // namespace kelvara
