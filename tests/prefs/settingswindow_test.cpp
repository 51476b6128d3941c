#include "canvas/backgroundpictures.h"
#include "prefs/colorwell.h"
#include "prefs/preferencestore.h"
#include "prefs/stepper.h"
#include "support/enginefixture.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace kelvara {
namespace {

class SettingsTest : public testing::EngineFixture
{
protected:
    SettingsTest()
    {
        std::unique_ptr<QSettings> store = openPreferenceStore();
        store->clear();
        store->sync();
        delegate.artCanvas = &canvas;
    }

    ~SettingsTest() override
    {
        QFile::remove(settingsPath());
        QFile::remove(settingsPath() + QStringLiteral(".unreadable"));
    }

    static QString settingsPath() { return openPreferenceStore()->fileName(); }

    static QVariant stored(const QString& key) { return openPreferenceStore()->value(key); }

    static void store(const QString& key, const QVariant& value)
    {
        openPreferenceStore()->setValue(key, value);
    }

    template <typename Control> Control* control(int ring, int tag)
    {
        for (QObject* child : delegate.ringSettingsView(ring)->children()) {
            if (child->property("tag").toInt() == tag) {
                return qobject_cast<Control*>(child);
            }
        }
        return nullptr;
    }

    QLineEdit* field(int ring, int tag) { return control<QLineEdit>(ring, tag); }

    void save() { QTest::mouseClick(findButton("saveButton"), Qt::LeftButton); }

    void cancel() { QTest::mouseClick(findButton("cancelButton"), Qt::LeftButton); }

    QAbstractButton* findButton(const char* name)
    {
        return delegate.settingsWindow->findChild<QAbstractButton*>(QString::fromLatin1(name));
    }

    void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        edit->del();
        QTest::keyClicks(edit, text);
    }
};

TEST_F(SettingsTest, FirstLaunchWritesTheDefaultsAndReadsThemBack)
{
    engine.loadPrefs(&delegate);
    EXPECT_EQ(stored(prefsInitedKey).toBool(), true);
    EXPECT_EQ(stored(QStringLiteral("ring2sizeEnd")).toInt(), 115);
    EXPECT_DOUBLE_EQ(engine.animationInterval, 1.0 / 30.0);
    EXPECT_DOUBLE_EQ(engine.savedAnimationInterval, 1.0 / 30.0);
    EXPECT_EQ(engine.animationTimer->interval(), 33);
    EXPECT_EQ(delegate.backgroundPopup->currentText(), QStringLiteral("Midnight"));
    EXPECT_FALSE(delegate.modifierKeySwap->isChecked());
    EXPECT_FALSE(engine.flippingModifiers);
    const RingSettingsTable& table = ringSettings();
    EXPECT_EQ(table.active, (std::array<bool, 5>{true, true, false, false, true}));
    EXPECT_EQ(table.color[0], QColor::fromRgbF(1, 1, 0));
    EXPECT_EQ(table.color[1], QColor::fromRgbF(1, 0, 0));
    EXPECT_EQ(table.color[4], QColor::fromRgbF(1, 1, 1));
    EXPECT_DOUBLE_EQ(table.sizeStart[4], 2);
    EXPECT_EQ(delegate.frameRateText->text(), QStringLiteral("30"));
    EXPECT_EQ(field(2, AppDelegate::radiusEndTag)->text(), QStringLiteral("115"));
    EXPECT_TRUE(control<QCheckBox>(5, AppDelegate::activeTag)->isChecked());
}

TEST_F(SettingsTest, TheFileAfterFirstLaunchHoldsEveryKeyAUserWouldExpect)
{
    engine.loadPrefs(&delegate);
    QFile file(settingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    int keys = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        keys += line.contains(QLatin1Char('=')) ? 1 : 0;
    }
    EXPECT_EQ(keys, 59);
    for (const char* line : {"framerate=30",
                             "background=Midnight",
                             "flipModifiers=false",
                             "prefsInited=true",
                             "ring1active=1",
                             "ring1thickness=20",
                             "ring3vizEnd=50",
                             "ring4blue=100",
                             "ring5sizeStart=2"}) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(line))) << line;
    }
}

