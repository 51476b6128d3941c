#include "engine/kelvaraactions.h"

#include "input/keylayouttable.h"
#include "platform/systemlog.h"

#include <QPainter>
#include <QTimer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <climits>
#include <cmath>

namespace kelvara {

namespace {

class NothingKeptAwake : public KeepAwake
{
public:
    std::uint64_t beginActivity(const QString&) override { return ++m_last; }

    void endActivity(std::uint64_t) override {}

private:
    std::uint64_t m_last = 0;
};

} // namespace

KelvaraActions::KelvaraActions(std::unique_ptr<KeepAwake> keepAwake, QObject* parent)
    : QObject(parent)
    , m_keepAwake(keepAwake ? std::move(keepAwake) : std::make_unique<NothingKeptAwake>())
{}

KelvaraActions::~KelvaraActions()
{
    endKeepAwake();
}

int KelvaraActions::timerMilliseconds(double interval)
{
    if (!std::isfinite(interval) || interval <= 0) {
        interval = fallbackFrameInterval;
    }
    const double ms = std::round(interval * 1000.0);
    if (ms < 1.0) {
        return 1;
    }
    return ms > double(INT_MAX) ? INT_MAX : static_cast<int>(ms);
}

void KelvaraActions::rearmTimer()
{
    if (animationTimer) {
        animationTimer->stop();
    } else {
        animationTimer = std::make_unique<QTimer>();
        QTimer* timer = animationTimer.get();
        connect(timer, &QTimer::timeout, this, [this, timer] { animationStep(timer); });
    }
    // The 5 s idle beat needs no precision; frames do.
    animationTimer->setTimerType(animationInterval >= 1.0 ? Qt::CoarseTimer : Qt::PreciseTimer);
    animationTimer->start(timerMilliseconds(animationInterval));
    if (const bool running = animationInterval != idleInterval; running != m_framesRunning) {
        m_framesRunning = running;
        emit framesRunningChanged(running);
    }
}

void KelvaraActions::animationStep(QTimer* /*timer*/)
{
    if (m_framesRunning) {
        emit frameDue();
    }
    theCircles.advanceFrame();
    // Nobody sees a hidden or minimised window: only the keyboard gets the frame.
    if (drawCanvas && drawCanvas->isOnScreen()) {
        drawCanvas->redraw();
    }
    updateKeyLights();
    if (!theCircles.isEmpty()) {
        return;
    }
    if (theCircles.rememberAnimationJustEnded) {
        theCircles.rememberAnimationJustEnded = false;
        return;
    }
    animationInterval = idleInterval;
    rearmTimer();
#ifdef __GLIBC__
    // The rings are all gone: what they took from the heap, a flood of typing can make that
    // megabytes, goes back to the system instead of staying with the allocator.
    malloc_trim(0);
#endif
}

void KelvaraActions::startWave(double x, double y)
{
    theCircles.addWave(x, y);
    // Frames already running go on as they are: keys are read at frames, so a wave starts at one,
    // and stopping and starting the clock there would only move its next tick by nothing.
    if (animationInterval == savedAnimationInterval && animationTimer &&
        animationTimer->isActive()) {
        return;
    }
    animationInterval = savedAnimationInterval;
    rearmTimer();
}

void KelvaraActions::startWaveForKey(std::int64_t keyCode)
{
    const std::optional<KeyLayoutRow> row = keyLayoutTable().rowForKeyCode(keyCode);
    if (!row) {
        return;
    }
    if (m_drawn) {
        const QPointF at = m_drawn->ofRow(*row);
        startWave(at.x(), double(renderHeight) - at.y());
        return;
    }
    const double x = double(row->x) * renderScaleHoriz;
    // Flipped against the 100-point height of the standard picture, whatever the picture is.
    const double y = 100.0 - double(row->y) * renderScaleVert;
    startWave(x, y);
}

void KelvaraActions::startAnimation(EngineCanvas* canvas)
{
    rearmTimer();
    drawCanvas = canvas;
    QTimer::singleShot(timerMilliseconds(animationInterval), Qt::PreciseTimer, this,
                       &KelvaraActions::updateKeyLights);
}

void KelvaraActions::drawWaves(QPainter& painter)
{
    const bool live = theCircles.drawRings(painter);
    drawLockLights(painter);
    noteRingsLive(live);
}

void KelvaraActions::noteRingsLive(bool live)
{
    if (live && !noSleep) {
        noSleep = m_keepAwake->beginActivity(QStringLiteral("animating keyboard lights"));
    } else if (!live && noSleep) {
        endKeepAwake();
    }
}

void KelvaraActions::endKeepAwake()
{
    if (noSleep) {
        m_keepAwake->endActivity(*noSleep);
        noSleep.reset();
    }
}

void KelvaraActions::setBackground(EngineCanvas* canvas, const QString& name)
{
    // Decoded once: the canvas keeps the picture, and its size is the render size.
    m_backgroundName = name;
    const bool found = canvas->loadBackgroundImage(name);
    const QSizeF size = m_drawn ? QSizeF(m_drawn->pointSize())
                        : found ? canvas->backgroundSize()
                                : QSizeF(referencePicturePoints);
    renderWidth = static_cast<int>(size.width());
    renderHeight = static_cast<int>(size.height());
    renderScaleHoriz = double(renderWidth) / layoutWidth;
    renderScaleVert = double(renderHeight) / layoutHeight;
    canvas->setPointSize(QSize(renderWidth, renderHeight));
    followScreen(canvas->pixelRatio());
}

void KelvaraActions::showKeyboard(EngineCanvas* canvas, std::optional<ShownKeyboard> keyboard)
{
    if (keyboard == m_shown) {
        return;
    }
    m_shown = std::move(keyboard);
    m_drawn.reset();
    if (m_shown) {
        m_drawn.emplace(*m_shown);
    }
    ++m_drawnGeneration;
    systemLog(m_shown
                  ? QStringLiteral("The window draws \"%1\" (%2, %3, %4 keys, %5 by %6 points).")
                        .arg(m_shown->name, sizeName(m_shown->kind.size),
                             layoutName(m_shown->kind.layout))
                        .arg(m_shown->drawing.keys.size())
                        .arg(m_drawn->pointSize().width())
                        .arg(m_drawn->pointSize().height())
                  : QStringLiteral("The window shows the reference picture."));
    canvas->setDrawing(m_shown ? &m_shown->drawing : nullptr);
    setBackground(canvas, m_backgroundName);
    if (drawCanvas) {
        showChangeNow();
    }
}

void KelvaraActions::followScreen(qreal ratio)
{
    m_scalesRatio = ratio;
    backingRenderScaleHoriz = renderScaleHoriz * ratio;
    backingRenderScaleVert = renderScaleVert * ratio;
}

} // namespace kelvara
