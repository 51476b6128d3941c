#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

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
    return RUN_ALL_TESTS();
}
