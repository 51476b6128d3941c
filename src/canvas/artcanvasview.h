#pragma once

#include "canvas/scaledpicture.h"
#include "engine/enginecanvas.h"
#include "led/keyboarddrawing.h"

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace kelvara {

class AppDelegate;

// The keyboard picture with the live rings on top, in the main window. It also hands the engine
// the picture the key colours are sampled from (sampledPicture), which the engine lays the rings
// over at the keys' pixels every tick. Rings are in canvas points with the origin at the
// bottom-left, y up. A button press starts a wave; Ctrl key combinations are the application's key
// equivalents.
class artCanvasView : public QWidget, public EngineCanvas
{
    Q_OBJECT

public:
    explicit artCanvasView(QWidget* parent = nullptr);

    // The named picture from the resources, or the caution picture when there is none; true
    // when the named one was found.
    bool loadBackgroundImage(const QString& name) override;

    // The whole drawing: the picture at the canvas's size, then the rings through the engine.
    void drawContents(QPainter& painter) override;

    const QImage& sampledPicture(qreal ratio) override { return backgroundAt(ratio); }

    QObject* canvasObject() override { return this; }

    bool isOnScreen() const override { return isVisible() && !window()->isMinimized(); }

    void redraw() override { repaint(); }

    qreal pixelRatio() const override { return devicePixelRatioF(); }

    // The canvas's size in points, where rings, clicks, key places and the sampling are; the view
    // shows it scaled to fit, with its proportions kept.
    QSize pointSize() const override { return m_points; }

    void setPointSize(QSize points) override;

    // The view opens with keys twice the picture's size.
    static constexpr int openingScale = 2;
    QSize sizeHint() const override;

    // Where the picture is in the view, in the view's points, and how much it is enlarged.
    QRectF viewRect() const;
    double viewScale() const;

    void setDrawing(const KeyboardDrawing* drawing) override;

    QSizeF backgroundSize() const override { return backgroundImage.deviceIndependentSize(); }

    QImage backgroundImage;
    QPointer<AppDelegate> callback;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // The picture at the canvas's size in pixels for a device pixel ratio.
    const QImage& backgroundAt(qreal ratio);
    // What a view of another size than the canvas shows: its picture (shown) at the view's place
    // in it, and the rings scaled to fit.
    void drawView(QPainter& painter, const QRectF& view, const QImage& shown);
    // Acts on the Ctrl combinations it knows; every combination counts as handled.
    bool performKeyEquivalent(const QKeyEvent& event);

    QSize m_points = referencePicturePoints;
    ScaledPicture m_sampled; // at the canvas's size, for the sampling
    ScaledPicture m_viewed;  // at the view's size
    QImage m_frame;          // the frame, when it cannot be drawn in the window's own pixels
    std::optional<KeyboardDrawing> m_drawing;
    int m_drawingCount = 0;
    QString m_pictureName;
};

} // namespace kelvara
