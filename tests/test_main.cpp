#include <QApplication>

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
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
