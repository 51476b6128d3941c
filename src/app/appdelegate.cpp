#include "app/appdelegate.h"

#include "ui_mainwindow.h"
#include "ui_permissionsheet.h"
#include "ui_settingswindow.h"

#include "app/lightingservicealert.h"
#include "app/trayicon.h"
#include "canvas/artcanvasview.h"
#include "engine/lightingservice.h"
#include "led/ledbackend.h"
#include "led/logiled.h"
#include "platform/logindkeepawake.h"
#include "platform/systemlog.h"
#include "platform/urlopener.h"
#include "prefs/controltags.h"
#include "prefs/preferencestore.h"
#include "prefs/settingswindow.h"
#include "prefs/stepper.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>

namespace kelvara {

namespace {

// The help page lives in the resources; the desktop's browser needs a file of its own.
QUrl helpPageUrl()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("input-access.html"));
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(":/help/input-access.html"), path)) {
        systemLog(QStringLiteral("Cannot write the help page to %1.").arg(path));
        return {};
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return QUrl::fromLocalFile(path);
}

} // namespace

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

void AppDelegate::showMainWindow()
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->setVisible(true);
    window->raise();
    window->activateWindow();
}

void AppDelegate::toggleMainWindow()
{
    if (window->isVisible() && !window->isMinimized()) {
        window->hide();
    } else {
        showMainWindow();
    }
}

bool AppDelegate::keepsRunningWhenClosed() const
{
    return openPreferenceStore()->value(keepRunningWhenClosedKey).toBool();
}

void AppDelegate::setKeepRunningWhenClosed(bool keep)
{
    openPreferenceStore()->setValue(keepRunningWhenClosedKey, keep);
}

void AppDelegate::openInputAccessHelp()
{
    if (const QUrl page = helpPageUrl(); page.isValid()) {
        openUrl(page);
    }
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != static_cast<QObject*>(m_mainWindow.get())) {
        return false;
    }
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && m_tray) {
        QTimer::singleShot(0, m_tray.get(), &TrayIcon::refresh);
    }
    if (event->type() == QEvent::Show && m_sheetWaiting) {
        m_sheetWaiting = false;
        QTimer::singleShot(0, permissionSheet, [this] { permissionSheet->open(); });
    } else if (event->type() == QEvent::Close && m_tray) {
        // With a tray the application does not quit on its last window by itself (a hidden
        // start has none shown): closing the main window quits, unless it is to keep running.
        if (keepsRunningWhenClosed()) {
            event->ignore();
            window->hide();
            return true;
        }
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return false;
}

QString AppDelegate::versionString()
{
    static const QString version = QStringLiteral("v") + QCoreApplication::applicationVersion();
    return version;
}

void AppDelegate::connectMainWindow()
{
    m_mainUi->setupUi(m_mainWindow.get());
    window = m_mainWindow.get();
    artCanvas = m_mainUi->artCanvas;
    statusTextField = m_mainUi->statusTextField;
    bottomInfoTextField = m_mainUi->bottomInfoTextField;
    helpMeBtn = m_mainUi->helpMeBtn;
    m_statusPalette = statusTextField->palette();

    auto* sheet = new QDialog(m_mainWindow.get());
    m_sheetUi->setupUi(sheet);
    sheet->setWindowModality(Qt::WindowModal);
    permissionSheet = sheet;
    for (QPushButton* button : {m_sheetUi->notNowButton, m_sheetUi->showHowButton}) {
        connect(button, &QPushButton::clicked, this, [this, button] { closePermSheet(button); });
    }
    connect(m_mainUi->helpMeBtn, &QPushButton::clicked, this, [this] { needsHelp(helpMeBtn); });
    connect(m_mainUi->settingsButton, &QPushButton::clicked, this,
            [this] { resyncPrefsBtn(m_mainUi->settingsButton); });
    connect(m_mainUi->actionSettings, &QAction::triggered, this,
            [this] { PrefsMenuItem(m_mainUi->actionSettings); });
    connect(m_mainUi->actionQuit, &QAction::triggered, qApp, &QCoreApplication::quit);
    m_mainWindow->installEventFilter(this);
}

void AppDelegate::connectSettingsWindow()
{
    Ui::SettingsWindow& ui = m_settingsWindow->ui();
    settingsWindow = m_settingsWindow.get();
    frameRateText = ui.frameRateText;
    backgroundPopup = ui.backgroundPopup;
    modifierKeySwap = ui.modifierKeySwap;
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
    if (service.state() != launched) {
        // The check and what the LED layer found may part (a service gone in between).
        QTimer::singleShot(0, this,
                           [this] { showServiceState(ledBackend().serviceStatus().state()); });
    }

    // Key presses, and the permission sheet when those of other programs cannot be seen.
    globalKeyInput.start(inputDeviceDirectory, keyServicePath);
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
    theApp->loadPrefs(this);
    theApp->setBackground(artCanvas, backgroundPopup && backgroundPopup->currentIndex() >= 0
                                         ? backgroundPopup->currentText()
                                         : _defaultBackgroundName);
    artCanvas->callback = this;
    theApp->startAnimation(artCanvas);
}

void AppDelegate::showServiceState(const LightingServiceState& state)
{
    const bool connected = state.status == LightingServiceState::Status::Connected;
    m_shownState = state;
    statusTextField->setText(statusText(state.status));
    helpMeBtn->setHidden(connected);
    QPalette palette = m_statusPalette;
    if (!connected) {
        palette.setColor(QPalette::WindowText, QColor(142, 142, 147));
    }
    statusTextField->setPalette(palette);
    showStatusTips();
}

void AppDelegate::showStatusTips()
{
    QStringList tip{describeEndpoint(lightingServiceEndpoint())};
    const QString details = stateDetails(m_shownState);
    if (!details.isEmpty()) {
        tip.append(details);
    }
    if (const QString limit = globalKeyInput.limitation(); !limit.isEmpty()) {
        tip.append(limit);
    }
    statusTextField->setToolTip(tip.join(QLatin1Char('\n')));
    if (m_tray) {
        m_tray->setStatus(details.isEmpty()
                              ? statusTextField->text()
                              : statusTextField->text() + QLatin1Char('\n') + details);
    }
}

void AppDelegate::closePermSheet(QObject* sender)
{
    if (permissionSheet) {
        permissionSheet->done(0);
    }
    if (sender && sender->property("tag").toInt() == 1) {
        openInputAccessHelp();
    }
}

void AppDelegate::needsHelp(QObject* /*sender*/)
{
    showLGSAlert(window);
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
