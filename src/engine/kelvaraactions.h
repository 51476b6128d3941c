#pragma once

#include "engine/drawnkeyplaces.h"
#include "engine/enginecanvas.h"
#include "engine/keepawake.h"
#include "engine/prefscontrols.h"
#include "input/keylayoutrow.h"
#include "input/lockkeys.h"
#include "rings/animatedcirclegroup.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

class QPainter;
class QTimer;

namespace kelvara {

// The lighting engine: owns the animation clock and the ring group, starts waves at canvas points
// or at keys, redraws and samples the canvas on every tick and sends the key colours to the LEDs.
// One per process, created and owned by the application delegate; main thread only. It reaches
// the canvas and the settings window only through EngineCanvas and PrefsControls.
class KelvaraActions : public QObject
{
    Q_OBJECT

public:
    static constexpr double idleInterval = 5.0; // seconds
    // Used by the clock whenever the frame interval is not a finite positive number.
    static constexpr double fallbackFrameInterval = 1.0 / 30.0; // seconds

    // Without a keep-awake the engine keeps nothing awake.
    explicit KelvaraActions(std::unique_ptr<KeepAwake> keepAwake = nullptr,
                            QObject* parent = nullptr);
    ~KelvaraActions() override;

    // Reads the settings file into the clock, the settings window, the ring settings table and the
    // key layout table (modifier flip).
    void loadPrefs(PrefsControls* delegate);
    // Writes the settings window's values to the settings file, then loads them back.
    void savePrefs(PrefsControls* delegate);
    // A virtual key code or a media pseudo code; codes no row carries change nothing.
    void startWaveForKey(std::int64_t keyCode);
    // A point in canvas points (origin bottom-left, y up).
    void startWave(double x, double y);
    void startAnimation(EngineCanvas* canvas);
    // The ring-drawing hook, run inside every drawing of the canvas.
    void drawWaves(QPainter& painter);
    // Renders the canvas off screen and sends the colour under every key to its LED.
    void updateKeyLights();

    // The tick; the timer argument is not used.
    void animationStep(QTimer* timer);
    // Loads the named picture into the canvas and derives the render scales from its size. With
    // a keyboard shown, the picture's name is the theme the keyboard is drawn in, and the canvas
    // takes the drawing's size.
    void setBackground(EngineCanvas* canvas, const QString& name);
    // Draws that keyboard instead of the picture, or the picture again for none: waves start at
    // its keys and each of its LEDs takes the colour under its own key.
    void showKeyboard(EngineCanvas* canvas, std::optional<ShownKeyboard> keyboard);

    const std::optional<DrawnKeyPlaces>& drawnPlaces() const { return m_drawn; }

    // The render scales for a canvas on a screen of that pixel ratio: the image pixels per layout
    // unit follow the screen the canvas is on, not the primary one.
    void followScreen(qreal ratio);
    // Restarts the clock at animationInterval: the next tick comes one full interval from now.
    void rearmTimer();
    // Ends the keep-awake activity if one is held.
    void endKeepAwake();

    // The lock keys that are on, none when nothing tells; a change is drawn and sent at once.
    void setLockKeys(std::optional<LockKeys> on);
    // Whether lit lock keys show, and in which colour: over the picture and the rings, on that
    // key only, so that the keyboard gets what the window shows.
    void setLockLightsShown(bool shown, const QColor& colour);

    std::optional<LockKeys> lockKeys() const { return m_locksOn; }

    // The clock's period in whole milliseconds for an interval in seconds.
    static int timerMilliseconds(double interval);

    // Whether the clock runs at the frame interval rather than its idle beat.
    bool framesRunning() const { return m_framesRunning; }

