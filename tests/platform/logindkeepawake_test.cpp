#include "platform/logindkeepawake.h"
#include "support/pertest.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

TEST(LogindKeepAwake, WithoutASystemBusTokensStillWorkAndOneLineSaysSo)
{
    if (QDBusConnection::systemBus().isConnected()) {
        GTEST_SKIP() << "this machine has a system bus";
    }
    LogindKeepAwake keepAwake;
    const auto first = keepAwake.beginActivity(QStringLiteral("animating keyboard lights"));
    keepAwake.endActivity(first);
    const auto second = keepAwake.beginActivity(QStringLiteral("animating keyboard lights"));
    EXPECT_NE(first, second);
    keepAwake.endActivity(second);
    keepAwake.endActivity(second);
    EXPECT_EQ(testing::logged().size(), 1);
    EXPECT_EQ(keepAwake.heldInhibitors(), 0u);
}

} // namespace
} // namespace kelvara
