#include "led/keyboardfile.h"
#include "support/pertest.h"
#include "support/referencekeyboards.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using openrgb::Controller;
using testing::logged;

bool sameDrawing(const KeyboardDrawing& a, const KeyboardDrawing& b)
{
    if (a.keys.size() != b.keys.size() || a.other != b.other) {
        return false;
    }
    for (std::size_t i = 0; i < a.keys.size(); ++i) {
        if (a.keys[i].leds != b.keys[i].leds || a.keys[i].outline != b.keys[i].outline) {
            return false;
        }
    }
    return true;
}

class KeyboardFiles : public ::testing::Test
{
protected:
    QString path() const { return QDir(folder.path()).filePath(QStringLiteral("K70 ISO.json")); }

    QByteArray stored() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void store(const QByteArray& bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The placement of the ISO K70 under the name "K70 ISO", with what the folder keeps.
    LedPlacement placed()
    {
        controller = testing::asServed(
            testing::referenceKeyboard(QStringLiteral("corsair-v2-protocol-k70-core-rgb-iso"))
                .device);
        controller.name = QStringLiteral("K70 ISO");
        LedPlacement placement = placeLeds(controller);
        useKeptDrawing(folder.path(), controller, placement);
        return placement;
    }

    QTemporaryDir folder;
    Controller controller;
};

// Written when missing, in the documented format; read back it is the same drawing; edited by
// hand it is used as it stands.
TEST_F(KeyboardFiles, AreWrittenOnceReadBackAndUsedAsEdited)
{
    const LedPlacement first = placed();
    const QByteArray written = stored();
    ASSERT_FALSE(written.isEmpty());
    const auto read = readKeyboardFile(written, controller.ledNames.size());
    ASSERT_TRUE(std::holds_alternative<KeyboardFile>(read))
        << std::get<QString>(read).toStdString();
    const KeyboardFile& file = std::get<KeyboardFile>(read);
    EXPECT_EQ(file.keyboard, QStringLiteral("K70 ISO"));
    EXPECT_EQ(file.kind, (KeyboardKind{KeyboardSize::Full, KeyboardLayout::Iso}));
    EXPECT_TRUE(sameDrawing(file.drawing, first.drawing));
    for (const char* field : {"\"format\": 1", "\"size\": \"full\"", "\"layout\": \"ISO\"",
                              "\"names\": [", "\"Key: A\"", "\"outline\": ["}) {
        EXPECT_TRUE(written.contains(field)) << field;
    }

    QByteArray edited = written;
    edited.replace("\"layout\": \"ISO\"", "\"layout\": \"JIS\"");
    store(edited);
    const LedPlacement second = placed();
    EXPECT_EQ(second.kind.layout, KeyboardLayout::Jis);
    EXPECT_EQ(stored(), edited);
}

struct Unusable
{
    const char* name;
    QByteArray bytes;
    const char* problem;
};

class UnusableKeyboardFile : public KeyboardFiles, public ::testing::WithParamInterface<Unusable>
{};

// A file that cannot be used: one log line naming it and the problem, the drawing from the
// server's data, and the file as it was, however often the keyboard is listed.
TEST_P(UnusableKeyboardFile, IsToldOfOnceAndLeftAsItIs)
{
    store(GetParam().bytes);
    const LedPlacement once = placed();
    const LedPlacement twice = placed();
    EXPECT_EQ(stored(), GetParam().bytes);
    EXPECT_TRUE(sameDrawing(once.drawing, placeLeds(controller).drawing));
    EXPECT_TRUE(sameDrawing(twice.drawing, once.drawing));
    const QStringList lines = logged().filter(QStringLiteral("cannot be used"));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains(path()));
    EXPECT_TRUE(lines[0].contains(QString::fromUtf8(GetParam().problem))) << lines[0].toStdString();
}

const QByteArray head = R"({"format": 1, "keyboard": "K70 ISO", "size": "full", "layout": "ISO", )";

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableKeyboardFile,
    ::testing::Values(
        Unusable{"NotJson", "keyboard: yes", "not JSON"},
        Unusable{"WrongFormat", R"({"format": 2})", "\"format\" is not 1"},
        Unusable{"WrongSize",
                 R"({"format": 1, "size": "huge", "layout": "ISO", "keys": [], "other": []})",
                 "\"size\" is not one of"},
        Unusable{"KeysNotAList", head + R"("keys": {}, "other": []})", "is not a list"},
        Unusable{"LedPastTheCount",
                 head +
                     R"("keys": [{"leds": [5000], "outline": [[0,0],[1,0],[1,1]]}], "other": []})",
                 "LED index 5000 is past the keyboard's"},
        Unusable{"NegativeLed",
                 head + R"("keys": [{"leds": [-1], "outline": [[0,0],[1,0],[1,1]]}], "other": []})",
                 "not a whole number"},
        Unusable{"TwoCorners",
                 head + R"("keys": [{"leds": [1], "outline": [[0,0],[1,0]]}], "other": []})",
                 "an outline has 2 corners"},
        Unusable{"CornerNotNumbers",
                 head +
                     R"("keys": [{"leds": [1], "outline": [[0,0],[1,"x"],[1,1]]}], "other": []})",
                 "a corner is not two numbers"},
        Unusable{"CornerFarOut",
                 head +
                     R"("keys": [{"leds": [1], "outline": [[0,0],[1e300,0],[1,1]]}], "other": []})",
                 "a corner lies further out than 128 key units across"},
        Unusable{"OtherLedPastTheCount", head + R"("keys": [], "other": [{"leds": [999]}]})",
                 "LED index 999"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(KeyboardFileName, IsAFileNameWhateverTheControllerIsCalled)
{
    const std::pair<const char*, const char*> names[] = {
        {"Corsair K70 RGB MK.2", "Corsair K70 RGB MK.2.json"},
        {"../../etc/passwd", "_.._etc_passwd.json"},
        {"", "keyboard.json"},
        {"...", "keyboard.json"},
        {"Razer Huntsman V2 (Analog)", "Razer Huntsman V2 (Analog).json"},
        {"キーボード/ISO", "______ISO.json"}};
    for (const auto& [name, file] : names) {
        EXPECT_EQ(keyboardFileName(QString::fromUtf8(name)).toStdString(), file) << name;
    }
    EXPECT_EQ(keyboardFileName(QString(5000, QLatin1Char('a'))).size(), 105);
}

} // namespace
} // namespace kelvara
