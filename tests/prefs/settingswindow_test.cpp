#include "canvas/backgroundpictures.h"
#include "prefs/colorwell.h"
#include "prefs/controltags.h"
#include "prefs/preferencestore.h"
#include "prefs/stepper.h"
#include "support/enginefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <span>

namespace kelvara {
namespace {

QString text(const char* latin1)
{
    return QString::fromLatin1(latin1);
}

// The settings window through its real controls, over a settings file of its own.
class SettingsTest : public testing::EngineFixture
{
protected:
    SettingsTest()
    {
        openPreferenceStore()->clear();
        delegate.artCanvas = &canvas;
    }

    ~SettingsTest() override { QFile::remove(openPreferenceStore()->fileName()); }

    static QVariant stored(const char* key) { return openPreferenceStore()->value(text(key)); }

    static void store(const char* key, const QVariant& v)
    {
        openPreferenceStore()->setValue(text(key), v);
    }

    template <typename Control = QLineEdit> Control* control(int ring, int tag)
    {
        for (QObject* child : delegate.ringSettingsView(ring)->children()) {
            if (child->property("tag").toInt() == tag) {
                return qobject_cast<Control*>(child);
            }
        }
        return nullptr;
    }

    void click(const char* button)
    {
        QTest::mouseClick(delegate.settingsWindow->findChild<QAbstractButton*>(text(button)),
                          Qt::LeftButton);
    }

