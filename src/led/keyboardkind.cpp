#include "led/keyboardkind.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <array>
#include <vector>

namespace kelvara {

using namespace openrgb;

namespace {

constexpr int keypadType = 18;
constexpr int laptopType = 19;

// The keys of the LEDs a board shows: where a zone has a matrix map, only the LEDs it places.
QSet<QString> keysShown(const Controller& controller)
{
    const std::size_t count = controller.ledNames.size();
    std::vector<bool> mapped(count, false); // in a zone with a matrix
    std::vector<bool> shown(count, false);  // in a cell of it
    std::size_t start = 0;
    for (const Zone& zone : controller.zones) {
        const std::size_t first = start;
        start += zone.ledsCount;
        if (zone.matrix.empty()) {
            continue;
        }
        for (std::size_t i = first; i < std::min<std::size_t>(start, count); ++i) {
            mapped[i] = true;
        }
        for (const quint32 cell : zone.matrix) {
            if (cell != noMatrixCell && first + cell < count) {
                shown[first + cell] = true;
            }
        }
    }
    QSet<QString> keys;
    for (std::size_t i = 0; i < count; ++i) {
        if (!mapped[i] || shown[i]) {
            if (QString key = keyNameOf(controller.ledNames[i]); !key.isEmpty()) {
                keys.insert(key);
            }
        }
    }
    return keys;
}

template <std::size_t N>
int countOf(const QSet<QString>& keys, const std::array<const char*, N>& names)
{
    return int(std::count_if(names.begin(), names.end(), [&](const char* name) {
        return keys.contains(QString::fromUtf8(name));
    }));
}

KeyboardLayout layoutOf(const QSet<QString>& keys)
{
    if (keys.isEmpty()) {
        return KeyboardLayout::Unknown;
    }
    static constexpr std::array jis{
        "半角/全角", "kanji", "wo",   "E/J",    "Yen",      "Ro",       "ろ",
        "無変換",    "変換",  "かな", "Henkan", "Muhenkan", "Katakana", "カタカナ/ひらがな"};
    if (countOf(keys, jis) > 0) {
        return KeyboardLayout::Jis;
    }
    // Portuguese and French lists have a ç too; the Brazilian one keeps ~ and ´ beside it.
    static constexpr std::array abntBeside{"´ `", "~"};
    if (keys.contains(QStringLiteral("ç")) && countOf(keys, abntBeside) > 0) {
        return KeyboardLayout::Abnt2;
    }
    static constexpr std::array iso{"\\ (ISO)", "#",     "< >",       "Enter (ISO)", "# ~",
                                    "ISO \\",   "ISO #", "Non-US \\", "Non-US #"};
    return countOf(keys, iso) > 0 ? KeyboardLayout::Iso : KeyboardLayout::Ansi;
}

KeyboardSize sizeOf(const QSet<QString>& keys, int type)
{
    if (type == keypadType) {
        return KeyboardSize::Keypad;
    }
    if (keys.isEmpty()) {
        return type == laptopType ? KeyboardSize::Laptop : KeyboardSize::Other;
    }
    int functionKeys = 0;
    for (int f = 1; f <= 12; ++f) {
        functionKeys += keys.contains(QStringLiteral("F%1").arg(f)) ? 1 : 0;
    }
    static constexpr std::array navigation{"Insert", "Home", "Page Up",
                                           "Delete", "End",  "Page Down"};
    static constexpr std::array printing{"Print Screen", "Scroll Lock", "Pause/Break", "Pause"};
    static constexpr std::array arrows{"Up Arrow", "Down Arrow", "Left Arrow", "Right Arrow"};
    const int numberPad = int(std::count_if(keys.begin(), keys.end(), [](const QString& key) {
        return key.startsWith(QStringLiteral("Number Pad")) ||
               key.startsWith(QStringLiteral("Num Pad")) ||
               key.startsWith(QStringLiteral("Numpad")) || key == QStringLiteral("Num Lock");
    }));
    const bool functionRow = functionKeys >= 10;
    const int navigationKeys = countOf(keys, navigation);
    if (numberPad >= 10) {
        return KeyboardSize::Full;
    }
    if (functionRow &&
        (navigationKeys == 6 || (navigationKeys == 5 && countOf(keys, printing) >= 2))) {
        return KeyboardSize::Tkl;
    }
    // Some laptops name only the arrows they light.
    const bool hasArrows = countOf(keys, arrows) >= 2;
    if (functionRow) {
        return hasArrows ? KeyboardSize::SeventyFive
                         : (type == laptopType ? KeyboardSize::Laptop : KeyboardSize::Other);
    }
    return hasArrows ? KeyboardSize::SixtyFive : KeyboardSize::Sixty;
}

} // namespace

QString keyNameOf(const QString& ledName)
{
    static const QRegularExpression nthLed(QStringLiteral(" LED \\d+$"));
    if (!ledName.startsWith(QStringLiteral("Key: "))) {
        return {};
    }
    QString key = ledName.mid(5);
    key.remove(nthLed);
    return key;
}

KeyboardKind keyboardKind(const Controller& controller)
{
    const QSet<QString> keys = keysShown(controller);
    return {sizeOf(keys, controller.type), layoutOf(keys)};
}

QString sizeName(KeyboardSize size)
{
    switch (size) {
    case KeyboardSize::Full:
        return QStringLiteral("full");
    case KeyboardSize::Tkl:
        return QStringLiteral("tkl");
    case KeyboardSize::SeventyFive:
        return QStringLiteral("75%");
    case KeyboardSize::SixtyFive:
        return QStringLiteral("65%");
    case KeyboardSize::Sixty:
        return QStringLiteral("60%");
    case KeyboardSize::Laptop:
        return QStringLiteral("laptop");
    case KeyboardSize::Keypad:
        return QStringLiteral("keypad");
    case KeyboardSize::Other:
        break;
    }
    return QStringLiteral("other");
}

QString layoutName(KeyboardLayout layout)
{
    switch (layout) {
    case KeyboardLayout::Ansi:
        return QStringLiteral("ANSI");
    case KeyboardLayout::Iso:
        return QStringLiteral("ISO");
    case KeyboardLayout::Jis:
        return QStringLiteral("JIS");
    case KeyboardLayout::Abnt2:
        return QStringLiteral("ABNT2");
    case KeyboardLayout::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace kelvara
