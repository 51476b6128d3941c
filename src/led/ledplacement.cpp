#include "led/ledplacement.h"

#include "led/ledkeynames.h"
#include "led/matrixfit.h"
#include "led/standardkeyplaces.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

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

struct ZoneCells
{
    int width = 0;
    int height = 0;
    std::vector<Cell> cells;
};

// The matrix cells of every zone that has a usable map, with device LED indices.
std::vector<ZoneCells> matrixCells(const Controller& controller)
{
    std::vector<ZoneCells> zones;
    const std::size_t leds = controller.ledNames.size();
    std::size_t start = 0;
    for (const Zone& zone : controller.zones) {
        if (!zone.matrix.empty()) {
            ZoneCells cells{int(zone.matrixWidth), int(zone.matrixHeight), {}};
            for (std::size_t i = 0; i < zone.matrix.size(); ++i) {
                const quint32 value = zone.matrix[i];
                // Cells past the zone's own LEDs are the driver's mistake, not a place.
                if (value == noMatrixCell || value >= zone.ledsCount || start + value >= leds) {
                    continue;
                }
                cells.cells.push_back(
                    Cell{int(i % zone.matrixWidth), int(i / zone.matrixWidth), int(start + value)});
            }
            if (!cells.cells.empty()) {
                zones.push_back(std::move(cells));
            }
        }
        start += zone.ledsCount;
    }
    return zones;
}

} // namespace

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
    const std::size_t count = controller.ledNames.size();
    LedPlacement placement;
    placement.ways.assign(count, LedWay::Rule);

    // Which table key each LED's name gives it: for each key the first of its names that the
    // device uses, with every LED of that name (two-LED space bars, "Key: F1 LED 2").
    QHash<QString, std::vector<int>> ledsByKeyName;
    for (std::size_t i = 0; i < count; ++i) {
        ledsByKeyName[keyOfLedName(controller.ledNames[i])].push_back(int(i));
    }
    std::vector<std::int64_t> codeOfLed(count, -1);
    for (const std::int64_t code : namedLedCodes()) {
        for (const QString& name : ledNamesForCode(code)) {
            const auto it = ledsByKeyName.constFind(name);
            if (it == ledsByKeyName.constEnd()) {
                continue;
            }
            for (const int led : *it) {
                codeOfLed[std::size_t(led)] = code;
            }
            break;
        }
    }
    QHash<std::int64_t, int> namedLeds;
    for (const std::int64_t code : codeOfLed) {
        if (code >= 0) {
            ++namedLeds[code];
        }
    }

    // Matrix anchors: cells whose LED has a table key.
    const std::vector<ZoneCells> zones = matrixCells(controller);
    std::vector<std::vector<MatrixAnchor>> anchors(zones.size());
    std::vector<std::vector<int>> anchorLeds(zones.size());
    bool anyAnchor = false;
    for (std::size_t z = 0; z < zones.size(); ++z) {
        for (const Cell& cell : zones[z].cells) {
            const std::int64_t code = codeOfLed[std::size_t(cell.led)];
            const auto at = code >= 0 ? tablePlaceOfCode(code) : std::nullopt;
            if (!at) {
                continue;
            }
            anchors[z].push_back(MatrixAnchor{cell.column, cell.row, *at, isCharacterKey(code),
                                              namedLeds.value(code) == 1});
            anchorLeds[z].push_back(cell.led);
            anyAnchor = true;
        }
    }

    // A driver that names legends gives itself away by keys that no neighbour agrees with; on
    // such a board every character key a half key off its neighbours is taken by its matrix place.
    std::vector<std::vector<bool>> legend(zones.size());
    bool namesLegends = false;
    for (std::size_t z = 0; z < zones.size(); ++z) {
        legend[z] = legendNamedAnchors(anchors[z], legendApart);
        namesLegends =
            namesLegends || std::find(legend[z].begin(), legend[z].end(), true) != legend[z].end();
    }
    std::vector<bool> legendLed(count, false);
    for (std::size_t z = 0; z < zones.size() && namesLegends; ++z) {
        const std::vector<bool> loose = legendNamedAnchors(anchors[z], halfKey);
        for (std::size_t a = 0; a < anchors[z].size(); ++a) {
            if (legend[z][a] || loose[a]) {
                legendLed[std::size_t(anchorLeds[z][a])] = true;
            }
        }
    }

    // Each zone fitted through its trusted anchors; every cell's place, averaged over the cells
    // of an LED that spans several.
    std::vector<QPointF> matrixSum(count);
    std::vector<int> matrixCellsOfLed(count, 0);
    for (std::size_t z = 0; z < zones.size(); ++z) {
        std::vector<MatrixAnchor> trusted;
        for (std::size_t a = 0; a < anchors[z].size(); ++a) {
            if (anchors[z][a].sole && !legendLed[std::size_t(anchorLeds[z][a])]) {
                trusted.push_back(anchors[z][a]);
            }
        }
        // A zone that names no key beside others that do (underglow, light bars) cannot be put
        // anywhere on the picture; only a device that names none is spread over it.
        if (trusted.empty() && anyAnchor) {
            continue;
        }
        const MatrixFit fit(trusted, zones[z].width, zones[z].height);
        for (const Cell& cell : zones[z].cells) {
            matrixSum[std::size_t(cell.led)] += fit.place(cell.column, cell.row);
            ++matrixCellsOfLed[std::size_t(cell.led)];
        }
    }

    for (std::size_t i = 0; i < count; ++i) {
        const int led = int(i);
        if (codeOfLed[i] >= 0 && !legendLed[i]) {
            placement.ways[i] = LedWay::TableKey;
            placement.byCode.emplace_back(codeOfLed[i], led);
        } else if (matrixCellsOfLed[i] > 0) {
            placement.ways[i] = LedWay::Matrix;
            placement.byPlace.emplace_back(led, matrixSum[i] / matrixCellsOfLed[i]);
            placement.legendNames += legendLed[i] ? 1 : 0;
        } else if (const auto at = standardKeyPlace(keyOfLedName(controller.ledNames[i]))) {
            placement.ways[i] = LedWay::StandardName;
            placement.byPlace.emplace_back(led, *at);
        } else {
            placement.byRule.push_back(led);
        }
    }
    std::stable_sort(placement.byCode.begin(), placement.byCode.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return placement;
}

QString placementSummary(const QString& deviceName, const LedPlacement& placement)
{
    const auto keys = [&](LedWay way) {
        return std::count(placement.ways.begin(), placement.ways.end(), way);
    };
    QString line = QStringLiteral("Keyboard \"%1\" taken over: %2 LEDs, %3 placed by key name, %4 "
                                  "by matrix, %5 by standard key place, %6 follow the mean colour.")
                       .arg(deviceName)
                       .arg(placement.ways.size())
                       .arg(keys(LedWay::TableKey))
                       .arg(keys(LedWay::Matrix))
                       .arg(keys(LedWay::StandardName))
                       .arg(keys(LedWay::Rule));
    if (placement.legendNames > 0) {
        line += QStringLiteral(" Its driver names keys by their legends: %1 of them are placed by "
                               "matrix instead.")
                    .arg(placement.legendNames);
    }
    return line;
}

} // namespace kelvara
