// What keeps Kelvara running all day: the tray icon, a hidden start, start at login, closing
// without quitting, one instance per session (that last under DesktopLifeUnderXvfb).

#include "app/trayicon.h"
#include "platform/loginstart.h"
#include "support/applicationfixture.h"
#include "support/eventloop.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using testing::ApplicationTest;

TEST_F(ApplicationTest, AHiddenStartLightsTheKeyboardAndAsksForAccessOnceShown)
{
    delegate->startHidden = true;
    launch(false);
    EXPECT_FALSE(delegate->window->isVisible());
    EXPECT_FALSE(delegate->permissionSheet->isVisible());
    delegate->theApp->startWaveForKey(0); // A
    delegate->theApp->animationStep(nullptr);
    EXPECT_GT(lastSent(4).red + lastSent(4).green + lastSent(4).blue, 0);

    delegate->showMainWindow();
    EXPECT_TRUE(delegate->window->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return delegate->permissionSheet->isVisible(); }));
}

struct ClosingCase
{
    const char* name;
    bool tray;
    bool keepRunning;
    bool quits;
};

class ClosingTheWindow : public ApplicationTest, public ::testing::WithParamInterface<ClosingCase>
{};

TEST_P(ClosingTheWindow, QuitsUnlessATrayKeepsItRunning)
{
    const ClosingCase& c = GetParam();
    withTray = c.tray;
    launch(true);
    ASSERT_EQ(delegate->trayIcon() != nullptr, c.tray);
    if (c.tray) {
        // Toggled from the menu, and written to the settings file at once.
        QAction* keep = delegate->trayIcon()->keepRunningAction();
        if (keep->isChecked() != c.keepRunning) {
            keep->trigger();
        }
        EXPECT_EQ(openPreferenceStore()->value(QStringLiteral("keepRunningWhenClosed")).toBool(),
                  c.keepRunning);
    }
    steps.clear();
    // Quitting ends the loop at once with 0; a window kept running waits out the second.
    EXPECT_EQ(testing::runEventLoop(1000, [this] { delegate->window->close(); }), c.quits ? 0 : 7);
    EXPECT_FALSE(delegate->window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Cases, ClosingTheWindow,
                         ::testing::Values(ClosingCase{"NoTray", false, false, true},
                                           ClosingCase{"TrayOnly", true, false, true},
                                           ClosingCase{"TrayKeepingItRunning", true, true, false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ApplicationTest, TheTrayMenuShowsHidesOpensAndQuits)
{
    withTray = true;
    ASSERT_TRUE(setStartAtLogin(true)); // an entry from an earlier run
    launch(true);
    TrayIcon* tray = delegate->trayIcon();
    ASSERT_TRUE(tray);
    EXPECT_TRUE(tray->startAtLoginAction()->isChecked());
    QCoreApplication::processEvents();
    EXPECT_EQ(tray->icon().toolTip(), QStringLiteral("Connected to LGS."));

    tray->showHideAction()->trigger();
    EXPECT_FALSE(delegate->window->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(tray->showHideAction()->text(), QStringLiteral("Show Kelvara"));
    emit tray->icon().activated(QSystemTrayIcon::Trigger); // a click on the icon
    EXPECT_TRUE(delegate->window->isVisible());

    // Start at login takes the entry away, and writes it again with a hidden start.
    tray->startAtLoginAction()->trigger();
    EXPECT_FALSE(startsAtLogin());
    tray->startAtLoginAction()->trigger();
    EXPECT_TRUE(startsAtLogin() && tray->startAtLoginAction()->isChecked());
    QFile entry(qEnvironmentVariable("XDG_CONFIG_HOME") +
                QStringLiteral("/autostart/kelvara.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = entry.readAll().split('\n');
    EXPECT_EQ(lines.front(), QByteArray("[Desktop Entry]"));
    EXPECT_TRUE(lines.contains("Exec=kelvara --hidden") && lines.contains("Type=Application"));
    tray->startAtLoginAction()->trigger();
    EXPECT_FALSE(startsAtLogin() || entry.exists());
    EXPECT_TRUE(setStartAtLogin(false));                          // nothing to remove is no failure
    EXPECT_TRUE(setStartAtLogin(true) && setStartAtLogin(false)); // each tells it was done

    tray->settingsAction()->trigger();
    EXPECT_TRUE(delegate->settingsWindow->isVisible());
    tray->inputHelpAction()->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("input-access.html")));

    steps.clear();
    EXPECT_EQ(testing::runEventLoop(1000, [tray] { tray->quitAction()->trigger(); }), 0);
    EXPECT_EQ(leds->shutdownCalls, 1);
    EXPECT_FALSE(
        openPreferenceStore()->value(QStringLiteral("windowPosition")).toByteArray().isEmpty());
}

} // namespace
} // namespace kelvara
