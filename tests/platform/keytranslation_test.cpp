#include "input/keylayouttable.h"
#include "platform/keytranslation.h"

#include <QFile>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace kelvara {
namespace {

// Fields of one line of a comma-separated file with double-quoted fields.
std::vector<std::string> splitCsvLine(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// Table row index -> Linux key code of that key, from the key code reference.
std::map<int, int> evdevCodeOfEveryRow()
{
    QFile file(QStringLiteral(KELVARA_SOURCE_DIR "/tools/keycodes.csv"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::map<int, int> rows;
    const std::vector<std::string> header = splitCsvLine(file.readLine().trimmed().toStdString());
    const auto column = [&](const char* name) {
        return std::size_t(std::find(header.begin(), header.end(), name) - header.begin());
    };
    const std::size_t rowColumn = column("row");
    const std::size_t evdevColumn = column("evdev_code");
    while (!file.atEnd()) {
        const auto fields = splitCsvLine(file.readLine().trimmed().toStdString());
        if (fields.size() > evdevColumn && fields[rowColumn] != "extra") {
            rows[std::stoi(fields[rowColumn])] = std::stoi(fields[evdevColumn]);
        }
    }
    return rows;
}

TEST(KeyTranslation, EveryKeyOfAFullSizeKeyboardReachesItsOwnRow)
{
    const KeyLayoutTable table;
    const std::map<int, int> rows = evdevCodeOfEveryRow();
    ASSERT_EQ(rows.size(), 110u); // 104 keys and 6 media keys
    for (const auto& [index, evdev] : rows) {
        const auto key = translateEvdevKey(evdev);
        ASSERT_TRUE(key) << "row " << index;
        const auto row = table.rowForKeyCode(key->keyCode);
        ASSERT_TRUE(row) << "row " << index;
        EXPECT_EQ(*row, table.rows()[std::size_t(index)]) << "row " << index;
    }
}

struct Known
{
    const char* name;
    int evdev;
    std::int64_t keyCode;
    KeyEventKind kind;
    std::uint64_t flag;
    int mediaType;
};

class KnownKeys : public ::testing::TestWithParam<Known>
{};

TEST_P(KnownKeys, TranslateToTheirEventClass)
{
    const Known& k = GetParam();
    const auto key = translateEvdevKey(k.evdev);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->keyCode, k.keyCode);
    EXPECT_EQ(key->kind, k.kind);
    EXPECT_EQ(key->modifierFlag, k.flag);
    EXPECT_EQ(key->mediaKeyType, k.mediaType);
}

INSTANTIATE_TEST_SUITE_P(
    Keys,
    KnownKeys,
    ::testing::Values(Known{"A", 30, 0, KeyEventKind::KeyDown, 0, -1},
                      Known{"ScrollLock", 70, 106, KeyEventKind::KeyDown, 0, -1},
                      Known{"Pause", 119, 107, KeyEventKind::KeyDown, 0, -1},
                      Known{"LeftShift", 42, 56, KeyEventKind::FlagsChanged, shiftFlag, -1},
                      Known{"RightMeta", 126, 54, KeyEventKind::FlagsChanged, commandFlag, -1},
                      Known{"RightAlt", 100, 61, KeyEventKind::FlagsChanged, optionFlag, -1},
                      Known{"CapsLock", 58, 57, KeyEventKind::FlagsChanged, capsLockFlag, -1},
                      Known{"Fn", 464, 63, KeyEventKind::FlagsChanged, functionFlag, -1},
                      Known{"VolumeUp", 115, 2766, KeyEventKind::SystemDefined, 0, 0},
                      Known{"PlayPause", 164, 2782, KeyEventKind::SystemDefined, 0, 16},
                      Known{"FastForward", 208, 2785, KeyEventKind::SystemDefined, 0, 19}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(KeyTranslation, KeysTheProgramDoesNotKnowTranslateToNothing)
{
    for (const int evdev : {0, 191, 272 /* left mouse button */, 10000, -5}) {
        EXPECT_FALSE(translateEvdevKey(evdev)) << evdev;
    }
}

TEST(KeyTranslation, QtEventsUseTheScanCodeBeforeTheProducedKey)
{
    const QKeyEvent scanned(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, 30 + 8, 0, 0);
    EXPECT_EQ(translateQtKeyEvent(scanned)->keyCode, 0); // the A position
    const QKeyEvent synthetic(QEvent::KeyPress, Qt::Key_Comma, Qt::NoModifier, 0, 0, 0);
    EXPECT_EQ(translateQtKeyEvent(synthetic)->keyCode, 43);
    const QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 0, 0, 0);
    EXPECT_EQ(translateQtKeyEvent(shift)->keyCode, 56);
    const QKeyEvent unknown(QEvent::KeyPress, Qt::Key_Launch0, Qt::NoModifier, 0, 0, 0);
    EXPECT_FALSE(translateQtKeyEvent(unknown));
}

} // namespace
} // namespace kelvara
