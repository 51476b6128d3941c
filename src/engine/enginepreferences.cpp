// The engine's preference load and save: the settings file turned into running state and back,
// shown in and read from the settings window through PrefsControls.

#include "engine/kelvaraactions.h"
#include "input/keylayouttable.h"
#include "led/ledbackend.h"
#include "platform/systemlog.h"
#include "prefs/preferencestore.h"
#include "rings/ringsettingstable.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace kelvara {

namespace {

bool storeIsUsable(const QSettings& store)
{
    if (store.status() == QSettings::NoError) {
        return true;
    }
    static bool reported = false;
    if (!reported) {
        reported = true;
        systemLog(QStringLiteral("Cannot read the settings file %1; using the first-run settings.")
                      .arg(store.fileName()));
    }
    return false;
}

// A file that cannot be parsed is kept aside instead of being written over.
// Answers whether the file is out of the way.
bool setAsideUnreadableStore(const QSettings& store)
{
    const QString aside = store.fileName() + QStringLiteral(".unreadable");
    QFile::remove(aside);
    if (QFile::rename(store.fileName(), aside)) {
        systemLog(QStringLiteral("Kept the unreadable settings file as %1.").arg(aside));
        return true;
    }
    return !QFileInfo::exists(store.fileName());
}

// Whether Kelvara reads or writes a key of this name.
bool isKnownKey(const QString& key)
{
    static const QStringList known = [] {
        QStringList keys{prefsInitedKey,         framerateKey,
                         backgroundKey,          flipModifiersKey,
                         lightingServiceHostKey, lightingServicePortKey,
                         windowPositionKey,      keepRunningWhenClosedKey,
                         lockLightsKey,          lockLightsColourKey};
        for (int ring = 1; ring <= 5; ++ring) {
            for (int field = 0; field < ringFieldCount; ++field) {
                keys.append(ringKey(ring, field));
            }
        }
        return keys;
    }();
    return known.contains(key);
}

// A file that was never set up by Kelvara and holds bytes that are not its settings may be
// something else altogether (Qt's reader makes keys out of almost anything, and does not always
// say when it could not): a copy is kept before the first-run settings go into it. A file that
// holds only settings Kelvara knows, such as a lighting service port written by hand, is not.
// Answers whether the first-run settings may go into the file.
bool copyAsideBeforeFirstRun(const QSettings& store)
{
    const QFileInfo file(store.fileName());
    if (!file.isFile() || file.size() == 0) {
        return true;
    }
    const QStringList keys = store.allKeys();
    if (!keys.isEmpty() && std::all_of(keys.begin(), keys.end(), isKnownKey)) {
        return true;
    }
    const QString copy = store.fileName() + QStringLiteral(".before-first-run");
    QFile::remove(copy);
    if (QFile::copy(store.fileName(), copy)) {
        systemLog(QStringLiteral("Kept a copy of the settings file as %1 before writing the "
                                 "first-run settings into it.")
                      .arg(copy));
        return true;
    }
    systemLog(QStringLiteral("Cannot keep a copy of the settings file %1; the first-run settings "
                             "are used without being written into it.")
                  .arg(store.fileName()));
    return false;
}

void writeRingSettings(std::size_t index, const RingValues& v)
{
    RingSettingsTable& table = ringSettings();
    table.active.at(index) = v[0] == 1;
    table.life.at(index) = double(v[1]);
    table.delay.at(index) = double(v[2]);
    table.sizeStart.at(index) = double(v[3]);
    table.sizeEnd.at(index) = double(v[4]);
    table.thickness.at(index) = double(v[5]);
    table.vizStart.at(index) = double(v[6]);
    table.vizEnd.at(index) = double(v[7]);
    table.color.at(index) =
        QColor::fromRgbF(float(double(v[8]) / 100.0), float(double(v[9]) / 100.0),
                         float(double(v[10]) / 100.0), 1.0f);
}

} // namespace

