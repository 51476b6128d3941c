#pragma once

#include "engine/kelvaraactions.h"
#include "engine/prefscontrols.h"
#include "input/keylistener.h"
#include "led/lightingservicestate.h"
#include "platform/eventmonitors.h"
#include "platform/globalkeyinput.h"
#include "platform/keyserviceprotocol.h"
#include "prefs/colorwell.h"
#include "prefs/preferencestore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Ui {
class MainWindow;
class PermissionSheet;
} // namespace Ui

namespace kelvara {

class artCanvasView;
class SettingsWindow;
class Stepper;
class TrayIcon;

// The application: owns the engine, the key listener and the windows for the life of the
// process, runs the launch and termination steps, and carries the actions of the windows. The
// windows own their controls; the delegate's outlets only refer to them.
class AppDelegate : public QObject, public PrefsControls
{
    Q_OBJECT

public:
    // Without an engine of its own the delegate makes one.
    explicit AppDelegate(std::unique_ptr<KelvaraActions> engine = nullptr,
                         QObject* parent = nullptr);
    ~AppDelegate() override;

    void resyncPrefsBtn(QObject* sender);
    void PrefsMenuItem(QObject* sender);
    // Restores the window, connects the lighting service, starts the key listener and the
    // animation. Once, when the event loop is about to run.
    void applicationDidFinishLaunching();
    // The permission sheet's buttons: tag 1 opens the help page on input access.
    void closePermSheet(QObject* sender);
    void textChanged(QObject* sender);
    void backgroundColorSelector(QObject* sender);
    void flipModifiersBtn(QObject* sender);
    void savePrefsButton(QObject* sender);
    void needsHelp(QObject* sender);
    void cancelPrefsButton(QObject* sender);
    // Hands everything back; runs once, when the application quits.
    void applicationWillTerminate();

    static bool applicationShouldTerminateAfterLastWindowClosed() { return true; }

    // Beyond the design's desktop: the window can be hidden and brought back, from the tray or by
    // a second launch, and closing it may hide it instead of quitting.
    void showMainWindow();
    void toggleMainWindow();
    bool keepsRunningWhenClosed() const;
    // Stored in the settings file at once.
    void setKeepRunningWhenClosed(bool keep);
    // The bundled page on letting Kelvara see every key, in the desktop's browser.
    void openInputAccessHelp();
    // The status line, its Help button, its tooltip and the tray's, for the service as it is.
    void showServiceState(const LightingServiceState& state);

    TrayIcon* trayIcon() const { return m_tray.get(); }

    // "v" and the version of the program.
    static QString versionString();

    // The settings window's controls, for the engine's preference load and save.
    void setRingControls(int ring, const std::vector<std::int64_t>& values) override;
    std::int64_t ringControlValue(int ring, int field) const override;
    std::optional<QString> frameRateEntry() const override;
    std::optional<QString> chosenBackground() const override;
    void showBackground(const QString& name) override;
    bool flipModifiersChecked() const override;
    void showFlipModifiers(bool flipping) override;
    bool lockLightsChecked() const override;
    QColor lockLightsColour() const override;
    void showLockLights(bool shown, const QColor& colour) override;
    void showKeyboards(const QStringList& names, const QString& chosen) override;
    std::optional<QString> chosenKeyboard() const override;
    void syncStepper(QLineEdit* field);
    static Stepper* stepperWithTag(const QObjectList& views, int tag);
    QWidget* ringSettingsView(int ring) const;

    QPointer<QMainWindow> window;
    QPointer<QWidget> settingsWindow;
    QPointer<QLineEdit> frameRateText;
    QPointer<QComboBox> backgroundPopup;
    QPointer<QCheckBox> modifierKeySwap;
    QPointer<QCheckBox> lockLightsBox;
    QPointer<ColorWell> lockLightsWell;
    QPointer<QComboBox> keyboardPopup;
    QPointer<QDialog> permissionSheet;
    QPointer<QLabel> statusTextField;
    QPointer<QLabel> bottomInfoTextField;
    QPointer<artCanvasView> artCanvas;
    QPointer<QPushButton> helpMeBtn;
    QPointer<QWidget> ring1settingsView;
    QPointer<QWidget> ring2settingsView;
    QPointer<QWidget> ring3settingsView;
    QPointer<QWidget> ring4settingsView;
    QPointer<QWidget> ring5settingsView;

    const std::unique_ptr<KelvaraActions> theApp;
    EventMonitors eventMonitors;
    GlobalKeyInput globalKeyInput{eventMonitors};
    KeyListener theListener{eventMonitors};
    // Where the keyboards' input devices are; tests point it elsewhere.
    QString inputDeviceDirectory = QStringLiteral("/dev/input");
    QString keyServicePath = QString::fromLatin1(keyservice::defaultSocketPath);
    // Launch without showing the main window (kelvara --hidden).
    bool startHidden = false;
    // Whether the desktop has a tray for the icon; tests decide it for themselves.
    std::function<bool()> trayAvailable;
    const QString _defaultBackgroundName = defaultBackgroundName;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectMainWindow();
    void connectSettingsWindow();
    // The status line's tooltip and the tray's: the service's details, and what keys are seen.
    void showStatusTips();
    // The keyboard the LED layer chooses, drawn in the window; its name kept for the next launch.
    void showChosenKeyboard();

    std::unique_ptr<QMainWindow> m_mainWindow;
    std::unique_ptr<Ui::MainWindow> m_mainUi;
    std::unique_ptr<Ui::PermissionSheet> m_sheetUi;
    std::unique_ptr<SettingsWindow> m_settingsWindow;
    std::unique_ptr<TrayIcon> m_tray;
    QPalette m_statusPalette;          // of the status line while connected
    LightingServiceState m_shownState; // as the status line shows it
    bool m_terminated = false;
    // The permission sheet waits for the window of a hidden start to be shown.
    bool m_sheetWaiting = false;
};

} // namespace kelvara
