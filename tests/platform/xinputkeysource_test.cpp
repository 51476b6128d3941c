#include "engine/kelvaraactions.h"
#include "input/keylistener.h"
#include "platform/eventmonitors.h"
#include "platform/keystatetracker.h"
#include "platform/xinputkeysource.h"
#include "support/fakekeepawake.h"
#include "support/tablesguard.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace kelvara {
namespace {

// The X11 source against a real X server: Xvfb started for the suite, keys injected by key code
// with xdotool, read as raw events on the root window and turned into waves.
class XInputKeySourceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            return;
        }
        server = new QProcess;
        server->start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"),
                       QStringLiteral("1"),
                       QStringLiteral("-nolisten"),
                       QStringLiteral("tcp"),
                       QStringLiteral("-screen"),
                       QStringLiteral("0"),
                       QStringLiteral("320x240x24")});
        if (!server->waitForStarted(5000) || !server->waitForReadyRead(10000)) {
            return;
        }
        display =
            QStringLiteral(":") + QString::fromLatin1(server->readAllStandardOutput().trimmed());
        previousDisplay = qgetenv("DISPLAY");
        qputenv("DISPLAY", display.toLatin1());
    }

    static void TearDownTestSuite()
    {
        if (server) {
            server->terminate();
            server->waitForFinished(5000);
            delete server;
            server = nullptr;
        }
        qputenv("DISPLAY", previousDisplay);
    }

    XInputKeySourceTest()
        : engine(std::make_unique<testing::FakeKeepAwake>(&counts))
        , source(keys, [this](const Event& e) { monitors.dispatchGlobal(e); })
        , listener(monitors)
    {
        testing::onlyFirstRing(1e6, 0);
        engine.savedAnimationInterval = 1.0 / 30.0;
        engine.renderScaleHoriz = 1.0;
        engine.renderScaleVert = 1.0;
        monitors.setActiveCheck([] { return false; });
        monitors.setInputAccessCheck([this] { return source.isWorking(); });
    }

    void SetUp() override
    {
        if (display.isEmpty()) {
            GTEST_SKIP() << "needs Xvfb and xdotool";
        }
        ASSERT_TRUE(source.start());
        ASSERT_TRUE(listener.startListening(&engine));
    }

    static void xdotool(const QStringList& arguments)
    {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
    }

    std::size_t waves() const { return engine.theCircles.theCirclesStore.size(); }

    // Waits for a marker key (Escape; one-digit numbers are key names to xdotool) to come through
    // and takes its wave away again; answers the number of waves before it.
    std::size_t settle()
    {
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        auto& store = engine.theCircles.theCirclesStore;
        const auto marker = [&] {
            return std::find_if(store.begin(), store.end(), [](const auto& ring) {
                return ring.second.center == QPointF(80, 100 - 57);
            });
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return marker() != store.end(); }, 5000));
        if (marker() != store.end()) {
            store.erase(marker());
        }
        return waves();
    }

    bool hasWaveAt(double x, double y) const
    {
        for (const auto& [id, ring] : engine.theCircles.theCirclesStore) {
            if (ring.center == QPointF(x, 100.0 - y)) {
                return true;
            }
        }
        return false;
    }

    static inline QProcess* server = nullptr;
    static inline QString display;
    static inline QByteArray previousDisplay;

    testing::TablesGuard guard;
    testing::FakeKeepAwake::Counts counts;
    KelvaraActions engine;
    EventMonitors monitors;
    KeyStateTracker keys;
    XInputKeySource source;
    KeyListener listener;
};

TEST_F(XInputKeySourceTest, AnInjectedKeyStartsAWaveOnItsKey)
{
    xdotool({QStringLiteral("key"), QStringLiteral("38")}); // A
    ASSERT_TRUE(QTest::qWaitFor([&] { return waves() == 1; }, 5000));
    EXPECT_TRUE(hasWaveAt(149, 185));
}

TEST_F(XInputKeySourceTest, APressOfAKeyAlreadyDownIsDropped)
{
    xdotool({QStringLiteral("keydown"), QStringLiteral("38")});
    xdotool({QStringLiteral("keydown"), QStringLiteral("38")});
    xdotool({QStringLiteral("keyup"), QStringLiteral("38")});
    EXPECT_EQ(settle(), 1u);
}

TEST_F(XInputKeySourceTest, ModifiersAndMediaKeys)
{
    xdotool({QStringLiteral("keydown"), QStringLiteral("50")}); // Left Shift: a wave
    xdotool({QStringLiteral("keyup"), QStringLiteral("50")});   // nothing else held: none
    xdotool({QStringLiteral("key"), QStringLiteral("123")});    // Volume Up
    EXPECT_EQ(settle(), 2u);
    EXPECT_TRUE(hasWaveAt(107, 224));
    EXPECT_TRUE(hasWaveAt(893, 57));
}

} // namespace
} // namespace kelvara