    static void type(QLineEdit* edit, const QString& typed)
    {
        edit->clear();
        QTest::keyClicks(edit, typed);
    }
};

TEST_F(SettingsTest, FirstLaunchWritesTheDefaultsAFileAUserCanRead)
{
    engine.loadPrefs(&delegate);
    EXPECT_DOUBLE_EQ(engine.savedAnimationInterval, 1.0 / 30.0);
    EXPECT_EQ(engine.animationTimer->interval(), 33);
    EXPECT_EQ(delegate.backgroundPopup->currentText(), text("Midnight"));
    EXPECT_FALSE(delegate.modifierKeySwap->isChecked());
    EXPECT_EQ(ringSettings().active, (std::array<bool, 5>{true, true, false, false, true}));
    EXPECT_EQ(ringSettings().color[1], QColor::fromRgbF(1, 0, 0));
    EXPECT_EQ(control(2, controltag::radiusEnd)->text(), text("115"));

    QFile file(openPreferenceStore()->fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString contents = QString::fromUtf8(file.readAll());
    EXPECT_EQ(contents.count(QLatin1Char('=')), 59);
    for (const char* line : {"framerate=30", "background=Midnight", "flipModifiers=false",
                             "prefsInited=true", "ring1thickness=20", "ring5sizeStart=2"}) {
        EXPECT_TRUE(contents.contains(text(line))) << line;
    }
}

TEST_F(SettingsTest, ASecondLaunchRewritesNothingAndUsesStoredValuesAsTheyAre)
{
    engine.loadPrefs(&delegate);
    // Only exactly 1 is active; colours are not clamped, and no colour holds 0.29 exactly.
    const std::pair<const char*, int> kept[] = {
        {"ring1life", 123456}, {"ring1active", 2}, {"ring2red", 100},  {"ring2green", 50},
        {"ring2blue", 0},      {"ring3red", 150},  {"ring4green", -5}, {"ring4blue", 29}};
    for (const auto& [key, value] : kept) {
        store(key, value);
    }
    store("ring3vizStart", 7);
    QFile file(openPreferenceStore()->fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    engine.loadPrefs(&delegate);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_DOUBLE_EQ(ringSettings().life[0], 123456);
    EXPECT_FALSE(ringSettings().active[0]);
    EXPECT_FALSE(control<QCheckBox>(1, controltag::active)->isChecked());
    EXPECT_NEAR(ringSettings().color[1].greenF(), 0.5, 1e-4);
    EXPECT_FLOAT_EQ(ringSettings().color[1].redF(), 1.0f);
    EXPECT_FLOAT_EQ(ringSettings().color[1].blueF(), 0.0f);
    EXPECT_NEAR(ringSettings().color[2].redF(), 1.5, 1e-3);
    EXPECT_DOUBLE_EQ(ringSettings().vizStart[2], 7);

    // Saved with no ring touched, the file keeps what it held, in range or not.
    delegate.resyncPrefsBtn(nullptr);
    click("saveButton");
    for (const auto& [key, value] : std::span(kept).subspan(2)) { // the colours
        EXPECT_EQ(stored(key).toInt(), value) << key;
    }
}

class FrameRateSave : public SettingsTest,
                      public ::testing::WithParamInterface<std::pair<const char*, int>>
{};

TEST_P(FrameRateSave, StoresTwoToFiftyNineAsTypedAndAnythingElseAsThirty)
{
    const auto& [typed, expected] = GetParam();
    engine.loadPrefs(&delegate);
    type(delegate.frameRateText, text(typed));
    click("saveButton");
    EXPECT_EQ(stored("framerate").toInt(), expected);
    EXPECT_EQ(delegate.frameRateText->text(), QString::number(expected));
    EXPECT_DOUBLE_EQ(engine.animationInterval, 1.0 / expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, FrameRateSave,
                         ::testing::Values(std::pair("2", 2), std::pair("59", 59),
                                           std::pair("+45", 45), std::pair("1", 30),
                                           std::pair("60", 30), std::pair("abc", 30),
                                           std::pair(" 45", 30)));

TEST_F(SettingsTest, SaveStoresTheControlsReloadsHidesAndLightsTheKeysOnce)
{
    delegate.resyncPrefsBtn(nullptr);
    ASSERT_TRUE(delegate.settingsWindow->isVisible());
    type(control(2, controltag::life), text("abc"));  // saved as its fallback, 15
    type(control(2, controltag::delay), text("-3"));  // saved as typed
    type(control(3, controltag::thick), text(" 40")); // a blank: fallback 10
    control<QCheckBox>(3, controltag::active)->setChecked(true);
    control<ColorWell>(4, controltag::colour)->setColor(QColor::fromRgbF(0.5f, 0.25f, 0.996f));
    // A picture chosen shows at once.
    const int spectrum = delegate.backgroundPopup->findText(text("Spectrum"));
    delegate.backgroundPopup->setCurrentIndex(spectrum);
    emit delegate.backgroundPopup->activated(spectrum);
    EXPECT_EQ(canvas.backgroundImage, *backgroundPictureNamed(text("Spectrum")));
    const std::size_t passes = leds->passes().size();
    click("saveButton");
    EXPECT_FALSE(delegate.settingsWindow->isVisible());
    EXPECT_EQ(leds->passes().size(), passes + 1);
    EXPECT_EQ(control(2, controltag::life)->text(), text("15"));
    const std::pair<const char*, int> saved[] = {
        {"ring2life", 15}, {"ring2delay", -3}, {"ring3thickness", 10}, {"ring3active", 1},
        {"ring4red", 50},  {"ring4green", 25}, {"ring4blue", 99}};
    for (const auto& [key, value] : saved) {
        EXPECT_EQ(stored(key).toInt(), value) << key;
    }
    EXPECT_EQ(stored("background").toString(), text("Spectrum"));
    EXPECT_TRUE(ringSettings().active[2]);
    EXPECT_DOUBLE_EQ(ringSettings().delay[1], -3);
}

// Absent from the file the lock lights are on and white; a colour that is not #rrggbb is white;
// a save stores both and the keyboard follows at once.
TEST_F(SettingsTest, LockLightsAreOnAndWhiteUntilSavedOtherwise)
{
    engine.loadPrefs(&delegate);
    EXPECT_FALSE(stored("lockLights").isValid());
    EXPECT_FALSE(stored("lockLightsColour").isValid());
    EXPECT_TRUE(delegate.lockLightsBox->isChecked());
    EXPECT_EQ(delegate.lockLightsWell->color(), QColor(Qt::white));
    const auto caps = [&] {
        const auto call = leds->lastSent(RecordingLedBackend::Kind::Hid, 57);
        return call ? std::array{call->red, call->green, call->blue} : std::array{-1, -1, -1};
    };
    engine.setLockKeys(capsLock);
    EXPECT_EQ(caps(), (std::array{100, 100, 100}));

    for (const char* bad : {"#zz0000", "red", "#ff00001", ""}) {
        store("lockLightsColour", text(bad));
        store("lockLights", false);
        engine.loadPrefs(&delegate);
        EXPECT_EQ(delegate.lockLightsWell->color(), QColor(Qt::white)) << bad;
        EXPECT_FALSE(delegate.lockLightsBox->isChecked());
    }
    delegate.resyncPrefsBtn(nullptr);
    delegate.lockLightsBox->setChecked(true);
    delegate.lockLightsWell->setColor(QColor(255, 0, 0));
    click("saveButton");
    EXPECT_EQ(stored("lockLights").toBool(), true);
    EXPECT_EQ(stored("lockLightsColour").toString(), text("#ff0000"));
    EXPECT_EQ(caps(), (std::array{100, 0, 0}));
}

TEST_F(SettingsTest, OverrideRowsAreInsertedOnceAndStayAfterTheOptionIsSwitchedOff)
{
    engine.loadPrefs(&delegate);
    QTest::mouseClick(delegate.modifierKeySwap, Qt::LeftButton);
    EXPECT_TRUE(engine.flippingModifiers);
    EXPECT_EQ(keyLayoutTable().size(), 121u); // acted on at the next load
    click("saveButton");
    engine.loadPrefs(&delegate);
    EXPECT_EQ(keyLayoutTable().size(), 125u);
    QTest::mouseClick(delegate.modifierKeySwap, Qt::LeftButton);
    click("saveButton");
    EXPECT_FALSE(stored("flipModifiers").toBool());
    EXPECT_EQ(keyLayoutTable().size(), 125u);
}

class CancelOrEscape : public SettingsTest, public ::testing::WithParamInterface<bool>
{};

TEST_P(CancelOrEscape, ChangesNothingAndTheNextOpeningShowsTheStore)
{
    delegate.resyncPrefsBtn(nullptr);
    const QTimer* timer = engine.animationTimer.get();
    type(control(1, controltag::life), text("99"));
    type(delegate.frameRateText, text("10"));
    if (GetParam()) {
        QTest::keyClick(delegate.frameRateText, Qt::Key_Escape); // where the typing was
    } else {
        click("cancelButton");
    }
    EXPECT_FALSE(delegate.settingsWindow->isVisible());
    EXPECT_EQ(stored("ring1life").toInt(), 15);
    EXPECT_EQ(stored("framerate").toInt(), 30);
    EXPECT_DOUBLE_EQ(ringSettings().life[0], 15);
    EXPECT_EQ(engine.animationTimer.get(), timer);
    EXPECT_EQ(engine.animationTimer->interval(), 33);

    store("ring5vizEnd", 77); // the last text field
    canvas.show();
    QTest::keyClick(&canvas, Qt::Key_Comma, Qt::ControlModifier); // opens as the menu item does
    EXPECT_TRUE(delegate.settingsWindow->isVisible());
    EXPECT_EQ(control(1, controltag::life)->text(), text("15"));
    EXPECT_EQ(control(5, controltag::vizEnd)->text(), text("77"));
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelOrEscape, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "EscapeKey" : "CancelButton"; });

TEST_F(SettingsTest, SteppersFollowTheirFieldsAndClampWhatTheyCannotHold)
{
    engine.loadPrefs(&delegate);
    type(control(2, controltag::life), text("40"));
    auto* stepper = control<Stepper>(2, controltag::life + controltag::stepperOffset);
    EXPECT_EQ(stepper->value(), 40);
    EXPECT_EQ(stored("ring2life").toInt(), 15);
    stepper->stepUp();
    EXPECT_EQ(control(2, controltag::life)->text(), text("41"));

    delegate.setRingControls(0, {45});
    EXPECT_EQ(delegate.frameRateText->text(), text("45"));
    EXPECT_EQ(delegate.frameRateText->parentWidget()->findChild<Stepper*>()->value(), 45);

    store("ring1sizeEnd", qlonglong(1) << 40);
    engine.loadPrefs(&delegate);
    EXPECT_EQ(control(1, controltag::radiusEnd)->text(), text("1099511627776"));
    auto* big = control<Stepper>(1, controltag::radiusEnd + controltag::stepperOffset);
    EXPECT_EQ(big->value(), big->maximum());
    click("saveButton");
    EXPECT_EQ(stored("ring1sizeEnd").toLongLong(), qlonglong(1) << 40);

    EXPECT_EQ(delegate.ringControlValue(1, 11), 11); // no such control
}

TEST_F(SettingsTest, BadStoredRatesAndUnreadableFilesNeverStopTheClock)
{
    engine.loadPrefs(&delegate);
    for (const QVariant& bad : {QVariant(text("fast")), QVariant(0), QVariant(-5)}) {
        store("framerate", bad);
        engine.loadPrefs(&delegate);
        EXPECT_EQ(engine.animationTimer->interval(), 33);
        EXPECT_EQ(stored("framerate"), bad); // the file keeps what it holds
    }

    const QString path = openPreferenceStore()->fileName();
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkpath(path)); // a folder where the file should be
    engine.loadPrefs(&delegate);
    EXPECT_EQ(engine.animationTimer->interval(), 33);
    EXPECT_EQ(delegate.frameRateText->text(), text("30"));
    EXPECT_TRUE(QFileInfo(path).isDir());
    QDir(path).removeRecursively();
}

// A settings file that is not what it should be, as the disk or another program left it.
struct DamagedFile
{
    const char* name;
    QByteArray bytes;
    bool keptAside; // whether the bytes are copied away before Kelvara writes into the file
    // Folders stand where the copies would go: the file is then never written.
    bool blocked = false;

    friend void PrintTo(const DamagedFile& file, std::ostream* out) { *out << file.name; }
};

class DamagedSettingsFile : public SettingsTest, public ::testing::WithParamInterface<DamagedFile>
{};

QByteArray binaryGarbage()
{
    QByteArray bytes;
    for (int i = 0; i < 4096; ++i) {
        bytes.append(char((i * 151 + 7) % 256)); // every byte value, NUL and bad UTF-8 included
    }
    return bytes;
}

TEST_P(DamagedSettingsFile, LoadsTheFirstRunSettingsAndLosesNoBytes)
{
    const DamagedFile& damaged = GetParam();
    const QString path = openPreferenceStore()->fileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged.bytes);
    }
    const QStringList keptNames{path + text(".unreadable"), path + text(".before-first-run")};
    for (const QString& name : keptNames) {
        QFile::remove(name);
        QDir(name).removeRecursively();
        if (damaged.blocked) {
            ASSERT_TRUE(QDir().mkpath(name));
        }
    }

