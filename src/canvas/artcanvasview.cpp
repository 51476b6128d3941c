#include "canvas/artcanvasview.h"

#include "app/appdelegate.h"
#include "canvas/backgroundpictures.h"
#include "canvas/keyboardpainter.h"
#include "engine/kelvaraactions.h"
#include "platform/keytranslation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kelvara {

namespace {

// Virtual key codes of the keys the key equivalents use.
constexpr std::int64_t keyH = 4;
constexpr std::int64_t keyQ = 12;
constexpr std::int64_t keyComma = 43;
constexpr std::int64_t keyM = 46;

// Ctrl plays the part of Command, Alt that of Option.
bool commandHeld(const QKeyEvent& event)
{
    return event.modifiers().testFlag(Qt::ControlModifier);
}

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

void minimiseAllWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible()) {
            window->showMinimized();
        }
    }
}

} // namespace

artCanvasView::artCanvasView(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool artCanvasView::loadBackgroundImage(const QString& name)
{
    m_pictureName = name;
    std::optional<QImage> picture = backgroundPictureNamed(name);
    const bool found = picture.has_value();
    backgroundImage = found ? std::move(*picture) : cautionPicture();
    return found;
}

void artCanvasView::setDrawing(const KeyboardDrawing* drawing)
{
    m_drawing.reset();
    if (drawing) {
        m_drawing = *drawing;
    }
    m_drawingChanged = true;
}

void artCanvasView::paintDrawing(QImage& image) const
{
    const KeyboardTheme* named = keyboardTheme(m_pictureName);
    const KeyboardTheme& theme = named ? *named : keyboardThemes().front();
    image.fill(theme.body.darker(160));
    QPainter painter(&image);
    paintKeyboard(painter, *m_drawing, theme, QRectF(QPointF(0, 0), QSizeF(size())));
}

const QImage& artCanvasView::backgroundAt(qreal ratio)
{
    // Scaled once for each size it is drawn at, not on every frame.
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_drawing) {
        // Drawn as shapes at the view's own pixels, sharp at any pixel ratio.
        if (m_drawingChanged || m_scaledSource.cacheKey() != backgroundImage.cacheKey() ||
            m_scaled.size() != pixels || m_scaled.devicePixelRatio() != ratio) {
            m_drawingChanged = false;
            m_scaledSource = backgroundImage;
            m_scaled = QImage(pixels, QImage::Format_RGB32);
            m_scaled.setDevicePixelRatio(ratio);
            if (!m_scaled.isNull()) {
                paintDrawing(m_scaled);
            }
        }
        return m_scaled;
    }
    if (m_drawingChanged || m_scaledSource.cacheKey() != backgroundImage.cacheKey() ||
        m_scaled.size() != pixels || m_scaled.devicePixelRatio() != ratio) {
        m_drawingChanged = false;
        m_scaledSource = backgroundImage;
        m_scaled = backgroundImage.isNull() ? QImage()
                                            : backgroundImage.scaled(pixels, Qt::IgnoreAspectRatio,
                                                                     Qt::SmoothTransformation);
        // Kept in a format every drawing takes as it is. A picture in a format the target does not
        // have is converted on each drawing, and Qt hands conversions of this size to its thread
        // pool: thread hand-offs on every frame. An opaque picture is the same pixels as RGB32.
        if (!m_scaled.isNull()) {
            m_scaled = m_scaled.convertToFormat(
                isOpaque(m_scaled) ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        }
        m_scaled.setDevicePixelRatio(ratio);
    }
    return m_scaled;
}

void artCanvasView::drawContents(QPainter& painter, std::span<const QPoint> onlyPixels)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage& background = backgroundAt(ratio);
    QImage* target = painter.device() && painter.device()->devType() == QInternal::Image
                         ? static_cast<QImage*>(painter.device())
                         : nullptr;
    if (!onlyPixels.empty() && target && target->format() == QImage::Format_ARGB32_Premultiplied &&
        (background.isNull() || background.size() == target->size()) &&
        painter.worldTransform().isIdentity()) {
        // Only the named pixels of the picture, as the whole copy below would leave them: the
        // picture's own pixels (RGB32 is opaque premultiplied ARGB), or clear where there is none.
        const bool opaque = background.format() == QImage::Format_RGB32;
        for (const QPoint& at : onlyPixels) {
            if (!target->valid(at)) {
                continue;
            }
            QRgb pixel = 0;
            if (!background.isNull()) {
                pixel = reinterpret_cast<const QRgb*>(background.constScanLine(at.y()))[at.x()];
                pixel = opaque ? (pixel | 0xFF000000u) : pixel;
            }
            reinterpret_cast<QRgb*>(target->scanLine(at.y()))[at.x()] = pixel;
        }
    } else {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        if (!onlyPixels.empty()) {
            // Whatever a sampling image held before is gone where the picture does not reach.
            painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size())), Qt::transparent);
        }
        painter.drawImage(QPointF(0, 0), background);
        painter.restore();
    }

    if (callback && callback->theApp) {
        // Canvas points: origin bottom-left, y up. The rings leave the rest of the painter as
        // they found it, so only the transform is put back (a whole save costs more than them).
        const QTransform before = painter.worldTransform();
        painter.translate(0, height());
        painter.scale(1, -1);
        callback->theApp->drawWaves(painter, onlyPixels);
        painter.setWorldTransform(before);
    }
}

void artCanvasView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    drawContents(painter);
}

void artCanvasView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !callback || !callback->theApp) {
        return;
    }
    const QPointF at = event->position();
    callback->theApp->startWave(at.x(), double(height()) - at.y());
}

bool artCanvasView::event(QEvent* event)
{
    // Ctrl combinations come to the canvas as key presses, ahead of any menu shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (commandHeld(*key)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void artCanvasView::keyPressEvent(QKeyEvent* event)
{
    if (commandHeld(*event)) {
        performKeyEquivalent(*event);
    }
    event->accept();
}

void artCanvasView::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

bool artCanvasView::performKeyEquivalent(const QKeyEvent& event)
{
    const std::optional<KeyTranslation> key = translateQtKeyEvent(event);
    if (!key) {
        return true;
    }
    const bool option = event.modifiers().testFlag(Qt::AltModifier);
    if (key->keyCode == keyH && option) {
        // Hiding the other applications has no meaning on this desktop.
    } else if (key->keyCode == keyH || key->keyCode == keyM) {
        minimiseAllWindows();
    } else if (key->keyCode == keyQ) {
        QCoreApplication::quit();
    } else if (key->keyCode == keyComma && callback) {
        callback->PrefsMenuItem(nullptr);
    }
    return true;
}

} // namespace kelvara
