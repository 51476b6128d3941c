#include "platform/lightingcontrol.h"
#include "platform/singleinstance.h"
#include "support/pertest.h"
#include "support/privatebus.h"
#include "support/recordingledbackend.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using testing::logged;

// The signals a connection receives.
class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QDBusMessage> received;

public slots:

    void record(const QDBusMessage& message) { received.append(message); }
};

// The running instance on a bus of the test's own, and a caller on another connection to it.
class LightingControl : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isRunning());
        new LightingControlAdaptor(&instance, backend);
        ASSERT_EQ(instance.claim(bus.connect(QStringLiteral("instance"))),
                  SingleInstance::Claim::Owner);
        ASSERT_TRUE(caller.connect(QString(), SingleInstance::objectPath,
                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"), &changes,
                                   SLOT(record(QDBusMessage))));
    }

    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            SingleInstance::serviceName, SingleInstance::objectPath, interface, method);
        message.setArguments(args);
        // The instance answers on this thread: the call must let events go on.
        return caller.call(message, QDBus::BlockWithGui, 5000);
    }

    QDBusMessage control(const QString& method, const QVariantList& args = {})
    {
        return call(LightingControlAdaptor::interfaceName, method, args);
    }

    QDBusMessage property(const QString& method, const QVariantList& more = {})
    {
        return call(QStringLiteral("org.freedesktop.DBus.Properties"), method,
                    QVariantList{LightingControlAdaptor::interfaceName, QStringLiteral("Paused")} +
                        more);
    }

    bool pausedOnTheBus()
    {
        const QDBusMessage got = property(QStringLiteral("Get"));
        EXPECT_EQ(got.type(), QDBusMessage::ReplyMessage) << got.errorMessage().toStdString();
        return got.arguments().value(0).value<QDBusVariant>().variant().toBool();
    }

    testing::PrivateBus bus;
    RecordingLedBackend backend;
    SingleInstance instance;
    QDBusConnection caller = bus.connect(QStringLiteral("caller"));
    SignalRecorder changes;
};

TEST_F(LightingControl, MethodsPauseAndResumeAndThePropertyFollowsWithASignalForEachChange)
{
    struct Step
    {
        const char* method;
        bool paused;
        bool changed;
    };

    const Step steps[] = {{"Pause", true, true},   {"Pause", true, false},
                          {"Toggle", false, true}, {"Toggle", true, true},
                          {"Resume", false, true}, {"Resume", false, false}};
    qsizetype expected = 0;
    for (const Step& step : steps) {
        const QDBusMessage answer = control(QString::fromLatin1(step.method));
        ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
        EXPECT_EQ(backend.isPaused(), step.paused) << step.method;
        EXPECT_EQ(pausedOnTheBus(), step.paused) << step.method;
        expected += step.changed ? 1 : 0;
        ASSERT_TRUE(QTest::qWaitFor([&] { return changes.received.size() >= expected; }, 5000));
        const QVariantList args = changes.received.last().arguments();
        EXPECT_EQ(args.value(0).toString(), LightingControlAdaptor::interfaceName);
        EXPECT_EQ(qdbus_cast<QVariantMap>(args.value(1)).value(QStringLiteral("Paused")),
                  QVariant(step.paused));
    }
    EXPECT_EQ(changes.received.size(), expected);
    EXPECT_EQ(logged().filter(QStringLiteral("Lighting paused")).size(), 2);
}

TEST_F(LightingControl, CallsWithWrongArgumentsGetAnErrorAndChangeNothing)
{
    for (const QDBusMessage& answer :
         {control(QStringLiteral("Pause"), {42}), control(QStringLiteral("Toggle"), {true}),
          property(QStringLiteral("Set"), {QVariant::fromValue(QDBusVariant(true))}),
          control(QStringLiteral("Sleep"))}) {
        EXPECT_EQ(answer.type(), QDBusMessage::ErrorMessage);
        EXPECT_FALSE(backend.isPaused());
    }
    EXPECT_TRUE(changes.received.isEmpty());
}

TEST_F(LightingControl, TheCommandLineCallsTheRunningInstanceOrSaysNoneRuns)
{
    QString said;
    QTextStream errors(&said);
    EXPECT_EQ(callRunningInstance(caller, QStringLiteral("Pause"), errors), 0);
    EXPECT_TRUE(backend.isPaused());
    EXPECT_TRUE(said.isEmpty());

    testing::PrivateBus empty;
    EXPECT_EQ(callRunningInstance(empty.connect(QStringLiteral("caller")), QStringLiteral("Resume"),
                                  errors),
              1);
    EXPECT_EQ(said, QStringLiteral("Kelvara is not running.\n"));
    EXPECT_EQ(callRunningInstance(QDBusConnection(QStringLiteral("none")), QStringLiteral("Resume"),
                                  errors),
              1);
    EXPECT_TRUE(backend.isPaused());
}

} // namespace
} // namespace kelvara

#include "lightingcontrol_test.moc"
