#include "canvas/scaledpicture.h"

#include "canvas/keyboardpainter.h"

#include <QPainter>

#include <algorithm>

namespace kelvara {

namespace {

bool isOpaque(const QImage& image)
{
    if (!image.hasAlphaChannel()) {
        return true;
    }
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        if (!std::all_of(line, line + pixels.width(), [](QRgb p) { return qAlpha(p) == 255; })) {
            return false;
        }
    }
    return true;
}

} // namespace

const QImage& ScaledPicture::at(const QImage& picture,
                                const std::optional<KeyboardDrawing>& drawing,
                                const QString& pictureName, int drawingCount, QSizeF points,
                                qreal ratio)
{
    const QSize pixels = (points * ratio).toSize();
    if (m_source.cacheKey() == picture.cacheKey() && m_drawingCount == drawingCount &&
        m_pictureName == pictureName && m_scaled.size() == pixels &&
        m_scaled.devicePixelRatio() == ratio) {
        return m_scaled;
    }
    m_source = picture;
    m_drawingCount = drawingCount;
    m_pictureName = pictureName;
    if (drawing) {
        const KeyboardTheme* named = keyboardTheme(pictureName);
        const KeyboardTheme& theme = named ? *named : keyboardThemes().front();
        m_scaled = QImage(pixels, QImage::Format_RGB32);
        m_scaled.setDevicePixelRatio(ratio);
        if (!m_scaled.isNull()) {
            m_scaled.fill(theme.body.darker(160));
            QPainter painter(&m_scaled);
            paintKeyboard(painter, *drawing, theme, QRectF(QPointF(0, 0), points));
        }
        return m_scaled;
    }
    // An opaque picture is scaled as one without alpha: scaled with it, the last row and column of
    // a size that is not whole came out part transparent, a dark seam on the screen.
    const QImage source =
        isOpaque(picture) ? picture.convertToFormat(QImage::Format_RGB32) : picture;
    m_scaled = source.isNull() || pixels.isEmpty()
                   ? QImage()
                   : source.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Kept in a format every drawing takes as it is. A picture in a format the target does not
    // have is converted on each drawing, and Qt hands conversions of this size to its thread
    // pool: thread hand-offs on every frame. An opaque picture is the same pixels as RGB32.
    if (!m_scaled.isNull()) {
        m_scaled = m_scaled.convertToFormat(
            isOpaque(m_scaled) ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    }
    m_scaled.setDevicePixelRatio(ratio);
    return m_scaled;
}

QColor edgeColour(const QImage& shown)
{
    return shown.isNull() ? QColor(Qt::black) : QColor::fromRgb(shown.pixel(0, 0)).toRgb();
}

} // namespace kelvara
