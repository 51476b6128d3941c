#include "canvas/artcanvasview.h"

#include "app/appdelegate.h"
#include "canvas/backgroundpictures.h"
#include "engine/kelvaraactions.h"
#include "platform/keytranslation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <optional>

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

void minimiseAllWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible()) {
            window->showMinimized();
        }
    }
}

// The view's pixels within the image a painter on the view draws into (the window's, during a
// paint event), to draw the frame on in place: when that image holds the frame's pixels as they
// are and the view lies on whole pixels of it at the painter's own scale. Nothing when either
// fails: then the frame is drawn apart and copied.
std::optional<QImage> viewPixelsIn(QPainter& painter, QSize pixels, qreal ratio,
                                   QImage::Format format)
{
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || pixels.isEmpty()) {
        return std::nullopt;
    }
    auto* image = static_cast<QImage*>(device);
    const QTransform toDevice = painter.deviceTransform();
    const QPointF corner = toDevice.map(QPointF(0, 0));
    const QRect target(corner.toPoint(), pixels);
    // Opaque pixels are the same in both formats; the window's pixels are usually premultiplied.
    const bool sameFormat =
        image->format() == format ||
        (format == QImage::Format_RGB32 && image->format() == QImage::Format_ARGB32_Premultiplied);
    if (!sameFormat || image->devicePixelRatio() != ratio ||
        toDevice.type() > QTransform::TxScale || toDevice.m11() != ratio ||
        toDevice.m22() != ratio || QPointF(target.topLeft()) != corner ||
        !image->rect().contains(target)) {
        return std::nullopt;
    }
    const qsizetype stride = image->bytesPerLine();
    uchar* const first = image->bits() + target.y() * stride + target.x() * qsizetype(sizeof(QRgb));
    QImage view(first, target.width(), target.height(), stride, image->format());
    view.setDevicePixelRatio(ratio);
    return view;
}

} // namespace

artCanvasView::artCanvasView(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(m_points);
}

QSize artCanvasView::sizeHint() const
{
    return m_points * openingScale;
}

void artCanvasView::setPointSize(QSize points)
{
    if (points == m_points || points.isEmpty()) {
        return;
    }
    // The window keeps the scale the picture is shown at: a board of other proportions changes
    // the window's shape, not the size of its keys.
    const double scale = viewScale();
    const QSize before = size();
    m_points = points;
    setMinimumSize(points);
    updateGeometry();
    // A window not shown yet takes its size from the size hint, or from its saved frame.
    QWidget* frame = window();
    if (frame != this && frame->isVisible() &&
        !(frame->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        const QSize wanted = (QSizeF(points) * std::max(scale, 1.0)).toSize();
        frame->resize(frame->size() + (wanted - before));
    }
}

double artCanvasView::viewScale() const
{
    return std::max(
        0.0, std::min(double(width()) / m_points.width(), double(height()) / m_points.height()));
}

QRectF artCanvasView::viewRect() const
{
    const QSizeF shown = QSizeF(m_points) * viewScale();
    // On whole pixels, so that the picture is copied, not resampled.
    const qreal ratio = devicePixelRatioF();
    const QPointF corner(std::floor((width() - shown.width()) / 2 * ratio) / ratio,
                         std::floor((height() - shown.height()) / 2 * ratio) / ratio);
    return {corner, shown};
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
    ++m_drawingCount;
}

const QImage& artCanvasView::backgroundAt(qreal ratio)
{
    return m_sampled.at(backgroundImage, m_drawing, m_pictureName, m_drawingCount, QSizeF(m_points),
                        ratio);
}

void artCanvasView::drawContents(QPainter& painter)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage& background = backgroundAt(ratio);
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0, 0), background);
    painter.restore();

    if (callback && callback->theApp) {
        // Canvas points: origin bottom-left, y up. The rings leave the rest of the painter as
        // they found it, so only the transform is put back (a whole save costs more than them).
        const QTransform before = painter.worldTransform();
        painter.translate(0, m_points.height());
        painter.scale(1, -1);
        callback->theApp->drawWaves(painter);
        painter.setWorldTransform(before);
    }
}