    std::unique_ptr<QTimer> animationTimer;
    std::optional<std::uint64_t> noSleep;
    double animationInterval = 1.0 / 15.0; // seconds
    double savedAnimationInterval = 0;     // seconds, 1 / frame rate
    bool flippingModifiers = false;
    bool hasBeenFlippedOnce = false;
    AnimatedCircleGroup theCircles;
    CanvasRef drawCanvas;
    int renderWidth = 0;                // canvas points
    int renderHeight = 0;               // canvas points
    double renderScaleHoriz = 0;        // canvas points per layout unit
    double renderScaleVert = 0;         // canvas points per layout unit
    double backingRenderScaleHoriz = 0; // image pixels per layout unit
    double backingRenderScaleVert = 0;  // image pixels per layout unit

signals:
    // The clock went from its idle beat to the frame interval (true) or back (false).
    void framesRunningChanged(bool running);
    // A tick of the running clock is about to move the rings on: what was gathered since the
    // last one, key presses read at frames for instance, is due now.
    void frameDue();

private:
    void drawLockLights(QPainter& painter) const;
    // The lock lights over the sample pixels, as a whole drawing of the canvas shows them there.
    void blendLockLights();
    // Holds the system awake while rings are live, and lets it sleep once they are gone.
    void noteRingsLive(bool live);
    // Draws and sends a change of what the window shows at once, rather than at the next tick.
    void showChangeNow();

    std::unique_ptr<KeepAwake> m_keepAwake;
    std::optional<ShownKeyboard> m_shown;
    std::optional<DrawnKeyPlaces> m_drawn;
    int m_drawnGeneration = 0; // counts the keyboards shown, for the samples to follow
    QString m_backgroundName;
    std::optional<LockKeys> m_locksOn;
    bool m_lockLightsShown = true;
    QColor m_lockLightsColour = Qt::white;
    bool m_framesRunning = false;
    // The settings file, when last loaded, held what a save must not write over: it could not be
    // parsed, or it was not Kelvara's and no copy of it could be kept.
    bool m_storeUnreadable = false;

    // What the sample pixels below were worked out from: they hold until one of these changes.
    struct SamplingBasis
    {
        QSize pixels;
        qreal ratio = 0;
        double scaleHoriz = 0;
        double scaleVert = 0;
        std::vector<QPointF> places;
        int drawnGeneration = 0;
        std::uint64_t rowsGeneration = 0; // the key layout table's, when rows were read
    };

    bool samplesStillHold(const SamplingBasis& basis, std::span<const QPointF> places) const;
    void placeSamples(SamplingBasis basis, const std::vector<KeyLayoutRow>& rows,
                      std::span<const QPointF> places);

    // Kept from pass to pass. A pass works on the sample pixels alone, in a few small arrays
    // read in order, rather than on an image of the whole canvas: at 30 frames a second a
    // hidden window's pass finds little of it in the cache, and scattered reads are its cost.
    SamplingBasis m_sampledFor;
    std::optional<qint64> m_samplePicture; // the picture m_sampleBackground was read from
    std::vector<QRgb> m_sampleBackground;  // the picture at each sample pixel
    std::vector<QRgb> m_sampleColours;     // and with the rings and lock lights over it
    std::vector<QRgb> m_lockLightsOver;    // the lock lights alone at each sample pixel
    std::optional<std::pair<LockKeys, QRgb>> m_lockLightsFor; // the locks and colour drawn
    qreal m_canvasRatio = 1;
    qreal m_scalesRatio = 1; // the pixel ratio the backing render scales are for
    QElapsedTimer m_ratioAge;
    static constexpr qint64 ratioRefresh = 500; // ms
    // The key layout table rows read, each with its sample pixel's index in m_samplePixels.
    std::vector<std::pair<std::size_t, std::uint32_t>> m_samples;
    std::vector<QPoint> m_samplePixels; // each once, in rows
    // The sample pixel of each of the LED layer's extra places, in its order.
    std::vector<std::uint32_t> m_placeSamples;
    // The sample pixel of each key of the keyboard drawn, in the drawing's order.
    std::vector<std::uint32_t> m_keySamples;
};

} // namespace kelvara
