#include "app/appdelegate.h"

#include "ui_mainwindow.h"
#include "ui_permissionsheet.h"
#include "ui_settingswindow.h"

#include "app/trayicon.h"
#include "canvas/artcanvasview.h"
#include "engine/lightingservice.h"
#include "led/keyboardfile.h"
#include "led/ledbackend.h"
#include "led/logiled.h"
#include "platform/logindkeepawake.h"
#include "prefs/controltags.h"
#include "prefs/preferencestore.h"
#include "prefs/settingswindow.h"
#include "prefs/stepper.h"

#include <QApplication>
#include <QTimer>

namespace kelvara {

AppDelegate::AppDelegate(std::unique_ptr<KelvaraActions> engine, QObject* parent)
    : QObject(parent)
    , theApp(engine ? std::move(engine)
                    : std::make_unique<KelvaraActions>(std::make_unique<LogindKeepAwake>()))
    , m_mainWindow(std::make_unique<QMainWindow>())
    , m_mainUi(std::make_unique<Ui::MainWindow>())
    , m_sheetUi(std::make_unique<Ui::PermissionSheet>())
    , m_settingsWindow(std::make_unique<SettingsWindow>())
{
    connectMainWindow();
    connectSettingsWindow();
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    // Key presses of other programs are read at each frame while the rings move, and wake the
    // event loop themselves only while it waits on the idle beat.
    connect(theApp.get(), &KelvaraActions::framesRunningChanged, &globalKeyInput,
            &GlobalKeyInput::setReadAtFrames);
    connect(theApp.get(), &KelvaraActions::frameDue, &globalKeyInput, &GlobalKeyInput::readPending);
}

AppDelegate::~AppDelegate()
{
    // The window's own destruction sends it events that must not reach a delegate going away.
    m_mainWindow->removeEventFilter(this);
}

bool AppDelegate::keepsRunningWhenClosed() const
{
    return openPreferenceStore()->value(keepRunningWhenClosedKey).toBool();
}

void AppDelegate::setKeepRunningWhenClosed(bool keep)
{
    openPreferenceStore()->setValue(keepRunningWhenClosedKey, keep);
}

QString AppDelegate::versionString()
{
    static const QString version = QStringLiteral("v") + QCoreApplication::applicationVersion();
    return version;
}

void AppDelegate::connectSettingsWindow()
{
    Ui::SettingsWindow& ui = m_settingsWindow->ui();
    settingsWindow = m_settingsWindow.get();
    frameRateText = ui.frameRateText;
    backgroundPopup = ui.backgroundPopup;
    modifierKeySwap = ui.modifierKeySwap;
    lockLightsBox = ui.lockLightsBox;
    lockLightsWell = ui.lockLightsWell;
    keyboardPopup = ui.keyboardPopup;
    ring1settingsView = ui.ring1settingsView;
    ring2settingsView = ui.ring2settingsView;
    ring3settingsView = ui.ring3settingsView;
    ring4settingsView = ui.ring4settingsView;
    ring5settingsView = ui.ring5settingsView;

    connect(ui.saveButton, &QPushButton::clicked, this,
            [this, &ui] { savePrefsButton(ui.saveButton); });
    connect(ui.cancelButton, &QPushButton::clicked, this,
            [this, &ui] { cancelPrefsButton(ui.cancelButton); });
    connect(ui.backgroundPopup, &QComboBox::activated, this,
            [this, &ui] { backgroundColorSelector(ui.backgroundPopup); });
    connect(ui.modifierKeySwap, &QCheckBox::clicked, this,
            [this, &ui] { flipModifiersBtn(ui.modifierKeySwap); });
    // Every text field that has a stepper keeps it in step while it is edited.
    const QList<QLineEdit*> fields = m_settingsWindow->findChildren<QLineEdit*>();
    for (QLineEdit* field : fields) {
        const QObjectList siblings = field->parentWidget()->children();
        if (stepperWithTag(siblings, controltag::of(field) + controltag::stepperOffset)) {
            connect(field, &QLineEdit::textEdited, this, [this, field] { textChanged(field); });
        }
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (trayAvailable ? trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = std::make_unique<TrayIcon>(*this);
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // The window where it was left, on screen unless the start is a hidden one.
    const QByteArray frame = openPreferenceStore()->value(windowPositionKey).toByteArray();
    if (!frame.isEmpty()) {
        window->restoreGeometry(frame);
    }
    window->setVisible(!startHidden);

    // The lighting service as the launch check finds it, and from then on as the LED layer
    // follows it; Help is offered while it cannot be used.
    const LightingServiceState::Status checked = checkLightingService();
    LightingServiceStatus& service = ledBackend().serviceStatus();
    LightingServiceState launched = service.state();
    launched.status = checked;
    showServiceState(launched);
    connect(&service, &LightingServiceStatus::changed, this, &AppDelegate::showServiceState);
    connect(&ledBackend().pause(), &LightingPause::changed, this, [this](bool paused) {
        showStatusTips();
        if (m_tray) {
            m_tray->showPaused(paused);
        }
    });
    if (service.state() != launched) {
        // The check and what the LED layer found may part (a service gone in between).
        QTimer::singleShot(0, this,
                           [this] { showServiceState(ledBackend().serviceStatus().state()); });
    }

    // Key presses, and the permission sheet when those of other programs cannot be seen.
    // The lock keys' state as the key sources tell it, drawn on their keys.
    connect(&globalKeyInput, &GlobalKeyInput::lockKeysChanged, this,
            [this] { theApp->setLockKeys(globalKeyInput.lockKeys()); });
    globalKeyInput.start(inputDeviceDirectory, keyServicePath);
    theApp->setLockKeys(globalKeyInput.lockKeys());
    showStatusTips(); // they tell which keys can be seen
    connect(&globalKeyInput, &GlobalKeyInput::sourceChanged, this, &AppDelegate::showStatusTips);
    if (!theListener.startListening(theApp.get())) {
        if (window->isVisible()) {
            permissionSheet->open();
        } else {
            m_sheetWaiting = true;
        }
    }

    // The version goes before the credit line, so that a report with a screenshot names it.
    bottomInfoTextField->setText(versionString() + QLatin1Char(' ') + bottomInfoTextField->text());

    // Settings, picture and animation, without returning to the event loop in between: no tick
    // may come before the canvas is attached.
    // The keyboard drawn last comes back from its file before the service answers.
    KeyboardChoice& keyboards = ledBackend().keyboardChoice();
    keyboards.setKept(readKeptKeyboard(keyboardsFolder(),
                                       openPreferenceStore()->value(lastKeyboardKey).toString()));
    theApp->loadPrefs(this);
    theApp->setBackground(artCanvas, chosenBackground().value_or(_defaultBackgroundName));
    showChosenKeyboard();
    connect(&keyboards, &KeyboardChoice::shownChanged, this, &AppDelegate::showChosenKeyboard);
    connect(&keyboards, &KeyboardChoice::keyboardsChanged, this, [this, &keyboards] {
        // What the popup had chosen stays chosen while it is still offered.
        const QString chosen = chosenKeyboard().value_or(QString());
        const QStringList offered = keyboards.choosable();
        showKeyboards(offered, offered.contains(chosen) ? chosen : keyboards.chosenName());
    });
    artCanvas->callback = this;
    theApp->startAnimation(artCanvas);
}

void AppDelegate::showChosenKeyboard()
{
    const std::optional<ShownKeyboard>& shown = ledBackend().keyboardChoice().shown();
    theApp->showKeyboard(artCanvas, shown);
    if (shown) {
        const std::unique_ptr<QSettings> store = openPreferenceStore();
        if (store->value(lastKeyboardKey).toString() != shown->name) {
            store->setValue(lastKeyboardKey, shown->name);
        }
    }
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated) {
        return;
    }
    m_terminated = true;
    theListener.stopListening();
    if (theApp->animationTimer) {
        theApp->animationTimer->stop();
    }
    theApp->endKeepAwake();
    LogiLedShutdown();
    if (window) {
        openPreferenceStore()->setValue(windowPositionKey, window->saveGeometry());
    }
    m_tray.reset();
}

} // namespace kelvara
