#include "app/lightingservicealert.h"

#include "engine/lightingservice.h"

#include <QMessageBox>

namespace kelvara {

void showLGSAlert(QWidget* window)
{
    auto* alert = new QMessageBox(window);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Information);
    alert->setWindowModality(Qt::WindowModal);
    alert->setText(QStringLiteral(
        "Logitech Gaming Software must be installed and running before Kelvara can make waves."));
    alert->setInformativeText(QStringLiteral(
        "\U0001F506 After installing LGS, look to see that it can identify your "
        "keyboard and control the lights using the built-in LGS lighting effects.\n\n"
        "\u2705 Also be sure the LGS option \"Allow games to control illumination\" "
        "is turned on.\n\n"
        "\U0001F6AB Kelvara is not compatible with G-Hub. Logitech has not yet "
        "released compatible Mac drivers."));
    alert->setDetailedText(linuxServiceHelp(lightingServiceEndpoint()));
    alert->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    alert->open();
}

} // namespace kelvara
