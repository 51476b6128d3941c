#include "led/standardkeygeometry.h"

#include <functional>
#include <map>
#include <utility>

namespace kelvara {

namespace {

struct Place
{
    const char* name;
    double x;
    double y;
    double width = 1.0;
    double height = 1.0;
};

// A full-size ANSI board, 22.5 u by 6.5 u, without its Enter and left of Z (which the layouts
// differ in).
constexpr Place fullAnsiCommon[] = {
    {"Escape", 0, 0},
    {"F1", 2, 0},
    {"F2", 3, 0},
    {"F3", 4, 0},
    {"F4", 5, 0},
    {"F5", 6.5, 0},
    {"F6", 7.5, 0},
    {"F7", 8.5, 0},
    {"F8", 9.5, 0},
    {"F9", 11, 0},
    {"F10", 12, 0},
    {"F11", 13, 0},
    {"F12", 14, 0},
    {"Print Screen", 15.25, 0},
    {"Scroll Lock", 16.25, 0},
    {"Pause/Break", 17.25, 0},
    {"`", 0, 1.5},
    {"1", 1, 1.5},
    {"2", 2, 1.5},
    {"3", 3, 1.5},
    {"4", 4, 1.5},
    {"5", 5, 1.5},
    {"6", 6, 1.5},
    {"7", 7, 1.5},
    {"8", 8, 1.5},
    {"9", 9, 1.5},
    {"0", 10, 1.5},
    {"-", 11, 1.5},
    {"=", 12, 1.5},
    {"Insert", 15.25, 1.5},
    {"Home", 16.25, 1.5},
    {"Page Up", 17.25, 1.5},
    {"Num Lock", 18.5, 1.5},
    {"Number Pad /", 19.5, 1.5},
    {"Number Pad *", 20.5, 1.5},
    {"Number Pad -", 21.5, 1.5},
    {"Tab", 0, 2.5, 1.5},
    {"Q", 1.5, 2.5},
    {"W", 2.5, 2.5},
    {"E", 3.5, 2.5},
    {"R", 4.5, 2.5},
    {"T", 5.5, 2.5},
    {"Y", 6.5, 2.5},
    {"U", 7.5, 2.5},
    {"I", 8.5, 2.5},
    {"O", 9.5, 2.5},
    {"P", 10.5, 2.5},
    {"[", 11.5, 2.5},
    {"]", 12.5, 2.5},
    {"Delete", 15.25, 2.5},
    {"End", 16.25, 2.5},
    {"Page Down", 17.25, 2.5},
    {"Number Pad 7", 18.5, 2.5},
    {"Number Pad 8", 19.5, 2.5},
    {"Number Pad 9", 20.5, 2.5},
    {"Number Pad +", 21.5, 2.5, 1, 2},
    {"Caps Lock", 0, 3.5, 1.75},
    {"A", 1.75, 3.5},
    {"S", 2.75, 3.5},
    {"D", 3.75, 3.5},
    {"F", 4.75, 3.5},
    {"G", 5.75, 3.5},
    {"H", 6.75, 3.5},
    {"J", 7.75, 3.5},
    {"K", 8.75, 3.5},
    {"L", 9.75, 3.5},
    {";", 10.75, 3.5},
    {"'", 11.75, 3.5},
    {"Number Pad 4", 18.5, 3.5},
    {"Number Pad 5", 19.5, 3.5},
    {"Number Pad 6", 20.5, 3.5},
    {"Z", 2.25, 4.5},
    {"X", 3.25, 4.5},
    {"C", 4.25, 4.5},
    {"V", 5.25, 4.5},
    {"B", 6.25, 4.5},
    {"N", 7.25, 4.5},
    {"M", 8.25, 4.5},
    {",", 9.25, 4.5},
    {".", 10.25, 4.5},
    {"/", 11.25, 4.5},
    {"Up Arrow", 16.25, 4.5},
    {"Number Pad 1", 18.5, 4.5},
    {"Number Pad 2", 19.5, 4.5},
    {"Number Pad 3", 20.5, 4.5},
    {"Number Pad Enter", 21.5, 4.5, 1, 2},
    {"Left Control", 0, 5.5, 1.25},
    {"Left Windows", 1.25, 5.5, 1.25},
    {"Left Alt", 2.5, 5.5, 1.25},
    {"Right Alt", 10, 5.5, 1.25},
    {"Right Fn", 11.25, 5.5, 1.25},
    {"Menu", 12.5, 5.5, 1.25},
    {"Right Control", 13.75, 5.5, 1.25},
    {"Left Arrow", 15.25, 5.5},
    {"Down Arrow", 16.25, 5.5},
    {"Right Arrow", 17.25, 5.5},
    {"Number Pad 0", 18.5, 5.5, 2},
    {"Number Pad .", 20.5, 5.5},
};

// The ISO Enter over two rows: its top 1.5 u wide, its foot 1.25 u.
QPolygonF isoEnter(double x, double y)
{
    return QPolygonF(
        {{x, y}, {x + 1.5, y}, {x + 1.5, y + 2}, {x + 0.25, y + 2}, {x + 0.25, y + 1}, {x, y + 1}});
}

bool isNumberPad(const QString& name)
{
    return name.startsWith(QStringLiteral("Number Pad")) || name == QStringLiteral("Num Lock");
}

bool isNavigationBlock(const QString& name)
{
    static const QStringList block{QStringLiteral("Print Screen"), QStringLiteral("Scroll Lock"),
                                   QStringLiteral("Pause/Break"),  QStringLiteral("Insert"),
                                   QStringLiteral("Home"),         QStringLiteral("Page Up"),
                                   QStringLiteral("Delete"),       QStringLiteral("End"),
                                   QStringLiteral("Page Down")};
    return block.contains(name);
}

bool isArrow(const QString& name)
{
    return name.endsWith(QStringLiteral(" Arrow"));
}

bool isFunctionRow(const QString& name)
{
    return name.size() >= 2 && name.size() <= 3 && name.startsWith(QLatin1Char('F')) &&
           name.mid(1).toInt() >= 1;
}

// The main block's rows and layout keys as a full-size board has them.
std::vector<StandardKey> fullBoard(KeyboardLayout layout)
{
    std::vector<StandardKey> keys;
    for (const Place& p : fullAnsiCommon) {
        keys.push_back({QString::fromUtf8(p.name), keyRect(p.x, p.y, p.width, p.height)});
    }
    const auto add = [&](const char* name, QPolygonF outline) {
        keys.push_back({QString::fromUtf8(name), std::move(outline)});
    };
    switch (layout) {
    case KeyboardLayout::Iso:
    case KeyboardLayout::Abnt2:
        add("Enter", isoEnter(13.5, 2.5));
        add("#", keyRect(12.75, 3.5));
        add("Left Shift", keyRect(0, 4.5, 1.25));
        add("\\ (ISO)", keyRect(1.25, 4.5));
        add("Backspace", keyRect(13, 1.5, 2));
        if (layout == KeyboardLayout::Abnt2) {
            add("/ (ISO)", keyRect(12.25, 4.5));
            add("Right Shift", keyRect(13.25, 4.5, 1.75));
        } else {
            add("Right Shift", keyRect(12.25, 4.5, 2.75));
        }
        add("Space", keyRect(3.75, 5.5, 6.25));
        break;
    case KeyboardLayout::Jis:
        add("Enter", isoEnter(13.5, 2.5));
        add("#", keyRect(12.75, 3.5));
        add("¥", keyRect(13, 1.5));
        add("Backspace", keyRect(14, 1.5));
        add("Left Shift", keyRect(0, 4.5, 2.25));
        add("ろ", keyRect(12.25, 4.5));
        add("Right Shift", keyRect(13.25, 4.5, 1.75));
        add("無変換", keyRect(3.75, 5.5, 1.25));
        add("Space", keyRect(5, 5.5, 2.75));
        add("変換", keyRect(7.75, 5.5, 1.25));
        add("かな", keyRect(9, 5.5));
        break;
    case KeyboardLayout::Ansi:
    case KeyboardLayout::Unknown:
        add("Enter", keyRect(12.75, 3.5, 2.25));
        add("\\ (ANSI)", keyRect(13.5, 2.5, 1.5));
        add("Left Shift", keyRect(0, 4.5, 2.25));
        add("Right Shift", keyRect(12.25, 4.5, 2.75));
        add("Backspace", keyRect(13, 1.5, 2));
        add("Space", keyRect(3.75, 5.5, 6.25));
        break;
    }
    return keys;
}

// Keeps the keys the filter takes, moved by (dx, dy).
std::vector<StandardKey> kept(const std::vector<StandardKey>& keys,
                              const std::function<bool(const QString&)>& keep, double dx = 0,
                              double dy = 0)
{
    std::vector<StandardKey> out;
    for (const StandardKey& key : keys) {
        if (keep(key.name)) {
            out.push_back({key.name, key.outline.translated(dx, dy)});
        }
    }
    return out;
}

// A 75% board (with its function row) or a 65% one (without): the main block with no gaps, the
// arrows under a 1.75 u Right Shift, and one column of navigation keys at x 15.
std::vector<StandardKey> compactBoard(KeyboardLayout layout, bool functionRow)
{
    const std::vector<StandardKey> full = fullBoard(layout);
    std::vector<StandardKey> keys;
    const double top = functionRow ? 1.0 : 0.0;
    for (const StandardKey& key : full) {
        const QRectF box = key.outline.boundingRect();
        if (isNumberPad(key.name) || isNavigationBlock(key.name) || isArrow(key.name) ||
            key.name == QStringLiteral("Right Shift") || box.top() >= 5.5) {
            continue;
        }
        if (box.top() < 1.0) {
            if (!functionRow) {
                continue;
            }
            // The function row without its gaps: Escape, then F1 to F12.
            const int f = key.name == QStringLiteral("Escape") ? 0 : key.name.mid(1).toInt();
            keys.push_back({key.name, keyRect(f, 0)});
            continue;
        }
        keys.push_back({key.name, key.outline.translated(0, top - 1.5)});
    }
    const double shiftRow = top + 3;
    const double bottom = top + 4;
    const bool ro = layout == KeyboardLayout::Jis || layout == KeyboardLayout::Abnt2;
    keys.push_back(
        {QStringLiteral("Right Shift"), keyRect(ro ? 13.25 : 12.25, shiftRow, ro ? 0.75 : 1.75)});
    keys.push_back({QStringLiteral("Up Arrow"), keyRect(14, shiftRow)});
    const Place bottomRow[] = {{"Left Control", 0, 0, 1.25}, {"Left Windows", 1.25, 0, 1.25},
                               {"Left Alt", 2.5, 0, 1.25},   {"Right Alt", 10, 0},
                               {"Right Fn", 11, 0},          {"Right Control", 12, 0},
                               {"Left Arrow", 13, 0},        {"Down Arrow", 14, 0},
                               {"Right Arrow", 15, 0}};
    for (const Place& p : bottomRow) {
        keys.push_back({QString::fromUtf8(p.name), keyRect(p.x, bottom, p.width)});
    }
    if (layout == KeyboardLayout::Jis) {
        keys.push_back({QStringLiteral("無変換"), keyRect(3.75, bottom, 1.25)});
        keys.push_back({QStringLiteral("Space"), keyRect(5, bottom, 3.75)});
        keys.push_back({QStringLiteral("変換"), keyRect(8.75, bottom, 1.25)});
    } else {
        keys.push_back({QStringLiteral("Space"), keyRect(3.75, bottom, 6.25)});
    }
    // The navigation column, top down beside the four rows above the space bar; a 75% board has
    // three more places after F12.
    // The place after them is any navigation key's that has no place of its name.
    const char* column[] = {functionRow ? "Home" : "Delete", "Page Up", "Page Down", "End"};
    for (int row = 0; row < 4; ++row) {
        keys.push_back({QString::fromUtf8(column[row]), keyRect(15, top + row)});
    }
    if (functionRow) {
        keys.push_back({QStringLiteral("Print Screen"), keyRect(13, 0)});
        keys.push_back({QStringLiteral("Delete"), keyRect(14, 0)});
        keys.push_back({QString(), keyRect(15, 0)});
    }
    return keys;
}

} // namespace

QPolygonF keyRect(double x, double y, double width, double height)
{
    return QPolygonF({{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}});
}

bool isNavigationKey(const QString& name)
{
    return name.isEmpty() || isNavigationBlock(name);
}

const std::vector<StandardKey>& standardKeys(KeyboardSize size, KeyboardLayout layout)
{
    static std::map<std::pair<KeyboardSize, KeyboardLayout>, std::vector<StandardKey>> boards;
    const auto key = std::pair(size, layout);
    if (const auto found = boards.find(key); found != boards.end()) {
        return found->second;
    }
    std::vector<StandardKey> keys;
    const auto all = [](const QString&) {
        return true;
    };
    switch (size) {
    case KeyboardSize::Full:
        keys = kept(fullBoard(layout), all);
        break;
    case KeyboardSize::Tkl:
        keys = kept(fullBoard(layout), [](const QString& n) { return !isNumberPad(n); });
        break;
    case KeyboardSize::SeventyFive:
    case KeyboardSize::Laptop:
        keys = compactBoard(layout, true);
        break;
    case KeyboardSize::SixtyFive:
        keys = compactBoard(layout, false);
        break;
    case KeyboardSize::Sixty:
        keys = kept(
            fullBoard(layout),
            [](const QString& n) {
                return !isNumberPad(n) && !isNavigationBlock(n) && !isArrow(n) &&
                       !isFunctionRow(n) && n != QStringLiteral("Escape");
            },
            0, -1.5);
        // Escape takes the place of ` on a 60% board; both names reach it.
        break;
    case KeyboardSize::Keypad:
        keys = kept(fullBoard(layout), isNumberPad, -18.5, -1.5);
        break;
    case KeyboardSize::Other:
        break;
    }
    return boards.emplace(key, std::move(keys)).first->second;
}

} // namespace kelvara
