#include "app/appdelegate.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvara"));
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setApplicationVersion(QStringLiteral(KELVARA_VERSION));

    kelvara::AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
