#include "led/keyboardfile.h"

#include "platform/systemlog.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <array>
#include <cmath>
#include <optional>
#include <set>

namespace kelvara {

namespace {

// A key's outline has a handful of corners; a file that claims more is not a keyboard.
constexpr qsizetype mostCorners = 64;
constexpr int longestFileName = 100;

constexpr std::array sizes{KeyboardSize::Full,      KeyboardSize::Tkl,   KeyboardSize::SeventyFive,
                           KeyboardSize::SixtyFive, KeyboardSize::Sixty, KeyboardSize::Laptop,
                           KeyboardSize::Keypad,    KeyboardSize::Other};
constexpr std::array layouts{KeyboardLayout::Ansi, KeyboardLayout::Iso, KeyboardLayout::Jis,
                             KeyboardLayout::Abnt2, KeyboardLayout::Unknown};

void ledsAndNames(const std::vector<std::size_t>& leds, const std::vector<QString>& names,
                  QJsonObject& entry)
{
    QJsonArray indices;
    QJsonArray ledNames;
    for (const std::size_t led : leds) {
        indices.append(qint64(led));
        ledNames.append(led < names.size() ? names[led] : QString());
    }
    entry.insert(QStringLiteral("leds"), indices);
    entry.insert(QStringLiteral("names"), ledNames);
}

// Rounded to what a hand would write, so that the file reads well.
double tidy(double value)
{
    return std::round(value * 1000.0) / 1000.0;
}

std::optional<std::vector<std::size_t>> readLeds(const QJsonValue& value, std::size_t ledCount,
                                                 QString& problem)
{
    if (!value.isArray()) {
        problem = QStringLiteral("\"leds\" is not a list");
        return std::nullopt;
    }
    std::vector<std::size_t> leds;
    for (const QJsonValue& led : value.toArray()) {
        const double index = led.toDouble(-1);
        if (!led.isDouble() || index < 0 || index != std::floor(index)) {
            problem = QStringLiteral("an LED index is not a whole number");
            return std::nullopt;
        }
        if (index >= double(ledCount)) {
            problem = QStringLiteral("LED index %1 is past the keyboard's %2 LEDs")
                          .arg(qint64(index))
                          .arg(ledCount);
            return std::nullopt;
        }
        leds.push_back(std::size_t(index));
    }
    return leds;
}

// The names written beside an entry's LEDs, where they are text, kept at those LEDs' indices.
void readNames(const QJsonObject& entry, const std::vector<std::size_t>& leds,
               std::vector<QString>& ledNames)
{
    const QJsonArray names = entry.value(QStringLiteral("names")).toArray();
    for (std::size_t i = 0; i < leds.size() && i < std::size_t(names.size()); ++i) {
        if (names[qsizetype(i)].isString()) {
            ledNames.resize(std::max(ledNames.size(), leds[i] + 1));
            ledNames[leds[i]] = names[qsizetype(i)].toString();
        }
    }
}

std::optional<QPolygonF> readOutline(const QJsonValue& value, QString& problem)
{
    const QJsonArray corners = value.toArray();
    if (!value.isArray() || corners.size() < 3 || corners.size() > mostCorners) {
        problem = QStringLiteral("an outline has %1 corners, not 3 to %2")
                      .arg(value.isArray() ? corners.size() : 0)
                      .arg(mostCorners);
        return std::nullopt;
    }
    QPolygonF outline;
    for (const QJsonValue& corner : corners) {
        const QJsonArray xy = corner.toArray();
        if (xy.size() != 2 || !xy[0].isDouble() || !xy[1].isDouble() ||
            !std::isfinite(xy[0].toDouble()) || !std::isfinite(xy[1].toDouble())) {
            problem = QStringLiteral("a corner is not two numbers");
            return std::nullopt;
        }
        if (std::abs(xy[0].toDouble()) > farthestAcross ||
            std::abs(xy[1].toDouble()) > farthestDown) {
            problem =
                QStringLiteral("a corner lies further out than %1 key units across or %2 down")
                    .arg(farthestAcross)
                    .arg(farthestDown);
            return std::nullopt;
        }
        outline.append({xy[0].toDouble(), xy[1].toDouble()});
    }
    return outline;
}

} // namespace

QByteArray writeKeyboardFile(const KeyboardFile& file, const std::vector<QString>& ledNames)
{
    QJsonArray keys;
    for (const DrawnKey& key : file.drawing.keys) {
        QJsonObject entry;
        ledsAndNames(key.leds, ledNames, entry);
        QJsonArray outline;
        for (const QPointF& corner : key.outline) {
            outline.append(QJsonArray{tidy(corner.x()), tidy(corner.y())});
        }
        entry.insert(QStringLiteral("outline"), outline);
        keys.append(entry);
    }
    QJsonArray other;
    for (const std::size_t led : file.drawing.other) {
        QJsonObject entry;
        ledsAndNames({led}, ledNames, entry);
        other.append(entry);
    }
    const QJsonObject root{{QStringLiteral("format"), keyboardFileFormat},
                           {QStringLiteral("keyboard"), file.keyboard},
                           {QStringLiteral("size"), sizeName(file.kind.size)},
                           {QStringLiteral("layout"), layoutName(file.kind.layout)},
                           {QStringLiteral("keys"), keys},
                           {QStringLiteral("other"), other}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::variant<KeyboardFile, QString> readKeyboardFile(const QByteArray& bytes, std::size_t ledCount)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return error.error != QJsonParseError::NoError ? QStringLiteral("not JSON (%1 at byte %2)")
                                                             .arg(error.errorString())
                                                             .arg(error.offset)
                                                       : QStringLiteral("not a JSON object");
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toInt(-1) != keyboardFileFormat) {
        return QStringLiteral("\"format\" is not %1").arg(keyboardFileFormat);
    }
    KeyboardFile file;
    file.keyboard = root.value(QStringLiteral("keyboard")).toString();
    const QString size = root.value(QStringLiteral("size")).toString();
    const auto sizeFound = std::find_if(sizes.begin(), sizes.end(),
                                        [&](KeyboardSize s) { return sizeName(s) == size; });
    const QString layout = root.value(QStringLiteral("layout")).toString();
    const auto layoutFound = std::find_if(
        layouts.begin(), layouts.end(), [&](KeyboardLayout l) { return layoutName(l) == layout; });
    if (sizeFound == sizes.end()) {
        return QStringLiteral(
            "\"size\" is not one of full, tkl, 75%, 65%, 60%, laptop, keypad, other");
    }
    if (layoutFound == layouts.end()) {
        return QStringLiteral("\"layout\" is not one of ANSI, ISO, JIS, ABNT2, unknown");
    }
    file.kind = {*sizeFound, *layoutFound};
    if (!root.value(QStringLiteral("keys")).isArray() ||
        !root.value(QStringLiteral("other")).isArray()) {
        return QStringLiteral("\"keys\" or \"other\" is not a list");
    }
    if (root.value(QStringLiteral("keys")).toArray().size() > qsizetype(mostKeys)) {
        return QStringLiteral("more than %1 keys").arg(mostKeys);
    }
    QString problem;
    for (const QJsonValue& value : root.value(QStringLiteral("keys")).toArray()) {
        const QJsonObject entry = value.toObject();
        const auto leds = readLeds(entry.value(QStringLiteral("leds")), ledCount, problem);
        const auto outline =
            leds ? readOutline(entry.value(QStringLiteral("outline")), problem) : std::nullopt;
        if (!outline) {
            return problem;
        }
        readNames(entry, *leds, file.ledNames);
        file.drawing.keys.push_back({*leds, *outline});
    }
    for (const QJsonValue& value : root.value(QStringLiteral("other")).toArray()) {
        const auto leds =
            readLeds(value.toObject().value(QStringLiteral("leds")), ledCount, problem);
        if (!leds) {
            return problem;
        }
        readNames(value.toObject(), *leds, file.ledNames);
        file.drawing.other.insert(file.drawing.other.end(), leds->begin(), leds->end());
    }
    return file;
}

QString keyboardFileName(const QString& controllerName)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9 ._()-]"));
    QString name = controllerName.left(longestFileName);
    name.replace(unsafe, QStringLiteral("_"));
    name = name.trimmed();
    // Never hidden, never "." or "..".
    while (name.startsWith(QLatin1Char('.'))) {
        name.remove(0, 1);
    }
    if (name.isEmpty()) {
        name = QStringLiteral("keyboard");
    }
    return name + QStringLiteral(".json");
}