TEST_F(SettingsTest, ASecondLaunchRewritesNothing)
{
    engine.loadPrefs(&delegate);
    store(QStringLiteral("ring1life"), 123456);
    store(QStringLiteral("ring4green"), -7);
    QFile file(settingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    engine.loadPrefs(&delegate);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_DOUBLE_EQ(ringSettings().life[0], 123456);
}

struct FrameRateText
{
    const char* typed;
    int stored;
};

class FrameRateSave : public SettingsTest, public ::testing::WithParamInterface<FrameRateText>
{};

TEST_P(FrameRateSave, StoresTwoToFiftyNineElseThirty)
{
    engine.loadPrefs(&delegate);
    typeInto(delegate.frameRateText, QString::fromUtf8(GetParam().typed));
    save();
    EXPECT_EQ(stored(framerateKey).toInt(), GetParam().stored);
    EXPECT_EQ(delegate.frameRateText->text(), QString::number(GetParam().stored));
    EXPECT_DOUBLE_EQ(engine.animationInterval, 1.0 / GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Texts,
                         FrameRateSave,
                         ::testing::Values(FrameRateText{"2", 2},
                                           FrameRateText{"59", 59},
                                           FrameRateText{"+45", 45},
                                           FrameRateText{"1", 30},
                                           FrameRateText{"60", 30},
                                           FrameRateText{"-5", 30},
                                           FrameRateText{"abc", 30},
                                           FrameRateText{" 45", 30},
                                           FrameRateText{"", 30}),
                         [](const auto& p) {
                             std::string name = "Typed";
                             for (const char c : std::string(p.param.typed)) {
                                 name += std::isalnum(static_cast<unsigned char>(c))
                                             ? std::string(1, c)
                                             : std::string(c == '-' ? "Minus" : "Sign");
                             }
                             return name + "Stores" + std::to_string(p.param.stored);
                         });

TEST_F(SettingsTest, RingFieldsThatDoNotParseAreSavedAsTheirFallback)
{
    engine.loadPrefs(&delegate);
    typeInto(field(2, AppDelegate::lifeTag), QStringLiteral("abc"));
    typeInto(field(2, AppDelegate::delayTag), QStringLiteral("-3"));
    typeInto(field(3, AppDelegate::thickTag), QStringLiteral(" 40"));
    save();
    EXPECT_EQ(stored(QStringLiteral("ring2life")).toInt(), 15);
    EXPECT_EQ(field(2, AppDelegate::lifeTag)->text(), QStringLiteral("15"));
    EXPECT_EQ(stored(QStringLiteral("ring2delay")).toInt(), -3);
    EXPECT_EQ(stored(QStringLiteral("ring3thickness")).toInt(), 10);
    EXPECT_DOUBLE_EQ(ringSettings().delay[1], -3);
}

TEST_F(SettingsTest, SaveStoresTheControlsHidesTheWindowAndLightsTheKeysOnce)
{
    delegate.resyncPrefsBtn(nullptr);
    ASSERT_TRUE(delegate.settingsWindow->isVisible());
    control<QCheckBox>(3, AppDelegate::activeTag)->setChecked(true);
    control<QCheckBox>(1, AppDelegate::activeTag)->setChecked(false);
    control<ColorWell>(4, AppDelegate::colorTag)->setColor(QColor::fromRgbF(0.5f, 0.25f, 0.996f));
    const std::size_t passes = leds->passes().size();
    save();
    EXPECT_FALSE(delegate.settingsWindow->isVisible());
    EXPECT_EQ(leds->passes().size(), passes + 1);
    EXPECT_EQ(stored(QStringLiteral("ring3active")).toInt(), 1);
    EXPECT_EQ(stored(QStringLiteral("ring1active")).toInt(), 0);
    EXPECT_EQ(stored(QStringLiteral("ring4red")).toInt(), 50);
    EXPECT_EQ(stored(QStringLiteral("ring4green")).toInt(), 25);
    EXPECT_EQ(stored(QStringLiteral("ring4blue")).toInt(), 99);
    EXPECT_EQ(ringSettings().active, (std::array<bool, 5>{false, true, true, false, true}));
}

TEST_F(SettingsTest, OnlyAStoredActiveOfOneMakesARingActive)
{
    engine.loadPrefs(&delegate);
    store(QStringLiteral("ring1active"), 2);
    store(QStringLiteral("ring3active"), 1);
    engine.loadPrefs(&delegate);
    EXPECT_FALSE(ringSettings().active[0]);
    EXPECT_FALSE(control<QCheckBox>(1, AppDelegate::activeTag)->isChecked());
    EXPECT_TRUE(ringSettings().active[2]);
}

TEST_F(SettingsTest, StoredColourPercentagesBecomeComponentsUnclamped)
{
    engine.loadPrefs(&delegate);
    store(QStringLiteral("ring2red"), 100);
    store(QStringLiteral("ring2green"), 50);
    store(QStringLiteral("ring2blue"), 0);
    store(QStringLiteral("ring3red"), 150);
    engine.loadPrefs(&delegate);
    const QColor colour = ringSettings().color[1];
    EXPECT_FLOAT_EQ(colour.redF(), 1.0f);
    EXPECT_NEAR(colour.greenF(), 0.5, 1e-4);
    EXPECT_FLOAT_EQ(colour.blueF(), 0.0f);
    EXPECT_FLOAT_EQ(colour.alphaF(), 1.0f);
    EXPECT_NEAR(ringSettings().color[2].redF(), 1.5, 1e-3);
}

TEST_F(SettingsTest, OverrideRowsAreInsertedOnceAndStayAfterTheOptionIsSwitchedOff)
{
    engine.loadPrefs(&delegate);
    QTest::mouseClick(delegate.modifierKeySwap, Qt::LeftButton);
    EXPECT_TRUE(engine.flippingModifiers);
    EXPECT_EQ(keyLayoutTable().size(), 121u); // acted on only by the next load
    save();
    EXPECT_EQ(keyLayoutTable().size(), 125u);
    EXPECT_TRUE(engine.hasBeenFlippedOnce);
    engine.loadPrefs(&delegate);
    EXPECT_EQ(keyLayoutTable().size(), 125u);

    QTest::mouseClick(delegate.modifierKeySwap, Qt::LeftButton);
    save();
    EXPECT_FALSE(stored(flipModifiersKey).toBool());
    EXPECT_EQ(keyLayoutTable().size(), 125u);
}

TEST_F(SettingsTest, CancelLeavesStoreTableAndClockAsTheyWere)
{
    delegate.resyncPrefsBtn(nullptr);
    const QTimer* timer = engine.animationTimer.get();
    typeInto(field(1, AppDelegate::lifeTag), QStringLiteral("99"));
    typeInto(delegate.frameRateText, QStringLiteral("10"));
    cancel();
    EXPECT_FALSE(delegate.settingsWindow->isVisible());
    EXPECT_EQ(stored(QStringLiteral("ring1life")).toInt(), 15);
    EXPECT_EQ(stored(framerateKey).toInt(), 30);
    EXPECT_DOUBLE_EQ(ringSettings().life[0], 15);
    EXPECT_EQ(engine.animationTimer.get(), timer);
    EXPECT_EQ(engine.animationTimer->interval(), 33);

    delegate.PrefsMenuItem(nullptr); // opening again shows the store, not the edits
    EXPECT_EQ(field(1, AppDelegate::lifeTag)->text(), QStringLiteral("15"));
    EXPECT_EQ(delegate.frameRateText->text(), QStringLiteral("30"));
}

TEST_F(SettingsTest, ChoosingABackgroundShowsItAtOnceAndSaveStoresIt)
{
    delegate.resyncPrefsBtn(nullptr);
    const int spectrum = delegate.backgroundPopup->findText(QStringLiteral("Spectrum"));
    ASSERT_GE(spectrum, 0);
    delegate.backgroundPopup->setCurrentIndex(spectrum);
    emit delegate.backgroundPopup->activated(spectrum);
    EXPECT_EQ(canvas.backgroundImage, *backgroundPictureNamed(QStringLiteral("Spectrum")));
    save();
    EXPECT_EQ(stored(backgroundKey).toString(), QStringLiteral("Spectrum"));
}

TEST_F(SettingsTest, TextFieldsKeepTheirSteppersInStep)
{
    engine.loadPrefs(&delegate);
    QLineEdit* life = field(2, AppDelegate::lifeTag);
    typeInto(life, QStringLiteral("40"));
    EXPECT_EQ(control<Stepper>(2, AppDelegate::lifeTag + 10)->value(), 40);
    EXPECT_EQ(stored(QStringLiteral("ring2life")).toInt(), 15);

    Stepper* stepper = control<Stepper>(2, AppDelegate::lifeTag + 10);
    stepper->stepUp();
    EXPECT_EQ(life->text(), QStringLiteral("41"));
}

TEST_F(SettingsTest, FrameRateShowsInItsFieldAndStepper)
{
    delegate.setRingControls(0, {45});
    EXPECT_EQ(delegate.frameRateText->text(), QStringLiteral("45"));
    auto* stepper = delegate.frameRateText->parentWidget()->findChild<Stepper*>();
    ASSERT_TRUE(stepper);
    EXPECT_EQ(stepper->value(), 45);
}

TEST_F(SettingsTest, ValuesBeyondAStepperAreClampedInTheStepperOnly)
{
    engine.loadPrefs(&delegate);
    store(QStringLiteral("ring1sizeEnd"), qlonglong(1) << 40);
    engine.loadPrefs(&delegate);
    EXPECT_EQ(field(1, AppDelegate::radiusEndTag)->text(), QStringLiteral("1099511627776"));
    auto* stepper = control<Stepper>(1, AppDelegate::radiusEndTag + 10);
    EXPECT_EQ(stepper->value(), stepper->maximum());
    save();
    EXPECT_EQ(stored(QStringLiteral("ring1sizeEnd")).toLongLong(), qlonglong(1) << 40);
}

TEST_F(SettingsTest, MissingControlsReadEleven)
{
    EXPECT_EQ(delegate.ringControlValue(1, 11), 11);
    delegate.ring4settingsView = nullptr;
    EXPECT_EQ(delegate.ringControlValue(4, 1), 11);
}

TEST_F(SettingsTest, StoredFrameRatesThatAreNoRateNeverReachTheClock)
{
    engine.loadPrefs(&delegate);
    for (const QVariant& bad : {QVariant(QStringLiteral("fast")), QVariant(0), QVariant(-5)}) {
        store(framerateKey, bad);
        engine.loadPrefs(&delegate);
        EXPECT_EQ(engine.animationTimer->interval(), 33);
        EXPECT_DOUBLE_EQ(engine.savedAnimationInterval, 1.0 / 30.0);
        EXPECT_EQ(stored(framerateKey), bad);
    }
}

TEST_F(SettingsTest, AnUnreadableFileLeavesTheDefaultsRunningAndTheFileAlone)
{
    QFile::remove(settingsPath());
    ASSERT_TRUE(QDir().mkpath(settingsPath())); // a folder where the file should be
    engine.loadPrefs(&delegate);
    EXPECT_EQ(engine.animationTimer->interval(), 33);
    EXPECT_EQ(ringSettings().active, (std::array<bool, 5>{true, true, false, false, true}));
    EXPECT_EQ(delegate.frameRateText->text(), QStringLiteral("30"));
    EXPECT_TRUE(QFileInfo(settingsPath()).isDir());
    QDir(settingsPath()).removeRecursively();
}

TEST_F(SettingsTest, ControlCommaOpensTheSettingsWithTheStoredValues)
{
    engine.loadPrefs(&delegate);
    store(QStringLiteral("ring5life"), 77);
    canvas.show();
    QTest::keyClick(&canvas, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_TRUE(delegate.settingsWindow->isVisible());
    EXPECT_EQ(field(5, AppDelegate::lifeTag)->text(), QStringLiteral("77"));
}

} // namespace
} // namespace kelvara
