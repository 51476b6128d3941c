#include "rings/ringrasterizer.h"

#include <algorithm>
#include <cmath>

namespace kelvara {

namespace {

// Half the width of a circle of radius r at vertical distance dy, or -1 where it does not reach.
double chord(double r, double dy)
{
    const double squared = r * r - dy * dy;
    return r > 0.0 && squared > 0.0 ? std::sqrt(squared) : -1.0;
}

// x / 255, rounded, without a division.
unsigned div255(unsigned x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// Source-over of a premultiplied colour scaled by alpha (0-256) onto a premultiplied pixel.
QRgb over(QRgb src, QRgb dst, unsigned alpha)
{
    const auto part = [](QRgb pixel, int shift) {
        return (pixel >> shift) & 0xFFu;
    };
    const unsigned s = (part(src, 24) * alpha) >> 8;
    const unsigned keep = 255 - s;
    const unsigned a = s + div255(part(dst, 24) * keep);
    QRgb out = a << 24;
    for (const int shift : {0, 8, 16}) {
        // Premultiplied: no channel above the alpha, whatever the rounding did.
        out |= std::min(a, ((part(src, shift) * alpha) >> 8) + div255(part(dst, shift) * keep))
               << shift;
    }
    return out;
}

} // namespace

void blendRing(QImage& layer, QPointF centre, double inner, double outer, const QColor& colour)
{
    inner = std::max(inner, 0.0);
    const QRgb src = colour.rgba64().premultiplied().toArgb32();
    if (!(outer > 0.0) || !(outer >= inner) || qAlpha(src) == 0 || !std::isfinite(centre.x()) ||
        !std::isfinite(centre.y())) {
        return;
    }
    const int top = std::max(0, int(std::floor(centre.y() - outer - 1.0)));
    const int bottom = std::min(layer.height() - 1, int(std::ceil(centre.y() + outer + 1.0)));
    for (int y = top; y <= bottom; ++y) {
        const double dy = y + 0.5 - centre.y();
        const double reach = chord(outer + 0.5, dy); // beyond: nothing
        if (reach < 0.0) {
            continue;
        }
        const double solid = chord(outer - 0.5, dy);                      // within: all of outer
        const double hole = inner > 0.5 ? chord(inner - 0.5, dy) : -1.0;  // within: nothing
        const double clear = inner > 0.0 ? chord(inner + 0.5, dy) : -1.0; // beyond: none of hole
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        const int left = std::max(0, int(std::floor(centre.x() - reach)));
        const int right = std::min(layer.width() - 1, int(std::ceil(centre.x() + reach)));
        for (int x = left; x <= right; ++x) {
            const double dx = std::abs(x + 0.5 - centre.x());
            if (dx < hole) {
                // Jump over the hole to its far side.
                x = std::max(x, int(std::floor(centre.x() + hole)) - 1);
                continue;
            }
            unsigned alpha = 256;
            if (dx > solid || dx < clear) {
                const double d = std::sqrt(dx * dx + dy * dy);
                const double coverage = std::clamp(outer - d + 0.5, 0.0, 1.0) *
                                        (inner > 0.0 ? std::clamp(d - inner + 0.5, 0.0, 1.0) : 1.0);
                alpha = unsigned(std::lround(coverage * 256.0));
                if (alpha == 0) {
                    continue;
                }
            }
            line[x] = over(src, line[x], alpha);
        }
    }
}

} // namespace kelvara
