#include "led/ledplacement.h"

#include "led/ledkeynames.h"
#include "led/matrixfit.h"
#include "led/standardkeyplaces.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>
#include <optional>

namespace kelvara {

using namespace openrgb;

namespace {

// A legend-named key lies a whole row or more from where its neighbours put it; a key whose name
// tells its place is never that far, however its driver lays out the matrix.
constexpr double legendApart = 80; // layout units, about two keys
constexpr double halfKey = keyPitch / 2;

// "Key: F1 LED 2", the second light of a key that has several, is that key's.
QString keyOfLedName(const QString& name)
{
    static const QRegularExpression nthLed(QStringLiteral("^(Key: .+) LED \\d+$"));
    const QRegularExpressionMatch match = nthLed.match(name);
    return match.hasMatch() ? match.captured(1) : name;
}

struct Cell
{
    int column;
    int row;
    int led;
};

// One zone with a usable matrix map: its cells, the cells whose LED names a table key, and which
// of those the zone's neighbours show to be named by their legend.
struct MatrixZone
{
    int width = 0;
    int height = 0;
    std::vector<Cell> cells;
    std::vector<MatrixAnchor> anchors;
    std::vector<bool> legend;
};

// The cells of every zone that has a usable map, with device LED indices, and their anchors.
std::vector<MatrixZone> matrixZones(const Controller& controller,
                                    const std::vector<std::int64_t>& codes)
{
    QHash<std::int64_t, int> ledsOfCode;
    for (const std::int64_t code : codes) {
        if (code >= 0) {
            ++ledsOfCode[code];
        }
    }
    std::vector<MatrixZone> zones;
    const std::size_t leds = controller.ledNames.size();
    std::size_t start = 0;
    for (const Zone& zone : controller.zones) {
        MatrixZone matrix{int(zone.matrixWidth), int(zone.matrixHeight), {}, {}, {}};
        for (std::size_t i = 0; i < zone.matrix.size(); ++i) {
            const quint32 value = zone.matrix[i];
            // Cells past the zone's own LEDs are the driver's mistake, not a place.
            if (value == noMatrixCell || value >= zone.ledsCount || start + value >= leds) {
                continue;
            }
            const Cell cell{int(i % zone.matrixWidth), int(i / zone.matrixWidth),
                            int(start + value)};
            matrix.cells.push_back(cell);
            const std::int64_t code = codes[std::size_t(cell.led)];
            if (const auto at = code >= 0 ? tablePlaceOfCode(code) : std::nullopt) {
                matrix.anchors.push_back(MatrixAnchor{cell.column, cell.row, *at,
                                                      isCharacterKey(code),
                                                      ledsOfCode.value(code) == 1, cell.led});
            }
        }
        if (!matrix.cells.empty()) {
            zones.push_back(std::move(matrix));
        }
        start += zone.ledsCount;
    }
    return zones;
}

// A driver that names legends gives itself away by keys that no neighbour agrees with; on such a
// board every character key a half key off its neighbours is taken by its matrix place. Returns
// one flag per LED.
std::vector<bool> markLegendNames(std::vector<MatrixZone>& zones, std::size_t count)
{
    bool namesLegends = false;
    for (MatrixZone& zone : zones) {
        zone.legend = legendNamedAnchors(zone.anchors, legendApart);
        namesLegends = namesLegends || std::ranges::find(zone.legend, true) != zone.legend.end();
    }
    std::vector<bool> legendLed(count, false);
    if (!namesLegends) {
        return legendLed;
    }
    for (const MatrixZone& zone : zones) {
        const std::vector<bool> loose = legendNamedAnchors(zone.anchors, halfKey);
        for (std::size_t a = 0; a < zone.anchors.size(); ++a) {
            if (zone.legend[a] || loose[a]) {
                legendLed[std::size_t(zone.anchors[a].led)] = true;
            }
        }
    }
    return legendLed;
}

// Each zone fitted through its trusted anchors; every cell's place, averaged over the cells of an
// LED that spans several. LEDs in no fitted cell get none.
std::vector<std::optional<QPointF>> matrixPlaces(const std::vector<MatrixZone>& zones,
                                                 const std::vector<bool>& legendLed)
{
    const bool anyAnchor =
        std::ranges::any_of(zones, [](const MatrixZone& zone) { return !zone.anchors.empty(); });
    std::vector<QPointF> sum(legendLed.size());
    std::vector<int> cellsOfLed(legendLed.size(), 0);
    for (const MatrixZone& zone : zones) {
        std::vector<MatrixAnchor> trusted;
        std::ranges::copy_if(zone.anchors, std::back_inserter(trusted), [&](const auto& anchor) {
            return anchor.sole && !legendLed[std::size_t(anchor.led)];
        });
        // A zone that names no key beside others that do (underglow, light bars) cannot be put
        // anywhere on the picture; only a device that names none is spread over it.
        if (trusted.empty() && anyAnchor) {
            continue;
        }
        const MatrixFit fit(trusted, zone.width, zone.height);
        for (const Cell& cell : zone.cells) {
            sum[std::size_t(cell.led)] += fit.place(cell.column, cell.row);
            ++cellsOfLed[std::size_t(cell.led)];
        }
    }
    std::vector<std::optional<QPointF>> places(legendLed.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (cellsOfLed[i] > 0) {
            places[i] = sum[i] / cellsOfLed[i];
        }
    }
    return places;
}

} // namespace

int LedPlacement::count(LedWay way) const
{
    return int(std::ranges::count(leds, way, &PlacedLed::way));
}

int LedPlacement::legendNames() const
{
    return int(std::ranges::count(leds, true, &PlacedLed::legendName));
}

bool isKeyLedName(const QString& name)
{
    return name.startsWith(QStringLiteral("Key: "));
}

bool isKeyboardLike(const Controller& controller)
{
    if (controller.type == keyboardType) {
        return true;
    }
    const bool keyNames =
        std::any_of(controller.ledNames.begin(), controller.ledNames.end(), isKeyLedName);
    const bool matrix = std::any_of(controller.zones.begin(), controller.zones.end(),
                                    [](const Zone& zone) { return !zone.matrix.empty(); });
    if (controller.type == keypadType || controller.type == laptopType) {
        return keyNames || matrix;
    }
    return keyNames;
}

LedPlacement placeLeds(const Controller& controller)
{
    const std::vector<std::int64_t> codes = tableCodesOfLeds(controller.ledNames);
    std::vector<MatrixZone> zones = matrixZones(controller, codes);
    const std::vector<bool> legendLed = markLegendNames(zones, codes.size());
    const std::vector<std::optional<QPointF>> inMatrix = matrixPlaces(zones, legendLed);

    // A key's own name comes first, then its matrix place, then the place of a standard key name.
    LedPlacement placement;
    placement.kind = keyboardKind(controller);
    placement.leds.resize(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        PlacedLed& led = placement.leds[i];
        if (codes[i] >= 0 && !legendLed[i]) {
            led.way = LedWay::TableKey;
            led.code = codes[i];
        } else if (inMatrix[i]) {
            led = {LedWay::Matrix, -1, *inMatrix[i], legendLed[i]};
        } else if (const auto at = standardKeyPlace(keyOfLedName(controller.ledNames[i]))) {
            led = {LedWay::StandardName, -1, *at, false};
        }
    }
    LedPoints points(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const PlacedLed& led = placement.leds[i];
        points[i] = led.way == LedWay::TableKey ? tablePlaceOfCode(led.code)
                    : led.way == LedWay::Rule   ? std::nullopt
                                                : std::optional(led.at);
    }
    placement.drawing = drawKeyboard(controller, placement.kind, legendLed, points);
    return placement;
}

QString placementSummary(const QString& deviceName, const LedPlacement& placement)
{
    QString line =
        QStringLiteral("Keyboard \"%1\" taken over (%7, %8): %2 LEDs, %3 placed by key "
                       "name, %4 by matrix, %5 by standard key place, %6 follow the mean "
                       "colour.")
            .arg(deviceName)
            .arg(placement.leds.size())
            .arg(placement.count(LedWay::TableKey))
            .arg(placement.count(LedWay::Matrix))
            .arg(placement.count(LedWay::StandardName))
            .arg(placement.count(LedWay::Rule))
            .arg(sizeName(placement.kind.size), layoutName(placement.kind.layout));
    if (placement.legendNames() > 0) {
        line += QStringLiteral(" Its driver names keys by their legends: %1 of them are placed by "
                               "matrix instead.")
                    .arg(placement.legendNames());
    }
    return line;
}

std::vector<std::int64_t> tableCodesOfLeds(const std::vector<QString>& ledNames)
{
    const std::size_t count = ledNames.size();
    QHash<QString, std::vector<int>> ledsByKeyName;
    for (std::size_t i = 0; i < count; ++i) {
        ledsByKeyName[keyOfLedName(ledNames[i])].push_back(int(i));
    }
    std::vector<std::int64_t> codes(count, -1);
    for (const std::int64_t code : namedLedCodes()) {
        for (const QString& name : ledNamesForCode(code)) {
            const auto it = ledsByKeyName.constFind(name);
            if (it == ledsByKeyName.constEnd()) {
                continue;
            }
            for (const int led : *it) {
                codes[std::size_t(led)] = code;
            }
            break;
        }
    }
    return codes;
}

} // namespace kelvara