    engine.loadPrefs(&delegate);
    EXPECT_EQ(engine.animationTimer->interval(), 33);
    EXPECT_EQ(delegate.frameRateText->text(), text("30"));
    EXPECT_EQ(ringSettings().active, (std::array<bool, 5>{true, true, false, false, true}));
    EXPECT_EQ(control(1, controltag::radiusEnd)->text(), text("100"));

    type(delegate.frameRateText, text("45"));
    engine.savePrefs(&delegate);
    if (damaged.blocked) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), damaged.bytes);
    } else {
        // What the user saves is stored and read back.
        EXPECT_EQ(stored("framerate").toInt(), 45);
        engine.loadPrefs(&delegate);
        EXPECT_EQ(engine.animationTimer->interval(), 22);
    }
    // Bytes that were not settings survive beside the file: copied before the first-run
    // settings went into it, or moved away when a save could not write into them.
    QStringList kept;
    for (const QString& name : keptNames) {
        QFile file(name);
        if (file.open(QIODevice::ReadOnly)) {
            EXPECT_EQ(file.readAll(), damaged.bytes) << name.toStdString();
            kept.append(name);
        }
        QFile::remove(name);
        QDir(name).removeRecursively();
    }
    EXPECT_EQ(kept.isEmpty(), !damaged.keptAside);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedSettingsFile,
    ::testing::Values(DamagedFile{"Empty", QByteArray(), false},
                      DamagedFile{"BinaryGarbage", binaryGarbage(), true},
                      DamagedFile{"OnlyNulBytes", QByteArray(512, '\0'), true},
                      DamagedFile{"CutOffInAGroupHeader", QByteArray("[Gen"), true},
                      DamagedFile{"OnlyAPortWrittenByHand", "[General]\nlightingServicePort=6743\n",
                                  false},
                      DamagedFile{"GarbageThatCannotBeKeptAside", binaryGarbage(), false, true}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kelvara
