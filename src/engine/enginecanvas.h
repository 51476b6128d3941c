#pragma once

#include "led/keyboarddrawing.h"

#include <QImage>
#include <QObject>
#include <QPainter>
#include <QPointer>
#include <QSize>
#include <QSizeF>
#include <QString>

namespace kelvara {

// The reference picture's size in points: the canvas's size before anything else is known, and
// the size the key layout table's units span.
inline constexpr QSize referencePicturePoints(274, 100);

// What the engine draws on and samples: the keyboard picture of the main window, which the user
// interface implements. Sizes are in canvas points; the pixel ratio turns them into device pixels.
class EngineCanvas
{
public:
    virtual ~EngineCanvas() = default;

    // The object whose destruction ends the canvas, so that the engine lets go of it in time.
    virtual QObject* canvasObject() = 0;
    // Shown, and not in a minimised window: whether a redraw would be seen by anybody.
    virtual bool isOnScreen() const = 0;
    // Draws the canvas on screen now.
    virtual void redraw() = 0;
    virtual qreal pixelRatio() const = 0;
    virtual QSize pointSize() const = 0;
    virtual void setPointSize(QSize size) = 0;
    // The named picture, or the caution picture when there is none; true when the named one was
    // found.
    virtual bool loadBackgroundImage(const QString& name) = 0;
    // Draws that keyboard, in the colours of the picture last loaded, in place of the picture;
    // none for the picture again. The canvas keeps its own copy.
    virtual void setDrawing(const KeyboardDrawing* drawing) = 0;
    // The loaded picture's size in points.
    virtual QSizeF backgroundSize() const = 0;
    // The whole drawing: the picture, then the rings through the engine.
    virtual void drawContents(QPainter& painter) = 0;
    // What drawContents lays down before the rings, at the canvas's size in pixels for that
    // ratio: the picture, or the keyboard drawn. Its cache key changes when it does.
    virtual const QImage& sampledPicture(qreal ratio) = 0;
};

// The engine's hold on its canvas: empty again as soon as the canvas goes.
class CanvasRef
{
public:
    CanvasRef& operator=(EngineCanvas* canvas)
    {
        m_canvas = canvas;
        m_alive = canvas ? canvas->canvasObject() : nullptr;
        return *this;
    }

    EngineCanvas* get() const { return m_alive ? m_canvas : nullptr; }

    EngineCanvas* operator->() const { return get(); }

    explicit operator bool() const { return get() != nullptr; }

private:
    EngineCanvas* m_canvas = nullptr;
    QPointer<QObject> m_alive;
};

} // namespace kelvara
