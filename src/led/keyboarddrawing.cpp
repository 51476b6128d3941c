#include "led/keyboarddrawing.h"

#include "led/standardkeygeometry.h"
#include "led/standardkeyplaces.h"

#include <QHash>
#include <QLineF>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvara {

using namespace openrgb;

namespace {

// The gap between the zones of a board drawn as its matrix maps, and between a board and the
// row of keys it has no place for.
constexpr double zoneGap = 0.5;
constexpr double extraRowGap = 0.25;
// A legend-named key takes a free place only this near its point.
constexpr double nearEnough = 0.75; // u

// A point of the reference picture (layout units) in key units of a full-size board.
QPointF inKeyUnits(QPointF at)
{
    const double x = (at.x() - 80) / keyPitch + 0.5;
    const double y = at.y() <= 107 ? 0.5 + (at.y() - 57) * 1.5 / 50 : 2.0 + (at.y() - 107) / 39;
    return {x, y};
}

QPointF centreOf(const QPolygonF& outline)
{
    return outline.boundingRect().center();
}

// The key the other layout family has where this board has none: the list carries it, the board
// lacks it (as the ANSI Enter, where a list names the ISO one too).
bool otherFamilyKey(const QString& key, KeyboardLayout layout)
{
    return key == QStringLiteral("\\ (ANSI)") && layout != KeyboardLayout::Ansi &&
           layout != KeyboardLayout::Unknown;
}

// Another name a board's key may have for a standard place: the Windows key at Fn's place, the
// ISO Enter by its own name, Escape where ` is on boards without a function row.
QString aliasOf(const QString& key, KeyboardSize size)
{
    if (key == QStringLiteral("Right Windows")) {
        return QStringLiteral("Right Fn");
    }
    if (key == QStringLiteral("Enter (ISO)")) {
        return QStringLiteral("Enter");
    }
    if (key == QStringLiteral("Pause")) {
        return QStringLiteral("Pause/Break");
    }
    if (key == QStringLiteral("Escape") &&
        (size == KeyboardSize::Sixty || size == KeyboardSize::SixtyFive)) {
        return QStringLiteral("`");
    }
    return {};
}

// G1, M3, "Macro G2", P1: the programmable keys boards keep in a column of their own.
bool isMacroKey(const QString& key)
{
    static const QRegularExpression macro(QStringLiteral("^(Macro )?[GMP]\\d+$"));
    return macro.match(key).hasMatch();
}

// Keys that lie further out than any board reaches (a matrix a thousand cells wide, hundreds of
// extra keys in a row) are no key of a keyboard: their LEDs go with the other lights.
KeyboardDrawing withinReach(KeyboardDrawing drawing)
{
    const QRectF reach(-farthestAcross, -farthestDown, 2 * farthestAcross, 2 * farthestDown);
    std::vector<DrawnKey> keys;
    for (DrawnKey& key : drawing.keys) {
        if (reach.contains(key.outline.boundingRect())) {
            keys.push_back(std::move(key));
        } else {
            drawing.other.insert(drawing.other.end(), key.leds.begin(), key.leds.end());
        }
    }
    drawing.keys = std::move(keys);
    return drawing;
}

KeyboardDrawing matrixGrid(const Controller& controller)
{
    KeyboardDrawing drawing;
    const std::size_t count = controller.ledNames.size();
    std::vector<bool> drawn(count, false);
    std::size_t start = 0;
    double top = 0;
    for (const Zone& zone : controller.zones) {
        const std::size_t first = start;
        start += zone.ledsCount;
        if (zone.matrix.empty()) {
            continue;
        }
        for (std::size_t cell = 0; cell < zone.matrix.size(); ++cell) {
            const quint32 led = zone.matrix[cell];
            if (led == noMatrixCell || first + led >= std::min<std::size_t>(start, count) ||
                drawn[first + led] || drawing.keys.size() >= mostKeys) {
                continue; // an empty cell, one that repeats an LED, or one too many
            }
            drawn[first + led] = true;
            const auto row = double(cell / zone.matrixWidth);
            const auto column = double(cell % zone.matrixWidth);
            drawing.keys.push_back({{first + led}, keyRect(column, top + row, 1)});
        }
        top += zone.matrixHeight + zoneGap;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!drawn[i]) {
            drawing.other.push_back(i);
        }
    }
    return drawing;
}

} // namespace

