#include "rings/ringrasterizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

namespace kelvara {

namespace {

// Half the width of a circle of radius r at vertical distance dy, or -1 where it does not reach.
double chord(double r, double dy)
{
    const double squared = r * r - dy * dy;
    return r > 0.0 && squared > 0.0 ? std::sqrt(squared) : -1.0;
}

// A pixel coordinate worked out in doubles, clipped to lo..hi before it becomes an int: rings of
// any size and centre cost no more than the image's own pixels.
int clipped(double at, int lo, int hi)
{
    return !(at > lo) ? lo : at >= hi ? hi : int(at);
}

// Two channels at a time: a pixel's bytes 0 and 2, or 1 and 3, spread into 16-bit lanes.
constexpr std::uint32_t lanes = 0x00FF00FFu;

// Each lane times f (0-255), divided by 255 and rounded, without a division.
std::uint32_t mulDiv255(std::uint32_t pair, std::uint32_t f)
{
    std::uint32_t t = pair * f + 0x00800080u;
    t += (t >> 8) & lanes;
    return (t >> 8) & lanes;
}

// A premultiplied colour scaled by alpha (0-256), and what is left of the pixel beneath it.
struct Paint
{
    QRgb colour;
    std::uint32_t keep;

    Paint(QRgb src, std::uint32_t alpha)
    {
        const std::uint32_t low = ((src & lanes) * alpha >> 8) & lanes;
        const std::uint32_t high = (((src >> 8) & lanes) * alpha) & ~lanes;
        colour = low | high;
        keep = 255u - std::uint32_t(qAlpha(colour));
    }

    // Source-over onto a premultiplied pixel. No channel can come out above the alpha, nor any
    // lane carry into the next: both parts are premultiplied and their alphas add up to at most
    // 255.
    QRgb over(QRgb dst) const
    {
        return colour + (mulDiv255(dst & lanes, keep) | (mulDiv255((dst >> 8) & lanes, keep) << 8));
    }
};

// Coverage (0-256) of the pixel whose centre is (dx, dy) away from the ring's centre.
std::uint32_t edgeAlpha(double dx, double dy, double inner, double outer)
{
    const double d = std::sqrt(dx * dx + dy * dy);
    const double coverage = std::clamp(outer - d + 0.5, 0.0, 1.0) *
                            (inner > 0.0 ? std::clamp(d - inner + 0.5, 0.0, 1.0) : 1.0);
    return std::uint32_t(coverage * 256.0 + 0.5);
}

// What both fills share: the colour, and where a pixel has any coverage at all.
struct RingShape
{
    QRgb src;
    double inner;
    double outer;
    double farSquared;  // past the outer edge's half pixel: no coverage
    double nearSquared; // short of the inner one: none either

    // Told by its squared distance, without the square root, and without a branch: a loop over
    // many pixels does several at once.
    bool uncovered(double dx, double dy) const
    {
        const double squared = dx * dx + dy * dy;
        return (static_cast<int>(squared >= farSquared) |
                static_cast<int>(squared <= nearSquared)) != 0;
    }
};

// None where there is nothing to draw: no ring, no colour, or a centre that is not a number.
std::optional<RingShape> ringShape(QPointF centre, double inner, double outer, const QColor& colour)
{
    inner = std::max(inner, 0.0);
    const QRgb src = colour.rgba64().premultiplied().toArgb32();
    if (!(outer > 0.0) || !(outer >= inner) || qAlpha(src) == 0 || !std::isfinite(centre.x()) ||
        !std::isfinite(centre.y())) {
        return std::nullopt;
    }
    const double reachAll = outer + 0.5;
    return RingShape{src, inner, outer, reachAll * reachAll,
                     inner > 0.5 ? (inner - 0.5) * (inner - 0.5) : -1.0};
}

} // namespace

// Built for AVX2 and for any x86-64, as the fill into an image below is: with AVX2 the test of
// which pixels a ring reaches goes four pixels at a time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void blendRing(std::span<QRgb> pixels, std::span<const QPoint> at, QPointF centre, double inner,
               double outer, const QColor& colour)
{
    const std::optional<RingShape> ring = ringShape(centre, inner, outer, colour);
    if (!ring) {
        return;
    }
    const Paint solidPaint(ring->src, 256);
    const std::size_t count = std::min(pixels.size(), at.size());
    // Which pixels the ring reaches at all, told a block at a time by their squared distances
    // alone: a loop without branches, done several pixels at once. Most rings reach few of the
    // pixels under the keys; only those are worked out.
    constexpr std::size_t block = 64;
    std::array<unsigned char, block> reached{};
    for (std::size_t start = 0; start < count; start += block) {
        const std::size_t n = std::min(block, count - start);
        const QPoint* const points = at.data() + start;
        for (std::size_t j = 0; j < n; ++j) {
            reached[j] = static_cast<unsigned char>(!ring->uncovered(
                points[j].x() + 0.5 - centre.x(), points[j].y() + 0.5 - centre.y()));
        }
        for (std::size_t j = 0; j < n; ++j) {
            if (reached[j] == 0) {
                continue;
            }
            const double dx = std::abs(points[j].x() + 0.5 - centre.x());
            const double dy = points[j].y() + 0.5 - centre.y();
            const std::uint32_t alpha = edgeAlpha(dx, dy, ring->inner, ring->outer);
            QRgb& pixel = pixels[start + j];
            if (alpha != 0) {
                pixel = (alpha >= 256 ? solidPaint : Paint(ring->src, alpha)).over(pixel);
            }
        }
    }
}

