#include "support/referencekeyboards.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kelvara::testing {

namespace {

openrgb::Zone zoneOf(const QJsonObject& json)
{
    openrgb::Zone zone;
    zone.name = json.value(QStringLiteral("name")).toString();
    zone.ledsCount = quint32(json.value(QStringLiteral("leds_count")).toInt());
    const QJsonObject matrix = json.value(QStringLiteral("matrix")).toObject();
    if (!matrix.isEmpty()) {
        zone.matrixHeight = quint32(matrix.value(QStringLiteral("height")).toInt());
        zone.matrixWidth = quint32(matrix.value(QStringLiteral("width")).toInt());
        for (const QJsonValue row : matrix.value(QStringLiteral("map")).toArray()) {
            for (const QJsonValue cell : row.toArray()) {
                zone.matrix.push_back(cell.isNull() ? openrgb::noMatrixCell
                                                    : quint32(cell.toInteger()));
            }
        }
    }
    return zone;
}

} // namespace

std::vector<ReferenceKeyboard> readReferenceKeyboards()
{
    QFile file(QStringLiteral(KELVARA_SOURCE_DIR "/tests/led/data/openrgb-keyboards.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QJsonArray devices =
        QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray();
    std::vector<ReferenceKeyboard> keyboards;
    for (const QJsonValue value : devices) {
        const QJsonObject json = value.toObject();
        ReferenceKeyboard keyboard;
        keyboard.id = json.value(QStringLiteral("id")).toString();
        keyboard.layout = json.value(QStringLiteral("layout")).toString();
        keyboard.size = json.value(QStringLiteral("size")).toString();
        keyboard.device.type = json.value(QStringLiteral("type")).toInt();
        keyboard.device.name = keyboard.id;
        for (const QJsonValue led : json.value(QStringLiteral("leds")).toArray()) {
            keyboard.device.leds.push_back(led.toString());
        }
        for (const QJsonValue zone : json.value(QStringLiteral("zones")).toArray()) {
            keyboard.device.zones.push_back(zoneOf(zone.toObject()));
        }
        keyboards.push_back(std::move(keyboard));
    }
    return keyboards;
}

} // namespace kelvara::testing
