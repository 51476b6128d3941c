#include "led/standardkeyplaces.h"

#include "input/keylayoutdata.h"

#include <QHash>

namespace kelvara {

namespace {

// Layout units of the reference picture. The picture shows a full-size US board; the keys below
// are put where they sit on boards that have them: the ISO keys beside Left Shift and Enter, the
// JIS keys around the space bar, media keys over the number pad (where media key waves start),
// and the boards' own function keys in the free strip above the navigation keys.
const QHash<QString, QPointF>& standardPlaces()
{
    static const QHash<QString, QPointF> places{
        {QStringLiteral("#"), {581, 185}},
        {QStringLiteral("\\ (ISO)"), {136, 224}},
        {QStringLiteral("< >"), {136, 224}},
        {QStringLiteral("/ (ISO)"), {561, 224}},
        {QStringLiteral("Left Fn"), {118, 263}},
        {QStringLiteral("Fn"), {517, 263}},
        {QStringLiteral("Pause"), {761, 57}},
        {QStringLiteral("Media Previous"), {815, 57}},
        {QStringLiteral("Media Play/Pause"), {854, 57}},
        {QStringLiteral("Media Next"), {893, 57}},
        {QStringLiteral("Media Mute"), {933, 57}},
        {QStringLiteral("Media Stop"), {854, 20}},
        {QStringLiteral("Media Volume -"), {893, 20}},
        {QStringLiteral("Media Volume +"), {933, 20}},
        {QStringLiteral("Brightness"), {683, 20}},
        {QStringLiteral("Brightness -"), {683, 20}},
        {QStringLiteral("Brightness +"), {722, 20}},
        {QStringLiteral("Lighting"), {683, 20}},
        {QStringLiteral("Windows Lock"), {722, 20}},
        {QStringLiteral("Game Mode"), {722, 20}},
        {QStringLiteral("Fn Lock"), {722, 20}},
        {QStringLiteral("Profile"), {761, 20}},
        {QStringLiteral("Mode"), {761, 20}},
        {QStringLiteral("Sleep"), {815, 20}},
        {QStringLiteral("Power"), {815, 20}},
        {QStringLiteral("¥"), {591, 107}},
        {QStringLiteral("_"), {561, 224}},
        {QStringLiteral("ろ"), {561, 224}},
        {QStringLiteral("半角/全角"), {80, 107}},
        {QStringLiteral("無変換"), {248, 263}},
        {QStringLiteral("変換"), {410, 263}},
        {QStringLiteral("かな"), {440, 263}},
        {QStringLiteral("カタカナ/ひらがな"), {440, 263}},
    };
    return places;
}

} // namespace

std::optional<QPointF> tablePlaceOfCode(std::int64_t code)
{
    for (const KeyLayoutRow& row : initialKeyLayoutRows) {
        if (row.hidCode == code) {
            return QPointF(double(row.x), double(row.y));
        }
    }
    return std::nullopt;
}

std::optional<QPointF> standardKeyPlace(const QString& ledName)
{
    static const QString prefix = QStringLiteral("Key: ");
    const QString bare = ledName.startsWith(prefix) ? ledName.mid(prefix.size()) : ledName;
    const auto it = standardPlaces().constFind(bare);
    if (it == standardPlaces().constEnd()) {
        return std::nullopt;
    }
    return *it;
}

bool isCharacterKey(std::int64_t code)
{
    // Letters and digits (HID 4-39), then - = [ ] \ ; ' ` , . / (HID 45-56 but for the ISO #).
    return (code >= 4 && code <= 39) || (code >= 45 && code <= 56 && code != 50);
}

} // namespace kelvara