KeyboardDrawing drawKeyboard(const Controller& controller, KeyboardKind kind,
                             const std::vector<bool>& legendLeds, const LedPoints& points)
{
    if (kind.layout == KeyboardLayout::Unknown) {
        return withinReach(matrixGrid(controller));
    }
    KeyboardDrawing drawing;
    // The LEDs of each key, in the order the keys first come.
    std::vector<QString> order;
    QHash<QString, std::vector<std::size_t>> ledsOfKey;
    for (std::size_t i = 0; i < controller.ledNames.size(); ++i) {
        const QString key = keyNameOf(controller.ledNames[i]);
        if (key.isEmpty() || otherFamilyKey(key, kind.layout)) {
            drawing.other.push_back(i);
            continue;
        }
        auto found = ledsOfKey.find(key);
        if (found == ledsOfKey.end()) {
            if (order.size() >= mostKeys) {
                drawing.other.push_back(i);
                continue;
            }
            order.push_back(key);
            found = ledsOfKey.insert(key, {});
        }
        found->push_back(i);
    }

    // A list that serves both families names both Enters; the ISO one is this board's.
    if (kind.layout != KeyboardLayout::Ansi && ledsOfKey.contains(QStringLiteral("Enter (ISO)")) &&
        ledsOfKey.contains(QStringLiteral("Enter"))) {
        const auto& ansiEnter = ledsOfKey[QStringLiteral("Enter")];
        drawing.other.insert(drawing.other.end(), ansiEnter.begin(), ansiEnter.end());
        order.erase(std::find(order.begin(), order.end(), QStringLiteral("Enter")));
        std::sort(drawing.other.begin(), drawing.other.end());
    }
    const std::vector<StandardKey>& places = standardKeys(kind.size, kind.layout);
    std::vector<bool> taken(places.size(), false);
    const auto placeOf = [&](const QString& name) -> std::optional<std::size_t> {
        for (std::size_t p = 0; p < places.size(); ++p) {
            if (!taken[p] && places[p].name == name) {
                return p;
            }
        }
        return std::nullopt;
    };
    const auto isLegend = [&](const std::vector<std::size_t>& leds) {
        return std::any_of(leds.begin(), leds.end(), [&](std::size_t led) {
            return led < legendLeds.size() && legendLeds[led];
        });
    };

    std::vector<QString> left;
    // Keys named by their place first, so that a legend cannot take a place its key has.
    for (const QString& key : order) {
        const auto& leds = ledsOfKey[key];
        std::optional<std::size_t> place = isLegend(leds) ? std::nullopt : placeOf(key);
        if (!place && !isLegend(leds)) {
            place = placeOf(aliasOf(key, kind.size));
        }
        if (!place) {
            left.push_back(key);
            continue;
        }
        taken[*place] = true;
        drawing.keys.push_back({leds, places[*place].outline});
    }

    std::vector<QString> extra;
    const bool fullGeometry = kind.size == KeyboardSize::Full || kind.size == KeyboardSize::Tkl;
    for (const QString& key : left) {
        const auto& leds = ledsOfKey[key];
        std::optional<std::size_t> place;
        if (isNavigationKey(key) && !key.isEmpty()) {
            for (std::size_t p = 0; p < places.size() && !place; ++p) {
                if (!taken[p] && isNavigationKey(places[p].name)) {
                    place = p;
                }
            }
        } else if (fullGeometry && leds.front() < points.size() && points[leds.front()]) {
            const QPointF at = inKeyUnits(*points[leds.front()]);
            double nearest = nearEnough;
            for (std::size_t p = 0; p < places.size(); ++p) {
                const QPointF d = centreOf(places[p].outline) - at;
                if (const double distance = std::hypot(d.x(), d.y());
                    !taken[p] && distance < nearest) {
                    nearest = distance;
                    place = p;
                }
            }
        }
        if (!place) {
            extra.push_back(key);
            continue;
        }
        taken[*place] = true;
        drawing.keys.push_back({leds, places[*place].outline});
    }

    // The keys the board has no place for: macro keys in a column left of it, media keys in a
    // row above its right end, the rest in a row above its left end (or one higher where the two
    // would meet).
    double right = 0;
    for (const DrawnKey& key : drawing.keys) {
        right = std::max(right, key.outline.boundingRect().right());
    }
    std::vector<QString> macros;
    std::vector<QString> media;
    std::vector<QString> rest;
    for (const QString& key : extra) {
        (isMacroKey(key)                            ? macros
         : key.startsWith(QStringLiteral("Media ")) ? media
                                                    : rest)
            .push_back(key);
    }
    for (std::size_t i = 0; i < macros.size(); ++i) {
        drawing.keys.push_back({ledsOfKey[macros[i]], keyRect(-1 - extraRowGap, double(i))});
    }
    const double mediaLeft = right - double(media.size());
    const double restRow =
        double(rest.size()) > mediaLeft ? -2 - 2 * extraRowGap : -1 - extraRowGap;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        drawing.keys.push_back({ledsOfKey[rest[i]], keyRect(double(i), restRow)});
    }
    for (std::size_t i = 0; i < media.size(); ++i) {
        drawing.keys.push_back(
            {ledsOfKey[media[i]], keyRect(std::max(0.0, mediaLeft) + double(i), -1 - extraRowGap)});
    }
    return withinReach(std::move(drawing));
}

