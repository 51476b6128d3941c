#include "canvas/keyboardpainter.h"
#include "led/standardkeygeometry.h"

#include <QImage>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

// Two keys, 1 u and 2 u wide, with a 1 u gap between them: 4 u by 1 u of keys.
KeyboardDrawing twoKeys()
{
    return {{{{0}, keyRect(0, 0)}, {{1}, keyRect(2, 0, 2)}}, {}};
}

// The board keeps its proportions, centred in the target; each keycap is lit by the theme at
// its place, and the board shows between the keys.
TEST(KeyboardPainter, DrawsTheBoardCentredWithEachKeyInItsThemesLight)
{
    const KeyboardDrawing drawing = twoKeys();
    const QRectF bounds = boardBounds(drawing);
    EXPECT_NEAR(bounds.width(), 4.7, 1e-9);
    EXPECT_NEAR(bounds.height(), 1.7, 1e-9);

    const KeyboardTheme theme{
        QStringLiteral("Test"), QColor(10, 10, 10), QColor(20, 20, 20),
        [](double x, double) { return x < 0.5 ? QColor(255, 0, 0) : QColor(0, 0, 255); },
        QColor(30, 30, 30)};
    // Twice as high as the board needs: bands above and below stay clear.
    constexpr double scale = 100; // pixels per u
    QImage image(int(bounds.width() * scale), int(bounds.height() * scale * 2),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintKeyboard(painter, drawing, theme, QRectF(QPointF(0, 0), image.size()));
    painter.end();

    const double top = bounds.height() * scale / 2; // the board's top edge in the image
    const auto at = [&](double x, double y) {
        return image.pixelColor(int((x - bounds.left()) * scale),
                                int(top + (y - bounds.top()) * scale));
    };
    EXPECT_EQ(at(0.5, 0.5), QColor(255, 0, 0));
    EXPECT_EQ(at(3.0, 0.5), QColor(0, 0, 255));
    const QColor between = at(1.5, 0.5);
    EXPECT_EQ(between.alpha(), 255);
    EXPECT_LT(between.red(), 40) << "the board, not a key";
    EXPECT_EQ(image.pixelColor(image.width() / 2, 2).alpha(), 0);
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() - 3).alpha(), 0);
}

TEST(KeyboardPainter, TheSixPicturesHaveTheirThemes)
{
    for (const char* name : {"Midnight", "Blackout", "Spectrum", "Ember", "Aurora", "Frost"}) {
        const KeyboardTheme* theme = keyboardTheme(QString::fromLatin1(name));
        ASSERT_TRUE(theme) << name;
        EXPECT_TRUE(theme->light(0.5, 0.5).isValid()) << name;
    }
    EXPECT_EQ(keyboardTheme(QStringLiteral("Plaid")), nullptr);
}

} // namespace
} // namespace kelvara
