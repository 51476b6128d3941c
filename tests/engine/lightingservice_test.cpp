#include "app/lightingservicealert.h"
#include "engine/lightingservice.h"
#include "prefs/preferencestore.h"
#include "support/pertest.h"
#include "support/recordingledbackend.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace kelvara {
namespace {

// The three launch outcomes, against a real listening socket (or none) on 127.0.0.1.
class ConnectToService : public ::testing::Test
{
protected:
    ConnectToService()
    {
        auto backend = std::make_unique<RecordingLedBackend>();
        leds = backend.get();
        installLedBackend(std::move(backend));
        service.listen(QHostAddress::LocalHost);
        pointAt(service.serverPort());
    }

    ~ConnectToService() override
    {
        installLedBackend(nullptr);
        openPreferenceStore()->remove(QStringLiteral("lightingServicePort"));
    }

    static void pointAt(quint16 port)
    {
        openPreferenceStore()->setValue(QStringLiteral("lightingServicePort"), port);
    }

    QTcpServer service;
    RecordingLedBackend* leds = nullptr;
};

struct Launch
{
    const char* name;
    bool running;
    bool connects;
    const char* status;
    QStringList log;
    int initCalls;
    int versionCalls;
};

class LaunchCheck : public ConnectToService, public ::testing::WithParamInterface<Launch>
{};

// No service: no LED call at all. A refused connection: no wait and no version read. A success
// logs the version, and its text is the only one not beginning with "L".
TEST_P(LaunchCheck, LogsAndAnswersWhatItFound)
{
    const Launch& c = GetParam();
    if (!c.running) {
        const quint16 port = service.serverPort();
        service.close();
        pointAt(port);
    }
    leds->initResult = c.connects;
    leds->versionMajor = 1;
    leds->versionMinor = 2;
    leds->versionBuild = 3;
    EXPECT_EQ(connectToLGS(), QString::fromUtf8(c.status));
    EXPECT_EQ(testing::logged(), c.log);
    EXPECT_EQ(leds->initCalls, c.initCalls);
    EXPECT_EQ(leds->versionCalls, c.versionCalls);
}

const char* const found0 = "Found 0 instances of LGS running.";
const char* const found1 = "Found 1 instances of LGS running.";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, LaunchCheck,
    ::testing::Values(
        Launch{"NotRunning", false, true, "LGS is not running. It is required.", {found0}, 0, 0},
        Launch{"Refused", true, false, "LGS is running but will not connect.", {found1}, 1, 0},
        Launch{"Connected",
               true,
               true,
               "Connected to LGS.",
               {found1, "Connected to LGS SDK version 1.2.3."},
               1,
               1}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(LightingServiceAlert, TellsWhatToDoWithOneOkButtonOnTheWindow)
{
    QWidget window;
    window.show();
    showLGSAlert(&window);
    auto* alert = window.findChild<QMessageBox*>();
    ASSERT_TRUE(alert);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    EXPECT_EQ(alert->text(), QStringLiteral("Logitech Gaming Software must be installed and "
                                            "running before Kelvara can make waves."));
    const QStringList paragraphs = alert->informativeText().split(QStringLiteral("\n\n"));
    ASSERT_EQ(paragraphs.size(), 3);
    EXPECT_TRUE(paragraphs[0].startsWith(QStringLiteral("\U0001F506 After installing LGS")));
    EXPECT_TRUE(paragraphs[1].contains(QStringLiteral("\"Allow games to control illumination\"")));
    EXPECT_TRUE(paragraphs[2].endsWith(QStringLiteral("compatible Mac drivers.")));
    // Behind "Show Details...": what it takes on Linux.
    for (const char* needed : {"openrgb --server", "lightingServicePort=", "Kelvara.conf"}) {
        EXPECT_TRUE(alert->detailedText().contains(QString::fromUtf8(needed))) << needed;
    }
    // OK, and the details button that Qt adds for the detailed text.
    const QList<QAbstractButton*> buttons = alert->buttons();
    ASSERT_EQ(buttons.size(), 2);
    QAbstractButton* answer = *std::ranges::find(buttons, QMessageBox::AcceptRole,
                                                 [&](auto* b) { return alert->buttonRole(b); });
    EXPECT_EQ(answer->text(), QStringLiteral("OK"));
    const QPointer<QMessageBox> shown(alert);
    answer->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.isNull(); })) << "each Help leaves an alert";
}

TEST(LightingServiceEndpoint, SettingsOverrideTheDefaultAndBadPortsAreIgnored)
{
    const std::unique_ptr<QSettings> store = openPreferenceStore();
    EXPECT_EQ(lightingServiceEndpoint().host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(lightingServiceEndpoint().port, 6742);
    store->setValue(QStringLiteral("lightingServiceHost"), QStringLiteral("::1"));
    store->setValue(QStringLiteral("lightingServicePort"), 70000);
    store->sync();
    EXPECT_EQ(lightingServiceEndpoint().host, QStringLiteral("::1"));
    EXPECT_EQ(lightingServiceEndpoint().port, 6742);
    store->remove(QStringLiteral("lightingServiceHost"));
    store->remove(QStringLiteral("lightingServicePort"));
}

} // namespace
} // namespace kelvara
