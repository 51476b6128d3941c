// OpenRGB's Debug keyboard in its built-in layouts and sizes, drawn, kept in its file and read
// back: the keys the layouts differ in have their standard widths, the ISO Enter is one L, the
// board has its size class's outline.

#include "led/keyboardfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using openrgb::Controller;

struct DebugCase
{
    const char* layout; // as the file names it
    const char* size;
    KeyboardKind kind;
    QSizeF outline; // u
};

Controller debugKeyboard(const char* layout, const char* size)
{
    QFile file(QStringLiteral(KELVARA_SOURCE_DIR "/tests/led/data/openrgb-debug-keyboards.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll())
                                       .object()
                                       .value(QStringLiteral("layouts"))
                                       .toArray()) {
        const QJsonObject entry = value.toObject();
        if (entry.value(QStringLiteral("layout")).toString() != QString::fromLatin1(layout) ||
            entry.value(QStringLiteral("size")).toString() != QString::fromLatin1(size)) {
            continue;
        }
        Controller c;
        c.type = 5;
        c.name = QStringLiteral("Debug Keyboard");
        for (const QJsonValue& led : entry.value(QStringLiteral("leds")).toArray()) {
            c.ledNames.push_back(led.toString());
        }
        const QJsonObject matrix = entry.value(QStringLiteral("matrix")).toObject();
        openrgb::Zone zone{QStringLiteral("Keyboard"),
                           quint32(c.ledNames.size()),
                           quint32(matrix.value(QStringLiteral("height")).toInt()),
                           quint32(matrix.value(QStringLiteral("width")).toInt()),
                           {}};
        for (const QJsonValue& row : matrix.value(QStringLiteral("map")).toArray()) {
            for (const QJsonValue& cell : row.toArray()) {
                zone.matrix.push_back(cell.isNull() ? openrgb::noMatrixCell
                                                    : quint32(cell.toInt()));
            }
        }
        c.zones.push_back(zone);
        return c;
    }
    ADD_FAILURE() << "no Debug keyboard " << layout << " " << size;
    return {};
}

class DebugKeyboard : public ::testing::TestWithParam<DebugCase>
{};

TEST_P(DebugKeyboard, ReadFromItsFileHasTheStandardWidthsAndOutline)
{
    const DebugCase& d = GetParam();
    const Controller c = debugKeyboard(d.layout, d.size);
    LedPlacement placement = placeLeds(c);
    EXPECT_EQ(placement.kind, d.kind);
    QTemporaryDir folder;
    useKeptDrawing(folder.path(), c, placement);
    QFile kept(folder.filePath(QStringLiteral("Debug Keyboard.json")));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const auto read = readKeyboardFile(kept.readAll(), c.ledNames.size());
    ASSERT_TRUE(std::holds_alternative<KeyboardFile>(read));
    const KeyboardDrawing& drawing = std::get<KeyboardFile>(read).drawing;

    const auto key = [&](const char* name) -> const DrawnKey* {
        for (const DrawnKey& k : drawing.keys) {
            if (c.ledNames.at(k.leds.front()) ==
                QStringLiteral("Key: ") + QString::fromUtf8(name)) {
                return &k;
            }
        }
        return nullptr;
    };
    const auto box = [&](const char* name) {
        const DrawnKey* k = key(name);
        EXPECT_TRUE(k) << name;
        return k ? k->outline.boundingRect() : QRectF();
    };
    const bool iso = d.kind.layout == KeyboardLayout::Iso;
    const std::pair<const char*, double> widths[] = {
        {"Space", 6.25},  {"Tab", 1.5},          {"Caps Lock", 1.75},
        {"Backspace", 2}, {"Right Shift", 2.75}, {"Left Shift", iso ? 1.25 : 2.25}};
    for (const auto& [name, width] : widths) {
        EXPECT_NEAR(box(name).width(), width, 0.1) << name;
    }
    const DrawnKey* enter = key("Enter");
    ASSERT_TRUE(enter);
    EXPECT_EQ(enter->outline.size(), iso ? 6 : 4);
    if (!iso) {
        EXPECT_NEAR(box("Enter").width(), 2.25, 0.1);
    }
    QRectF all;
    for (const DrawnKey& k : drawing.keys) {
        all |= k.outline.boundingRect();
    }
    EXPECT_NEAR(all.width(), d.outline.width(), 0.5);
    EXPECT_NEAR(all.height(), d.outline.height(), 0.5);
    EXPECT_GT(box("A").left(), box("Caps Lock").left());
    EXPECT_GT(box("A").top(), box("Q").top());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DebugKeyboard,
    ::testing::Values(
        DebugCase{"ANSI QWERTY", "full", {KeyboardSize::Full, KeyboardLayout::Ansi}, {22.5, 6.5}},
        DebugCase{"ANSI QWERTY", "tkl", {KeyboardSize::Tkl, KeyboardLayout::Ansi}, {18.25, 6.5}},
        DebugCase{"ISO QWERTY", "full", {KeyboardSize::Full, KeyboardLayout::Iso}, {22.5, 6.5}},
        DebugCase{"ISO QWERTY", "tkl", {KeyboardSize::Tkl, KeyboardLayout::Iso}, {18.25, 6.5}},
        DebugCase{"ISO QWERTZ", "full", {KeyboardSize::Full, KeyboardLayout::Iso}, {22.5, 6.5}},
        DebugCase{"ISO QWERTZ", "tkl", {KeyboardSize::Tkl, KeyboardLayout::Iso}, {18.25, 6.5}},
        DebugCase{"ISO AZERTY", "full", {KeyboardSize::Full, KeyboardLayout::Iso}, {22.5, 6.5}},
        DebugCase{"ISO AZERTY", "tkl", {KeyboardSize::Tkl, KeyboardLayout::Iso}, {18.25, 6.5}}),
    [](const auto& p) {
        std::string name = std::string(p.param.layout) + p.param.size;
        std::erase(name, ' ');
        return name;
    });

} // namespace
} // namespace kelvara
