#include "app/trayicon.h"

#include "app/appdelegate.h"
#include "led/ledbackend.h"
#include "platform/loginstart.h"

#include <QApplication>
#include <QIcon>

namespace kelvara {

TrayIcon::TrayIcon(AppDelegate& app, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_icon(QIcon(QStringLiteral(":/kelvara.svg")))
{
    m_showHide = m_menu.addAction(QStringLiteral("Show Kelvara"), &m_app,
                                  [this] { m_app.toggleMainWindow(); });
    m_settings = m_menu.addAction(QStringLiteral("Settings…"), &m_app,
                                  [this] { m_app.PrefsMenuItem(m_settings); });
    m_menu.addSeparator();
    m_startAtLogin = m_menu.addAction(QStringLiteral("Start at login"));
    m_startAtLogin->setCheckable(true);
    connect(m_startAtLogin, &QAction::triggered, this, [this](bool start) {
        setStartAtLogin(start);
        refresh();
    });
    m_keepRunning = m_menu.addAction(QStringLiteral("Keep running when the window is closed"));
    m_keepRunning->setCheckable(true);
    connect(m_keepRunning, &QAction::triggered, &m_app,
            [this](bool keep) { m_app.setKeepRunningWhenClosed(keep); });
    m_inputHelp = m_menu.addAction(QStringLiteral("Seeing Every Key…"), &m_app,
                                   [this] { m_app.openInputAccessHelp(); });
    m_menu.addSeparator();
    m_pause = m_menu.addAction(QStringLiteral("Pause Lighting"), &m_app, [] {
        LedBackend& backend = ledBackend();
        backend.setPaused(!backend.isPaused());
    });
    m_quit = m_menu.addAction(QStringLiteral("Quit"), qApp, &QCoreApplication::quit);
    connect(&m_menu, &QMenu::aboutToShow, this, &TrayIcon::refresh);

    m_icon.setToolTip(QStringLiteral("Kelvara"));
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, &m_app,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    m_app.toggleMainWindow();
                }
            });
    refresh();
    showPaused(ledBackend().isPaused());
    m_icon.show();
}

void TrayIcon::setStatus(const QString& status)
{
    m_icon.setToolTip(status);
}

void TrayIcon::showPaused(bool paused)
{
    const QIcon own(QStringLiteral(":/kelvara.svg"));
    if (!paused) {
        m_icon.setIcon(own);
    } else {
        // The icon as the desktop greys a disabled one, at the sizes trays use.
        QIcon greyed;
        for (const int size : {16, 22, 24, 32, 48, 64}) {
            greyed.addPixmap(own.pixmap(QSize(size, size), QIcon::Disabled));
        }
        m_icon.setIcon(greyed);
    }
    m_pause->setText(paused ? QStringLiteral("Resume Lighting") : QStringLiteral("Pause Lighting"));
}

void TrayIcon::refresh()
{
    const bool shown = m_app.window && m_app.window->isVisible() && !m_app.window->isMinimized();
    m_showHide->setText(shown ? QStringLiteral("Hide Kelvara") : QStringLiteral("Show Kelvara"));
    m_startAtLogin->setChecked(startsAtLogin());
    m_keepRunning->setChecked(m_app.keepsRunningWhenClosed());
}

} // namespace kelvara
