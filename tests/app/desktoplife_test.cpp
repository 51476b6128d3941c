// What keeps Kelvara running all day: the tray icon, a hidden start, start at login, closing
// without quitting, one instance per session.

#include "app/trayicon.h"
#include "platform/loginstart.h"
#include "platform/singleinstance.h"
#include "support/applicationfixture.h"
#include "support/eventloop.h"
#include "support/privatebus.h"

#include <QDBusConnection>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using testing::ApplicationTest;

TEST(LoginStart, TheEntryIsWrittenWithAHiddenStartAndRemoved)
{
    const QString path = loginStartEntryPath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/autostart/kelvara.desktop")));
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    ASSERT_TRUE(setStartAtLogin(true));
    EXPECT_TRUE(startsAtLogin());
    QFile entry(path);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = entry.readAll().split('\n');
    EXPECT_EQ(lines.front(), QByteArray("[Desktop Entry]"));
    EXPECT_TRUE(lines.contains("Exec=kelvara --hidden"));
    EXPECT_TRUE(lines.contains("Type=Application"));
    ASSERT_TRUE(setStartAtLogin(false));
    EXPECT_FALSE(startsAtLogin());
    EXPECT_TRUE(setStartAtLogin(false)); // nothing to remove is no failure
}

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
    launch(true);
    TrayIcon* tray = delegate->trayIcon();
    ASSERT_TRUE(tray);
    QCoreApplication::processEvents();
    EXPECT_EQ(tray->icon().toolTip(), QStringLiteral("Connected to LGS."));

    tray->showHideAction()->trigger();
    EXPECT_FALSE(delegate->window->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(tray->showHideAction()->text(), QStringLiteral("Show Kelvara"));
    emit tray->icon().activated(QSystemTrayIcon::Trigger); // a click on the icon
    EXPECT_TRUE(delegate->window->isVisible());

    tray->startAtLoginAction()->trigger();
    EXPECT_TRUE(startsAtLogin());
    EXPECT_TRUE(tray->startAtLoginAction()->isChecked());
    tray->startAtLoginAction()->trigger();
    EXPECT_FALSE(startsAtLogin());

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

// Two instances on one private session bus: the second finds the first and has it show itself.
TEST(SingleInstance, ASecondLaunchActivatesTheFirst)
{
    testing::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    SingleInstance owner;
    int activations = 0;
    QObject::connect(&owner, &SingleInstance::activated, [&] { ++activations; });
    EXPECT_EQ(owner.claim(bus.connect(QStringLiteral("first"))), SingleInstance::Claim::Owner);
    SingleInstance later;
    EXPECT_EQ(later.claim(bus.connect(QStringLiteral("second"))),
              SingleInstance::Claim::OtherActivated);
    EXPECT_EQ(activations, 1);
    SingleInstance alone;
    EXPECT_EQ(alone.claim(QDBusConnection(QStringLiteral("no such connection"))),
              SingleInstance::Claim::NoBus);
}

} // namespace
} // namespace kelvara
