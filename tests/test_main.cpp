#include "platform/systemlog.h"
#include "support/pertest.h"

#include <QApplication>
#include <QMutex>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QMutex logMutex;
QStringList logLines;

// Each test starts from the tables as they are at start, with a log of its own; the service
// under test may log from a thread of its own.
class PerTest : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo&) override
    {
        kelvara::keyLayoutTable() = kelvara::KeyLayoutTable();
        kelvara::ringSettings() = kelvara::RingSettingsTable();
        QMutexLocker lock(&logMutex);
        logLines.clear();
        kelvara::setSystemLogSink([](const QString& line) {
            QMutexLocker locked(&logMutex);
            logLines.append(line);
        });
    }

    void OnTestEnd(const ::testing::TestInfo&) override { kelvara::setSystemLogSink({}); }
};

} // namespace

QStringList kelvara::testing::logged()
{
    QMutexLocker lock(&logMutex);
    return logLines;
}

int main(int argc, char* argv[])
{
    // The test listing runs at build time too, on machines without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvara"));
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    // Every settings file of the run lives in a folder of its own, never the user's.
    const QTemporaryDir settingsHome;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());
    // And so does everything else written under the configuration folder (autostart entries).
    qputenv("XDG_CONFIG_HOME", settingsHome.path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PerTest);
    return RUN_ALL_TESTS();
}
