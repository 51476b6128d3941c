#include "platform/loginstart.h"

#include "platform/systemlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kelvara {

QString loginStartEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/kelvara.desktop");
}

bool startsAtLogin()
{
    return QFileInfo::exists(loginStartEntryPath());
}

bool setStartAtLogin(bool start)
{
    const QString path = loginStartEntryPath();
    if (!start) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            systemLog(QStringLiteral("Cannot remove %1.").arg(path));
            return false;
        }
        return true;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile entry(path);
    if (entry.open(QIODevice::WriteOnly)) {
        entry.write("[Desktop Entry]\n"
                    "Type=Application\n"
                    "Name=Kelvara\n"
                    "Comment=Ripples of light around every key you press\n"
                    "Exec=kelvara --hidden\n"
                    "Icon=kelvara\n"
                    "Terminal=false\n"
                    "X-GNOME-Autostart-enabled=true\n");
        if (entry.commit()) {
            return true;
        }
    }
    systemLog(QStringLiteral("Cannot write %1: %2").arg(path, entry.errorString()));
    return false;
}

} // namespace kelvara
