#include "canvas/backgroundpictures.h"
#include "canvas/keyboardpainter.h"
#include "canvas/scaledpicture.h"
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

// Shown four times larger, a drawn keyboard is painted at those pixels, not enlarged from the
// canvas's own: a key's edge stays as sharp as at its own size, and the picture is made once.
TEST(ScaledPicture, PaintsADrawingAtTheViewsOwnPixels)
{
    const std::optional<KeyboardDrawing> drawing = twoKeys();
    const QImage none;
    const QString theme = QStringLiteral("Midnight");
    ScaledPicture own;
    ScaledPicture large;
    const QImage small = own.at(none, drawing, theme, 1, QSizeF(47, 17), 1.0);
    const QImage& shown = large.at(none, drawing, theme, 1, QSizeF(47, 17), 4.0);
    ASSERT_EQ(shown.size(), QSize(188, 68));
    EXPECT_EQ(&large.at(none, drawing, theme, 1, QSizeF(47, 17), 4.0), &shown);
    EXPECT_EQ(shown.cacheKey(), large.at(none, drawing, theme, 1, QSizeF(47, 17), 4.0).cacheKey());
    const QImage enlarged =
        small.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Along the middle row, the pixels between two others that differ from both: blurred edges.
    const auto blurred = [](const QImage& image) {
        int count = 0;
        const int y = image.height() / 2;
        for (int x = 1; x + 1 < image.width(); ++x) {
            const QRgb left = image.pixel(x - 1, y);
            const QRgb here = image.pixel(x, y);
            const QRgb right = image.pixel(x + 1, y);
            count += here != left && here != right && left != right ? 1 : 0;
        }
        return count;
    };
    EXPECT_LT(blurred(shown) * 2, blurred(enlarged));
    // Another drawing is painted afresh.
    const qint64 first = shown.cacheKey();
    EXPECT_NE(large.at(none, drawing, theme, 2, QSizeF(47, 17), 4.0).cacheKey(), first);
}

// Every picture scaled to sizes that are not whole stays opaque to its last row and column, and
// its edges keep the picture's own colours: no part-transparent seam that the screen shows dark.
TEST(ScaledPicture, AnOpaquePictureStaysOpaqueAtEverySize)
{
    for (const QString& name : backgroundPictureNames()) {
        const QImage picture = *backgroundPictureNamed(name);
        for (const QSizeF points :
             {QSizeF(556.2, 203.0), QSizeF(300.0, 109.49), QSizeF(274, 100)}) {
            ScaledPicture scaled;
            const QImage& shown = scaled.at(picture, std::nullopt, name, 0, points, 1.0);
            ASSERT_EQ(shown.format(), QImage::Format_RGB32) << name.toStdString();
            const QColor corner = shown.pixelColor(shown.width() - 1, shown.height() - 1);
            const QColor original = picture.pixelColor(picture.width() - 1, picture.height() - 1);
            EXPECT_NEAR(corner.valueF(), original.valueF(), 0.1) << name.toStdString();
        }
    }
}

} // namespace
} // namespace kelvara
