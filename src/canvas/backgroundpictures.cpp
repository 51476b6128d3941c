#include "canvas/backgroundpictures.h"

#include "prefs/preferencestore.h"

#include <QDir>

#include <algorithm>

namespace kelvara {

namespace {

const QString suffix = QStringLiteral("@2x.png");
constexpr qreal pictureRatio = 2.0;

std::optional<QImage> loadPicture(const QString& path)
{
    QImage image;
    if (!image.load(path, "PNG") || image.isNull()) {
        return std::nullopt;
    }
    image.setDevicePixelRatio(pictureRatio);
    return image;
}

} // namespace

QStringList backgroundPictureNames()
{
    QStringList names;
    const QStringList files =
        QDir(QStringLiteral(":/backgrounds")).entryList(QDir::Files, QDir::Name);
    for (const QString& file : files) {
        if (file.endsWith(suffix)) {
            names.append(file.chopped(suffix.size()));
        }
    }
    const auto midnight = std::find(names.begin(), names.end(), defaultBackgroundName);
    if (midnight != names.end()) {
        std::rotate(names.begin(), midnight, std::next(midnight));
    }
    return names;
}

std::optional<QImage> backgroundPictureNamed(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) {
        return std::nullopt;
    }
    return loadPicture(QStringLiteral(":/backgrounds/") + name + suffix);
}

QImage cautionPicture()
{
    return loadPicture(QStringLiteral(":/images/caution@2x.png")).value_or(QImage());
}

} // namespace kelvara
