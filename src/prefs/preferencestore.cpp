#include "prefs/preferencestore.h"

#include <QFileInfo>

#include <limits>

namespace kelvara {

namespace {

constexpr std::array<const char*, ringFieldCount> ringFieldSuffixes{
    "active",   "life",   "delay", "sizeStart", "sizeEnd", "thickness",
    "vizStart", "vizEnd", "red",   "green",     "blue"};

// An absent key, or one that holds no integer, reads 0.
std::int64_t readInteger(const QSettings& store, const QString& key)
{
    bool ok = false;
    const qlonglong value = store.value(key).toLongLong(&ok);
    return ok ? value : 0;
}

} // namespace

QString ringKey(int ring, int field)
{
    return QStringLiteral("ring") + QString::number(ring) +
           QLatin1String(ringFieldSuffixes.at(static_cast<std::size_t>(field)));
}

std::optional<std::int64_t> parseInteger(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    // Accumulated as a negative number so that the 64-bit minimum fits.
    std::int64_t value = 0;
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c - u'0';
        if (value < (lowest + digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest) {
            return std::nullopt;
        }
        value = -value;
    }
    return value;
}

int leadingIntValue(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = std::min<std::int64_t>(value * 10 + (text[i].unicode() - u'0'),
                                       std::int64_t(std::numeric_limits<int>::max()) + 1);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

StoredPrefs readStoredPrefs(const QSettings& store)
{
    StoredPrefs prefs;
    prefs.framerate = readInteger(store, framerateKey);
    const QVariant background = store.value(backgroundKey);
    if (background.isValid()) {
        prefs.background = background.toString();
    }
    prefs.flipModifiers = store.value(flipModifiersKey).toBool();
    prefs.lockLights = store.value(lockLightsKey, true).toBool();
    prefs.keyboard = store.value(keyboardKey).toString();
    // "#rrggbb"; anything else is the default white.
    if (const QVariant colour = store.value(lockLightsColourKey); colour.isValid()) {
        const QString text = colour.toString();
        if (text.size() == 7 && QColor::isValidColorName(text) &&
            text.startsWith(QLatin1Char('#'))) {
            prefs.lockLightsColour = QColor::fromString(text);
        }
    }
    for (int ring = 1; ring <= 5; ++ring) {
        for (int field = 0; field < ringFieldCount; ++field) {
            prefs.rings.at(std::size_t(ring - 1)).at(std::size_t(field)) =
                readInteger(store, ringKey(ring, field));
        }
    }
    return prefs;
}

StoredPrefs firstRunPrefs()
{
    StoredPrefs prefs;
    prefs.framerate = defaultFramerate;
    prefs.background = defaultBackgroundName;
    prefs.flipModifiers = false;
    prefs.rings = defaultRings;
    return prefs;
}

void writeDefaultPrefs(QSettings& store)
{
    store.setValue(framerateKey, qlonglong(defaultFramerate));
    store.setValue(backgroundKey, defaultBackgroundName);
    store.setValue(flipModifiersKey, false);
    for (int ring = 1; ring <= 5; ++ring) {
        for (int field = 0; field < ringFieldCount; ++field) {
            store.setValue(
                ringKey(ring, field),
                qlonglong(defaultRings.at(std::size_t(ring - 1)).at(std::size_t(field))));
        }
    }
}

std::unique_ptr<QSettings> openPreferenceStore()
{
    // On Linux the native format is INI text in $XDG_CONFIG_HOME/Kelvara/Kelvara.conf.
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Kelvara"), QStringLiteral("Kelvara"));
}

QString keyboardsFolder()
{
    return QFileInfo(openPreferenceStore()->fileName()).absolutePath() +
           QStringLiteral("/keyboards");
}

} // namespace kelvara