void artCanvasView::drawView(QPainter& painter, const QRectF& view, const QImage& shown)
{
    // The picture at the view's pixels, the edges around it in its own colour, and the rings in
    // canvas points scaled to the view.
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QColor edge = edgeColour(shown);
    // Around what the picture covers, which is whole pixels: where the view's size in pixels is
    // not whole, the pixel it ends in part-way is the edge's, not left as it was.
    const QRectF covered(view.topLeft(), shown.deviceIndependentSize());
    const QRectF all(rect());
    for (const QRectF& part :
         {QRectF(all.left(), all.top(), all.width(), covered.top() - all.top()),
          QRectF(all.left(), covered.bottom(), all.width(), all.bottom() - covered.bottom()),
          QRectF(all.left(), covered.top(), covered.left() - all.left(), covered.height()),
          QRectF(covered.right(), covered.top(), all.right() - covered.right(),
                 covered.height())}) {
        if (part.width() > 0 && part.height() > 0) {
            painter.fillRect(part, edge);
        }
    }
    painter.drawImage(view.topLeft(), shown);
    painter.restore();
    if (callback && callback->theApp) {
        const QTransform before = painter.worldTransform();
        const double scale = view.width() / m_points.width();
        painter.translate(view.left(), view.bottom());
        painter.scale(scale, -scale);
        callback->theApp->drawWaves(painter);
        painter.setWorldTransform(before);
    }
}

void artCanvasView::paintEvent(QPaintEvent* event)
{
    // Drawn where the rings can go onto it in place: no layer of the view's size made, cleared and
    // blended over on every frame. In the picture's own format, which the screen usually has too:
    // nothing is converted. Shown at its own size, the view is exactly the drawing the keys are
    // read from, and shares its picture.
    const qreal ratio = devicePixelRatioF();
    const QRectF view = viewRect();
    const bool ownSize = view == QRectF(QPointF(0, 0), QSizeF(m_points));
    const QImage& shown = ownSize ? backgroundAt(ratio)
                                  : m_viewed.at(backgroundImage, m_drawing, m_pictureName,
                                                m_drawingCount, view.size(), ratio);
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    const QImage::Format format = shown.format() == QImage::Format_RGB32
                                      ? QImage::Format_RGB32
                                      : QImage::Format_ARGB32_Premultiplied;
    const auto drawFrame = [&](QImage& target) {
        QPainter frame(&target);
        if (ownSize) {
            drawContents(frame);
        } else {
            drawView(frame, view, shown);
        }
    };
    QPainter painter(this);
    // Usually the window's own pixels take the frame: one copy of the picture a frame, not two.
    // Only when the whole view is painted and nothing lies over it: its pixels are then all its
    // own.
    const QRegion whole(rect());
    const bool allOwn =
        whole.subtracted(event->region()).isEmpty() && whole.subtracted(visibleRegion()).isEmpty();
    std::optional<QImage> inPlace;
    if (allOwn) {
        inPlace = viewPixelsIn(painter, pixels, ratio, format);
    }
    if (inPlace) {
        painter.end();
        drawFrame(*inPlace);
        return;
    }
    if (m_frame.size() != pixels || m_frame.devicePixelRatio() != ratio ||
        m_frame.format() != format) {
        m_frame = QImage(pixels, format);
        m_frame.setDevicePixelRatio(ratio);
    }
    if (m_frame.isNull()) {
        return;
    }
    drawFrame(m_frame);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0, 0), m_frame);
}

void artCanvasView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !callback || !callback->theApp) {
        return;
    }
    // Back from the view to canvas points: the wave starts where the click was made on the picture.
    const QRectF view = viewRect();
    if (!view.contains(event->position()) || view.isEmpty()) {
        return;
    }
    const QPointF at = (event->position() - view.topLeft()) * (m_points.width() / view.width());
    callback->theApp->startWave(at.x(), double(m_points.height()) - at.y());
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