// Built twice, for AVX2 and for any x86-64, and chosen at load time: with AVX2 the solid runs go
// eight pixels at a time. Both give the same pixels; nothing here may contract into FMA.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void blendRing(QImage& layer, QPointF centre, double inner, double outer, const QColor& colour)
{
    const std::optional<RingShape> ring = ringShape(centre, inner, outer, colour);
    if (!ring || (layer.format() != QImage::Format_ARGB32_Premultiplied &&
                  layer.format() != QImage::Format_RGB32)) {
        return;
    }
    inner = ring->inner;
    const QRgb src = ring->src;
    const double reachAll = outer + 0.5;
    const int top = clipped(std::floor(centre.y() - outer - 1.0), 0, layer.height());
    const int bottom = clipped(std::ceil(centre.y() + outer + 1.0), -1, layer.height() - 1);
    const Paint solidPaint(src, 256);
    // One detach for the whole fill, not one per row or pixel.
    uchar* const bits = layer.bits();
    const qsizetype stride = layer.bytesPerLine();
    const auto lineAt = [&](int y) {
        return reinterpret_cast<QRgb*>(bits + y * stride);
    };

    for (int y = top; y <= bottom; ++y) {
        const double dy = y + 0.5 - centre.y();
        const double reach = chord(reachAll, dy); // beyond: nothing
        if (reach < 0.0) {
            continue;
        }
        const double solid = chord(outer - 0.5, dy);                      // within: all of outer
        const double hole = inner > 0.5 ? chord(inner - 0.5, dy) : -1.0;  // within: nothing
        const double clear = inner > 0.0 ? chord(inner + 0.5, dy) : -1.0; // beyond: none of hole
        QRgb* const line = lineAt(y);
        const int left = clipped(std::floor(centre.x() - reach), 0, layer.width());
        const int right = clipped(std::ceil(centre.x() + reach), -1, layer.width() - 1);
        for (int x = left; x <= right; ++x) {
            const double dx = std::abs(x + 0.5 - centre.x());
            if (dx < hole) {
                // Jump over the hole to its far side.
                x = std::max(x, clipped(std::floor(centre.x() + hole), x, right + 1) - 1);
                continue;
            }
            if (dx > solid || dx < clear) {
                if (ring->uncovered(dx, dy)) {
                    continue;
                }
                const std::uint32_t alpha = edgeAlpha(dx, dy, inner, outer);
                if (alpha != 0) {
                    line[x] = Paint(src, alpha).over(line[x]);
                }
                continue;
            }
            // The solid run from here: every pixel up to the next edge takes the whole colour. Its
            // end is worked out once, then checked by the same test as every other pixel.
            const auto inSolid = [&](int px) {
                const double ddx = std::abs(px + 0.5 - centre.x());
                return !(ddx > solid || ddx < clear);
            };
            const double end = x + 0.5 < centre.x() && clear >= 0.0 ? centre.x() - clear - 0.5
                                                                    : centre.x() + solid - 0.5;
            int last = clipped(std::floor(end), x, right);
            while (last < right && inSolid(last + 1)) {
                ++last;
            }
            while (last > x && !inSolid(last)) {
                --last;
            }
            for (int i = x; i <= last; ++i) {
                line[i] = solidPaint.over(line[i]);
            }
            x = last;
        }
    }
}

} // namespace kelvara
