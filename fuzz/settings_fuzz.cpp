// Any bytes as the settings file: read as the program reads it at launch.

#include "prefs/preferencestore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "settings_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kelvara.conf"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QSettings store(path, QSettings::IniFormat);
    if (store.status() == QSettings::NoError) {
        kelvara::readStoredPrefs(store);
    }
    return 0;
}
