// The settings window's actions, carried by the application delegate.

#include "app/appdelegate.h"
#include "canvas/artcanvasview.h"
#include "prefs/colorwell.h"

namespace kelvara {

void AppDelegate::resyncPrefsBtn(QObject* /*sender*/)
{
    theApp->loadPrefs(this);
    if (settingsWindow) {
        settingsWindow->setVisible(true);
    }
}

void AppDelegate::PrefsMenuItem(QObject* sender)
{
    resyncPrefsBtn(sender);
}

void AppDelegate::savePrefsButton(QObject* /*sender*/)
{
    theApp->savePrefs(this);
    if (settingsWindow) {
        settingsWindow->setVisible(false);
    }
    theApp->updateKeyLights();
}

void AppDelegate::cancelPrefsButton(QObject* /*sender*/)
{
    if (settingsWindow) {
        settingsWindow->setVisible(false);
    }
}

void AppDelegate::textChanged(QObject* sender)
{
    syncStepper(qobject_cast<QLineEdit*>(sender));
}

std::optional<QString> AppDelegate::frameRateEntry() const
{
    return frameRateText ? std::optional(frameRateText->text()) : std::nullopt;
}

std::optional<QString> AppDelegate::chosenBackground() const
{
    if (!backgroundPopup || backgroundPopup->currentIndex() < 0) {
        return std::nullopt;
    }
    return backgroundPopup->currentText();
}

void AppDelegate::showBackground(const QString& name)
{
    if (backgroundPopup) {
        backgroundPopup->setCurrentIndex(backgroundPopup->findText(name));
    }
}

bool AppDelegate::flipModifiersChecked() const
{
    return modifierKeySwap && modifierKeySwap->isChecked();
}

void AppDelegate::showFlipModifiers(bool flipping)
{
    if (modifierKeySwap) {
        modifierKeySwap->setChecked(flipping);
    }
}

void AppDelegate::backgroundColorSelector(QObject* sender)
{
    const auto* popup = qobject_cast<QComboBox*>(sender);
    const QString name =
        popup && popup->currentIndex() >= 0 ? popup->currentText() : _defaultBackgroundName;
    if (artCanvas) {
        artCanvas->loadBackgroundImage(name);
    }
}

void AppDelegate::flipModifiersBtn(QObject* sender)
{
    const auto* box = qobject_cast<QCheckBox*>(sender);
    theApp->flippingModifiers = box && box->isChecked();
}

bool AppDelegate::lockLightsChecked() const
{
    return !lockLightsBox || lockLightsBox->isChecked();
}

QColor AppDelegate::lockLightsColour() const
{
    return lockLightsWell ? lockLightsWell->color() : defaultLockLightsColour;
}

void AppDelegate::showLockLights(bool shown, const QColor& colour)
{
    if (lockLightsBox) {
        lockLightsBox->setChecked(shown);
    }
    if (lockLightsWell) {
        lockLightsWell->setColor(colour);
    }
}

void AppDelegate::showKeyboards(const QStringList& names, const QString& chosen)
{
    if (!keyboardPopup) {
        return;
    }
    keyboardPopup->clear();
    keyboardPopup->addItems(names);
    keyboardPopup->setCurrentIndex(keyboardPopup->findText(chosen));
}

std::optional<QString> AppDelegate::chosenKeyboard() const
{
    if (!keyboardPopup || keyboardPopup->currentIndex() < 0) {
        return std::nullopt;
    }
    return keyboardPopup->currentText();
}

} // namespace kelvara