void KelvaraActions::loadPrefs(PrefsControls* delegate)
{
    const std::unique_ptr<QSettings> store = openPreferenceStore();
    StoredPrefs prefs = firstRunPrefs();
    // Qt tells of a damaged file only to the first settings object that reads it; later ones on
    // the same path share what was read and report no error, so the finding is kept here.
    m_storeUnreadable = store->status() == QSettings::FormatError;
    if (storeIsUsable(*store)) {
        if (store->value(prefsInitedKey).toBool()) {
            prefs = readStoredPrefs(*store);
        } else if (copyAsideBeforeFirstRun(*store)) {
            writeDefaultPrefs(*store);
            store->setValue(prefsInitedKey, true);
            prefs = readStoredPrefs(*store);
        } else {
            m_storeUnreadable = true; // not to be written over by a save either
        }
    }

    // A rate that is not positive never reaches the clock; the file keeps what it holds.
    animationInterval = prefs.framerate > 0 ? 1.0 / double(prefs.framerate) : fallbackFrameInterval;
    rearmTimer();
    savedAnimationInterval = animationInterval;
    delegate->setRingControls(0, {prefs.framerate});

    delegate->showBackground(prefs.background.value_or(defaultBackgroundName));

    flippingModifiers = prefs.flipModifiers;
    delegate->showFlipModifiers(flippingModifiers);

    delegate->showLockLights(prefs.lockLights, prefs.lockLightsColour);

    KeyboardChoice& keyboards = ledBackend().keyboardChoice();
    keyboards.setWish(prefs.keyboard);
    delegate->showKeyboards(keyboards.choosable(), keyboards.chosenName());
    setLockLightsShown(prefs.lockLights, prefs.lockLightsColour);

    for (int ring = 1; ring <= 5; ++ring) {
        const RingValues& values = prefs.rings.at(std::size_t(ring - 1));
        delegate->setRingControls(ring, std::vector<std::int64_t>(values.begin(), values.end()));
        writeRingSettings(std::size_t(ring - 1), values);
    }

    if (!hasBeenFlippedOnce && flippingModifiers) {
        keyLayoutTable().insertModifierOverrideRows();
        hasBeenFlippedOnce = true;
    }
}

void KelvaraActions::savePrefs(PrefsControls* delegate)
{
    std::unique_ptr<QSettings> store = openPreferenceStore();
    if (m_storeUnreadable || store->status() == QSettings::FormatError) {
        if (!setAsideUnreadableStore(*store)) {
            // Saving now would write over what could not be read; nothing is lost by not saving.
            systemLog(QStringLiteral("Cannot move the unreadable settings file %1 aside; the "
                                     "settings were not saved.")
                          .arg(store->fileName()));
            return;
        }
        store = openPreferenceStore();
        // A fresh file: nothing of what was made out of the damaged one, and marked as set up so
        // that the next launch does not write the first-run settings over this save.
        store->clear();
        store->setValue(prefsInitedKey, true);
        m_storeUnreadable = false;
    }

    std::int64_t framerate = defaultFramerate;
    if (const std::optional<QString> typed = delegate->frameRateEntry()) {
        framerate = parseInteger(*typed).value_or(defaultFramerate);
    }
    if (framerate < lowestFramerate || framerate > highestFramerate) {
        framerate = defaultFramerate;
    }
    store->setValue(framerateKey, qlonglong(framerate));

    store->setValue(backgroundKey, delegate->chosenBackground().value_or(defaultBackgroundName));
    store->setValue(flipModifiersKey, delegate->flipModifiersChecked());
    store->setValue(lockLightsKey, delegate->lockLightsChecked());
    store->setValue(lockLightsColourKey, delegate->lockLightsColour().name(QColor::HexRgb));
    // Named only when it is not what would be drawn anyway, so that a keyboard bought later is
    // drawn without a visit to the settings.
    if (const std::optional<QString> keyboard = delegate->chosenKeyboard()) {
        if (*keyboard == ledBackend().keyboardChoice().automaticName()) {
            store->remove(keyboardKey);
        } else {
            store->setValue(keyboardKey, *keyboard);
        }
    }
    for (int ring = 1; ring <= 5; ++ring) {
        for (int field = 0; field < ringFieldCount; ++field) {
            store->setValue(ringKey(ring, field),
                            qlonglong(delegate->ringControlValue(ring, field)));
        }
    }
    store->sync();
    if (store->status() != QSettings::NoError) {
        systemLog(QStringLiteral("Cannot write the settings file %1.").arg(store->fileName()));
    }
    store.reset();
    loadPrefs(delegate);
}

} // namespace kelvara
