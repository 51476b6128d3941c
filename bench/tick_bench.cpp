// One engine tick at the frame interval: ring step, on-screen redraw, off-screen render, sampling
// of every row and one LED frame encoded as it would go to the lighting service, on the 274 x 100
// canvas with a given number of live rings. Run with QT_SCALE_FACTOR=2 for device pixel ratio 2.

#include "app/appdelegate.h"
#include "canvas/artcanvasview.h"
#include "engine/kelvaraactions.h"
#include "led/keyboardframes.h"
#include "led/ledbackend.h"
#include "led/openrgbprotocol.h"
#include "led/otherwriterwatch.h"
#include "rings/ringsettingstable.h"
#include "support/fakeopenrgbserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Fills a frame per pass and encodes it, as the lighting service client does, for a full-size
// ISO keyboard with media keys and an underglow: table keys by code, the rest by place or rule.
class EncodingBackend : public kelvara::LedBackend
{
public:
    EncodingBackend()
    {
        kelvara::openrgb::Controller keyboard;
        keyboard.type = kelvara::openrgb::keyboardType;
        keyboard.ledNames = kelvara::testing::FakeOpenRgbServer::fullKeyboardLeds();
        for (const char* extra : {"Key: #", "Key: \\ (ISO)", "Key: Media Previous",
                                  "Key: Media Play/Pause", "Key: Media Next", "Key: Media Mute"}) {
            keyboard.ledNames.push_back(QString::fromUtf8(extra));
        }
        for (int i = 1; i <= 20; ++i) {
            keyboard.ledNames.push_back(QStringLiteral("Underglow %1").arg(i));
        }
        keyboard.colours.assign(keyboard.ledNames.size(), 0);
        keyboard.zones.push_back(
            {QStringLiteral("Keyboard"), quint32(keyboard.ledNames.size()), 0, 0, {}});
        m_frames.add(0, keyboard, kelvara::placeLeds(keyboard));
        m_frames.setDrawnKeys(0, m_frames.keyboards().front().placement.drawing.keys);
    }

    bool init() override { return true; }

    bool sdkVersion(int*, int*, int*) override { return true; }

    bool setHidKey(int hid, int r, int g, int b) override
    {
        return m_frames.lightCode(hid, r, g, b);
    }

    bool setNamedKey(unsigned int key, int r, int g, int b) override
    {
        return m_frames.lightCode(key, r, g, b);
    }

    std::span<const QPointF> extraPlaces() const override { return m_frames.places(); }

    void setPlaceColour(std::size_t place, int r, int g, int b) override
    {
        m_frames.lightPlace(place, r, g, b);
    }

    void setDrawnKeyColour(std::size_t key, int r, int g, int b) override
    {
        m_frames.lightKey(key, r, g, b);
    }

    // The keyboard as the window draws it.
    kelvara::ShownKeyboard drawn() const
    {
        const auto& keyboard = m_frames.keyboards().front();
        return kelvara::shownKeyboard(keyboard.data.name, keyboard.placement.kind,
                                      keyboard.placement.drawing, keyboard.data.ledNames);
    }

    void endPass() override
    {
        m_frames.finishPass();
        m_frames.encode(m_encoded);
        benchmark::DoNotOptimize(m_encoded);
        // Every frame sent is noted, to tell another program's colours from Kelvara's own.
        const auto now = kelvara::OtherWriterWatch::Clock::now();
        for (const auto& keyboard : m_frames.keyboards()) {
            m_writers.sent(keyboard.id, keyboard.frame, now);
        }
    }

    void shutdown() override {}

private:
    kelvara::KeyboardFrames m_frames;
    QByteArray m_encoded;
    kelvara::OtherWriterWatch m_writers{serviceStatus()};
};

