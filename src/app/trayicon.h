#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace kelvara {

class AppDelegate;

// The icon in the desktop's tray (StatusNotifierItem where the desktop offers it, the older
// system tray elsewhere) and its menu: show or hide the window, the settings, start at login,
// keep running when the window is closed, the help page on input access, pause or resume the
// lighting, quit. A click on the
// icon shows or hides the window. Created by the application delegate only where a tray exists.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    explicit TrayIcon(AppDelegate& app, QObject* parent = nullptr);

    // The status line's outcome, as the icon's tooltip.
    void setStatus(const QString& status);
    // The icon greyed and the menu offering to resume while the keyboards are handed back.
    void showPaused(bool paused);

    QSystemTrayIcon& icon() { return m_icon; }

    QMenu& menu() { return m_menu; }

    QAction* showHideAction() const { return m_showHide; }

    QAction* settingsAction() const { return m_settings; }

    QAction* startAtLoginAction() const { return m_startAtLogin; }

    QAction* keepRunningAction() const { return m_keepRunning; }

    QAction* inputHelpAction() const { return m_inputHelp; }

    QAction* pauseAction() const { return m_pause; }

    QAction* quitAction() const { return m_quit; }

    // Brings the menu's texts and check marks up to date: whether the window shows, whether the
    // autostart entry is there.
    void refresh();

private:
    AppDelegate& m_app;
    QMenu m_menu;
    QSystemTrayIcon m_icon;
    QAction* m_showHide = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_startAtLogin = nullptr;
    QAction* m_keepRunning = nullptr;
    QAction* m_inputHelp = nullptr;
    QAction* m_pause = nullptr;
    QAction* m_quit = nullptr;
};

} // namespace kelvara
