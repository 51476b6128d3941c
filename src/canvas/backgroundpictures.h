#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

namespace kelvara {

// The keyboard pictures shipped as resources (":/backgrounds/NAME@2x.png", drawn for a device
// pixel ratio of 2) and the caution picture shown for a name that has none.

// Every picture name, "Midnight" first, the others in alphabetical order.
QStringList backgroundPictureNames();

// The picture of that name with its device pixel ratio set, or nothing when there is no such
// resource or it cannot be decoded.
std::optional<QImage> backgroundPictureNamed(const QString& name);

QImage cautionPicture();

} // namespace kelvara
