#include "support/referencekeyboards.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

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

std::vector<ReferenceKeyboard> referenceKeyboards()
{
    QFile file(QStringLiteral(KELVARA_SOURCE_DIR "/tests/led/data/openrgb-keyboards.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
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

ReferenceKeyboard referenceKeyboard(const QString& id)
{
    for (ReferenceKeyboard& keyboard : referenceKeyboards()) {
        if (keyboard.id == id) {
            return keyboard;
        }
    }
    ADD_FAILURE() << "no reference keyboard " << id.toStdString();
    return {};
}

openrgb::Controller asServed(const FakeOpenRgbServer::Device& device)
{
    const auto c = openrgb::parseControllerData(FakeOpenRgbServer::encodeDevice(device, 6), 6);
    EXPECT_TRUE(c) << device.name.toStdString();
    return c.value_or(openrgb::Controller{});
}

} // namespace kelvara::testing
