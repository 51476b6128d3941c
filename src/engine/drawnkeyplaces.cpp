#include "engine/drawnkeyplaces.h"

#include "engine/enginecanvas.h"
#include "input/keylayouttable.h"
#include "led/standardkeyplaces.h"

#include <cmath>

namespace kelvara {

double DrawnKeyPlaces::pointsPerKey()
{
    return keyPitch * referencePicturePoints.width() / layoutWidth;
}

DrawnKeyPlaces::DrawnKeyPlaces(const ShownKeyboard& keyboard)
{
    const QRectF bounds = boardBounds(keyboard.drawing);
    m_size = QSize(std::max(1, int(std::lround(bounds.width() * pointsPerKey()))),
                   std::max(1, int(std::lround(bounds.height() * pointsPerKey()))));
    m_toCanvas =
        drawingTransform(bounds, QRectF(QPointF(0, 0), QSizeF(m_size))).value_or(QTransform());
    m_keyPoints.reserve(keyboard.drawing.keys.size());
    for (std::size_t i = 0; i < keyboard.drawing.keys.size(); ++i) {
        const DrawnKey& key = keyboard.drawing.keys[i];
        m_keyPoints.push_back(m_toCanvas.map(keyPoint(key)));
        m_keyBoxes.push_back(m_toCanvas.mapRect(key.outline.boundingRect()));
        // The first key of a code is its place, as the table's first row is.
        if (i < keyboard.keyCodes.size() && keyboard.keyCodes[i] >= 0 &&
            !m_keyOfCode.contains(keyboard.keyCodes[i])) {
            m_keyOfCode.insert(keyboard.keyCodes[i], i);
        }
    }
}

QPointF DrawnKeyPlaces::ofRow(const KeyLayoutRow& row) const
{
    if (const auto key = m_keyOfCode.constFind(row.hidCode); key != m_keyOfCode.constEnd()) {
        return m_keyPoints[*key];
    }
    return ofLayoutPoint(QPointF(double(row.x), double(row.y)));
}

QPointF DrawnKeyPlaces::ofLayoutPoint(QPointF layoutUnits) const
{
    return {layoutUnits.x() / layoutWidth * m_size.width(),
            layoutUnits.y() / layoutHeight * m_size.height()};
}

std::optional<QRectF> DrawnKeyPlaces::keyBox(std::int64_t code, double share) const
{
    const auto key = m_keyOfCode.constFind(code);
    if (key == m_keyOfCode.constEnd()) {
        return std::nullopt;
    }
    const QRectF box = m_keyBoxes[*key];
    const QSizeF size = box.size() * share;
    return QRectF(box.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

} // namespace kelvara
