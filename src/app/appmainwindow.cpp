// The application delegate's main window: showing and hiding it, the status line and its Help
// button, the permission sheet and the help pages.

#include "ui_mainwindow.h"
#include "ui_permissionsheet.h"

#include "app/appdelegate.h"
#include "app/lightingservicealert.h"
#include "app/trayicon.h"
#include "engine/lightingservice.h"
#include "led/ledbackend.h"
#include "platform/systemlog.h"
#include "platform/urlopener.h"
#include "prefs/preferencestore.h"

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
    QStringList trayTip{statusTextField->text()};
    if (!details.isEmpty()) {
        trayTip.append(details);
    }
    if (ledBackend().isPaused()) {
        tip.append(LightingPause::pausedText);
        trayTip.append(LightingPause::pausedText);
    }
    statusTextField->setToolTip(tip.join(QLatin1Char('\n')));
    if (m_tray) {
        m_tray->setStatus(trayTip.join(QLatin1Char('\n')));
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

} // namespace kelvara