// The delegate with its window on screen and the clock started, or null when the window never
// came on screen.
std::unique_ptr<kelvara::AppDelegate> delegateOnScreen(benchmark::State& state, bool drawn = false,
                                                       double scale = 1.0)
{
    auto backend = std::make_unique<EncodingBackend>();
    const kelvara::ShownKeyboard keyboard = backend->drawn();
    kelvara::installLedBackend(std::move(backend));
    auto delegate =
        std::make_unique<kelvara::AppDelegate>(std::make_unique<kelvara::KelvaraActions>());
    kelvara::KelvaraActions& engine = *delegate->theApp;
    kelvara::artCanvasView& canvas = *delegate->artCanvas;
    engine.savedAnimationInterval = 1.0 / 30.0;
    engine.setBackground(&canvas, QStringLiteral("Midnight"));
    if (drawn) {
        engine.showKeyboard(&canvas, keyboard);
    }
    canvas.callback = delegate.get();
    delegate->window->show();
    // The redraw is measured only once the window is on screen: before that, repaint() draws
    // nothing.
    QElapsedTimer waited;
    waited.start();
    while (!(canvas.window()->windowHandle() && canvas.window()->windowHandle()->isExposed()) &&
           waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (!canvas.window()->windowHandle() || !canvas.window()->windowHandle()->isExposed()) {
        state.SkipWithError("the window never came on screen");
        return nullptr;
    }
    // The picture shown at that scale: 1 is the canvas's own size, 2 the size the window opens at.
    const QSize wanted = (QSizeF(canvas.pointSize()) * scale).toSize();
    canvas.window()->resize(canvas.window()->size() + (wanted - canvas.size()));
    waited.restart();
    while (canvas.size() != wanted && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    engine.startAnimation(&canvas);
    return delegate;
}

// N waves of long-lived rings, with the three lock lights lit or not, with the window on screen
// or hidden (only the keyboard gets the frame), over the reference picture or the keyboard drawn.
void tickWithWaves(benchmark::State& state, bool locksLit, bool hidden = false, bool drawn = false,
                   double scale = 1.0)
{
    const std::unique_ptr<kelvara::AppDelegate> delegate = delegateOnScreen(state, drawn, scale);
    if (!delegate) {
        return;
    }
    if (hidden) {
        delegate->window->hide();
    }
    kelvara::KelvaraActions& engine = *delegate->theApp;
    engine.setLockKeys(locksLit ? kelvara::allLocks : kelvara::LockKeys(0));
    kelvara::artCanvasView& canvas = *delegate->artCanvas;
    kelvara::ringSettings().active = {true, false, false, false, false};
    kelvara::ringSettings().life[0] = 1e9;
    for (int i = 0; i < state.range(0); ++i) {
        engine.startWave(10.0 + (i * 37) % 260, 10.0 + (i * 17) % 80);
    }
    for (auto _ : state) {
        engine.animationStep(nullptr);
    }
    state.counters["ratio"] = canvas.devicePixelRatioF();
    state.counters["width"] = canvas.width();
    state.counters["height"] = canvas.height();
    state.counters["scale"] = canvas.viewScale();
    kelvara::ringSettings() = kelvara::RingSettingsTable();
    kelvara::installLedBackend(nullptr);
}

void BM_Tick(benchmark::State& state)
{
    tickWithWaves(state, false);
}

BENCHMARK(BM_Tick)->Arg(0)->Arg(15)->Arg(150)->Unit(benchmark::kMicrosecond);

// The same with Caps Lock, Num Lock and Scroll Lock on.
void BM_TickLocksLit(benchmark::State& state)
{
    tickWithWaves(state, true);
}

BENCHMARK(BM_TickLocksLit)->Arg(15)->Unit(benchmark::kMicrosecond);

// The same over the keyboard drawn from its LED names: a full-size ISO board.
void BM_TickDrawn(benchmark::State& state)
{
    tickWithWaves(state, false, false, true);
}

BENCHMARK(BM_TickDrawn)->Arg(15)->Unit(benchmark::kMicrosecond);

// The same with the window at the size it opens at, keys twice the picture's size.
void BM_TickLarge(benchmark::State& state)
{
    tickWithWaves(state, false, false, true, 2.0);
}

BENCHMARK(BM_TickLarge)->Arg(15)->Unit(benchmark::kMicrosecond);

// And at twice that size.
void BM_TickLarger(benchmark::State& state)
{
    tickWithWaves(state, false, false, true, 4.0);
}

BENCHMARK(BM_TickLarger)->Arg(15)->Unit(benchmark::kMicrosecond);

// The same with the window hidden: the cost of a frame that only the keyboard gets.
void BM_TickHidden(benchmark::State& state)
{
    tickWithWaves(state, false, true);
}

BENCHMARK(BM_TickHidden)->Arg(15)->Unit(benchmark::kMicrosecond);

// A tick while typing at N presses a second with the rings as they come out of the box: waves
// start across the keyboard and their rings grow to their full size, as in daily use.
void BM_TickWhileTyping(benchmark::State& state)
{
    const std::unique_ptr<kelvara::AppDelegate> delegate = delegateOnScreen(state);
    if (!delegate) {
        return;
    }
    kelvara::KelvaraActions& engine = *delegate->theApp;
    engine.loadPrefs(delegate.get()); // the first-run settings, in a settings folder of its own
    engine.savedAnimationInterval = 1.0 / 30.0;
    const int framesPerPress = std::max(1, int(30 / state.range(0)));
    int frame = 0;
    int press = 0;
    const auto tick = [&] {
        if (frame++ % framesPerPress == 0) {
            ++press;
            engine.startWave(10.0 + (press * 37) % 260, 10.0 + (press * 17) % 80);
        }
        engine.animationStep(nullptr);
    };
    for (int i = 0; i < 60; ++i) {
        tick(); // until as many rings live as come and go
    }
    for (auto _ : state) {
        tick();
    }
    state.counters["rings"] = double(engine.theCircles.theCirclesStore.size());
    kelvara::ringSettings() = kelvara::RingSettingsTable();
    kelvara::installLedBackend(nullptr);
}

BENCHMARK(BM_TickWhileTyping)->Arg(10)->Unit(benchmark::kMicrosecond);

} // namespace
