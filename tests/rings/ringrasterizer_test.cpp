#include "rings/ringrasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace kelvara {
namespace {

struct Ring
{
    const char* name;
    QPointF centre;
    double inner;
    double outer;
    QColor colour;
};

// A picture with something to blend over: a gradient, half of it translucent.
QImage picture()
{
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = y < 15 ? 255 : 96;
            image.setPixelColor(x, y, QColor(x * 6, y * 8, 200 - x * 4, alpha));
        }
    }
    return image;
}

class ListedPixels : public testing::TestWithParam<Ring>
{};

// Every pixel of the image listed, in an order of their own: each gets what the whole fill gives.
TEST_P(ListedPixels, GetWhatTheWholeFillGivesThem)
{
    const Ring& ring = GetParam();
    QImage whole = picture();
    blendRing(whole, ring.centre, ring.inner, ring.outer, ring.colour);

    const QImage before = picture();
    std::vector<QPoint> at;
    std::vector<QRgb> pixels;
    for (int x = before.width() - 1; x >= 0; --x) {
        for (int y = 0; y < before.height(); ++y) {
            at.emplace_back(x, y);
            pixels.push_back(before.pixel(x, y));
        }
    }
    blendRing(pixels, at, ring.centre, ring.inner, ring.outer, ring.colour);
    int changed = 0;
    for (std::size_t i = 0; i < at.size(); ++i) {
        const QRgb expected =
            reinterpret_cast<const QRgb*>(whole.constScanLine(at[i].y()))[at[i].x()];
        ASSERT_EQ(pixels[i], expected) << ring.name << " at " << at[i].x() << "," << at[i].y();
        changed += before.pixel(at[i]) != expected;
    }
    const bool drawsNothing = std::string(ring.name).starts_with("nothing");
    EXPECT_EQ(changed == 0, drawsNothing) << ring.name;
}

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Rings, ListedPixels,
    testing::Values(Ring{"solid", {20, 15}, 5, 9, QColor(255, 255, 0)},
                    Ring{"translucent", {20.3, 14.6}, 4.2, 11.7, QColor(0, 128, 255, 100)},
                    Ring{"disc", {7.5, 7.5}, 0, 3, QColor(255, 0, 0, 200)},
                    Ring{"hairline", {12.25, 20.75}, 8.1, 8.6, QColor(0, 255, 0)},
                    Ring{"off the edge", {-5, 40}, 0, 30, QColor(255, 255, 255, 60)},
                    Ring{"huge", {20, -1e6 + 20}, 1e6 - 10, 1e6, QColor(255, 0, 255)},
                    Ring{"nothing: inside out", {20, 15}, 9, 5, QColor(255, 255, 0)},
                    Ring{"nothing: clear", {20, 15}, 0, 9, QColor(255, 255, 0, 0)},
                    Ring{"nothing: nowhere", {notANumber, 15}, 0, 9, QColor(255, 255, 0)}),
    [](const testing::TestParamInfo<Ring>& param) { return "Ring" + std::to_string(param.index); });

TEST(ListedPixel, EachEntryIsItsOwnPixelAndOnlyThoseWithAPlaceAreBlended)
{
    const std::vector<QPoint> at{{5, 5}, {5, 5}, {6, 5}};
    std::vector<QRgb> pixels(2, 0xFF000000u); // one short of the places
    const QColor grey(255, 255, 255, 128);
    blendRing(pixels, at, QPointF(5.5, 5.5), 0, 4, grey);
    EXPECT_NE(pixels[0], 0xFF000000u);
    EXPECT_EQ(pixels[1], pixels[0]);
    std::vector<QRgb> none;
    blendRing(none, at, QPointF(5.5, 5.5), 0, 4, grey);
    EXPECT_TRUE(none.empty());
}

} // namespace
} // namespace kelvara