QRectF boardBounds(const KeyboardDrawing& drawing)
{
    constexpr double boardMargin = 0.35; // u, the board's own edge around the keys
    QRectF keys;
    for (const DrawnKey& key : drawing.keys) {
        keys |= key.outline.boundingRect();
    }
    if (keys.isEmpty()) {
        keys = QRectF(0, 0, 1, 1);
    }
    return keys.adjusted(-boardMargin, -boardMargin, boardMargin, boardMargin);
}

std::optional<QTransform> drawingTransform(const QRectF& bounds, const QRectF& target)
{
    const double scale =
        std::min(target.width() / bounds.width(), target.height() / bounds.height());
    if (!(scale > 0) || !std::isfinite(scale)) {
        return std::nullopt;
    }
    QTransform transform;
    transform.translate(target.center().x(), target.center().y());
    transform.scale(scale, scale);
    transform.translate(-bounds.center().x(), -bounds.center().y());
    return transform;
}

QPointF keyPoint(const DrawnKey& key)
{
    const QRectF box = key.outline.boundingRect();
    const QPointF middle = box.center();
    if (key.outline.containsPoint(middle, Qt::OddEvenFill)) {
        return middle;
    }
    // Points of the box on an eighth-unit grid, nearest the middle first, that lie a quarter unit
    // inside the outline every way.
    constexpr double step = 0.125;
    constexpr double inset = 0.25;
    const std::array<QPointF, 5> around{QPointF(0, 0), QPointF(-inset, 0), QPointF(inset, 0),
                                        QPointF(0, -inset), QPointF(0, inset)};
    std::optional<QPointF> best;
    double bestDistance = 0;
    for (double y = box.top() + inset; y <= box.bottom() - inset; y += step) {
        for (double x = box.left() + inset; x <= box.right() - inset; x += step) {
            const QPointF at(x, y);
            const double distance = QLineF(at, middle).length();
            if (best && distance >= bestDistance) {
                continue;
            }
            const bool inside = std::all_of(around.begin(), around.end(), [&](QPointF d) {
                return key.outline.containsPoint(at + d, Qt::OddEvenFill);
            });
            if (inside) {
                best = at;
                bestDistance = distance;
            }
        }
    }
    return best.value_or(middle);
}

} // namespace kelvara