namespace {

// A file opened or not: its keyboard, or what is wrong with it.
std::variant<KeyboardFile, QString> readFileAt(QFile& file, std::size_t ledCount)
{
    // A keyboard's file is read once a listing, and a megabyte is more than any keyboard needs.
    constexpr qint64 largestFile = 1 << 20;
    if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) {
        return file.errorString();
    }
    if (file.size() > largestFile) {
        return QStringLiteral("larger than a megabyte");
    }
    return readKeyboardFile(file.read(largestFile), ledCount);
}

} // namespace

std::optional<ShownKeyboard> readKeptKeyboard(const QString& folder, const QString& name)
{
    if (name.isEmpty()) {
        return std::nullopt;
    }
    QFile file(QDir(folder).filePath(keyboardFileName(name)));
    if (!file.exists()) {
        return std::nullopt;
    }
    std::variant<KeyboardFile, QString> kept = readFileAt(file, mostKeptLeds);
    if (auto* usable = std::get_if<KeyboardFile>(&kept)) {
        return shownKeyboard(name, usable->kind, std::move(usable->drawing), usable->ledNames);
    }
    systemLog(QStringLiteral("The keyboard file %1 cannot be used: %2. The reference picture is "
                             "shown until the lighting service answers.")
                  .arg(file.fileName(), std::get<QString>(kept)));
    return std::nullopt;
}

void useKeptDrawing(const QString& folder, const openrgb::Controller& controller,
                    LedPlacement& placement)
{
    const QString path = QDir(folder).filePath(keyboardFileName(controller.name));
    QFile file(path);
    if (!file.exists()) {
        QDir().mkpath(folder);
        const KeyboardFile drawn{controller.name, placement.kind, placement.drawing, {}};
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(writeKeyboardFile(drawn, controller.ledNames)) < 0) {
            systemLog(QStringLiteral("Cannot keep the drawing of \"%1\" in %2: %3.")
                          .arg(controller.name, path, file.errorString()));
        }
        return;
    }
    std::variant<KeyboardFile, QString> kept = readFileAt(file, controller.ledNames.size());
    if (auto* usable = std::get_if<KeyboardFile>(&kept)) {
        placement.kind = usable->kind;
        placement.drawing = std::move(usable->drawing);
        return;
    }
    static std::set<std::pair<QString, QString>> told;
    const QString problem = std::get<QString>(kept);
    if (told.insert({path, problem}).second) {
        systemLog(QStringLiteral("The keyboard file %1 cannot be used: %2. \"%3\" is drawn from "
                                 "the lighting service's data.")
                      .arg(path, problem, controller.name));
    }
}

} // namespace kelvara
