#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <span>

namespace kelvara {

class AppDelegate;

// The keyboard picture with the live rings on top, in the main window. It is also the image the
// key colours are sampled from: the engine redraws it every tick and paints it off screen through
// drawContents. Rings are in canvas points with the origin at the bottom-left, y up. A button
// press starts a wave; Ctrl key combinations are the application's key equivalents.
class artCanvasView : public QWidget
{
    Q_OBJECT

public:
    explicit artCanvasView(QWidget* parent = nullptr);

    // The named picture from the resources, or the caution picture when there is none; true
    // when the named one was found.
    bool loadBackgroundImage(const QString& name);

    // The whole drawing: the picture scaled into the view, then the rings through the engine.
    // A caller that reads only some device pixels may name them; the rest are left unfinished.
    void drawContents(QPainter& painter, std::span<const QPoint> onlyPixels = {});

    QImage backgroundImage;
    QPointer<AppDelegate> callback;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // The picture at the view's size in pixels for a device pixel ratio.
    const QImage& backgroundAt(qreal ratio);
    // Acts on the Ctrl combinations it knows; every combination counts as handled.
    bool performKeyEquivalent(const QKeyEvent& event);

    QImage m_scaledSource;
    QImage m_scaled;
};

} // namespace kelvara
