// Key press to LED frame with the real timers: from a key event reaching the listener's global
// monitor to the UPDATELEDS packet read by an OpenRGB protocol peer on 127.0.0.1. The floor is one
// frame interval, since a wave start re-arms the clock.

#include "app/appdelegate.h"
#include "canvas/artcanvasview.h"
#include "led/openrgbbackend.h"
#include "led/openrgbprotocol.h"
#include "platform/systemlog.h"
#include "support/fakeopenrgbserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

void BM_KeyToLedFrame(benchmark::State& state)
{
    using kelvara::testing::FakeOpenRgbServer;
    kelvara::setSystemLogSink([](const QString&) {});
    FakeOpenRgbServer::Device keyboard;
    keyboard.leds = FakeOpenRgbServer::fullKeyboardLeds();
    FakeOpenRgbServer server(6, {keyboard});
    auto backend =
        std::make_unique<kelvara::OpenRgbBackend>(QStringLiteral("127.0.0.1"), server.port());
    if (!backend->init()) {
        state.SkipWithError("no protocol peer");
        return;
    }
    kelvara::installLedBackend(std::move(backend));
    kelvara::AppDelegate delegate(std::make_unique<kelvara::KelvaraActions>());
    kelvara::KelvaraActions& engine = *delegate.theApp;
    delegate.eventMonitors.setActiveCheck([] { return false; });
    delegate.theListener.startListening(&engine);
    engine.loadPrefs(&delegate);
    engine.setBackground(delegate.artCanvas, QStringLiteral("Midnight"));
    delegate.artCanvas->callback = &delegate;
    engine.startAnimation(delegate.artCanvas);

    std::vector<double> latencies; // milliseconds
    for (auto _ : state) {
        // Each press on its own, as typing at a few keys a second is: no rings left from before.
        engine.theCircles.theCirclesStore.clear();
        const std::size_t before = server.received(kelvara::openrgb::updateLeds).size();
        const auto pressed = std::chrono::steady_clock::now();
        delegate.eventMonitors.dispatchGlobal(
            kelvara::Event{kelvara::Event::Type::KeyDown, 0, 0, false, 0});
        QElapsedTimer waited;
        waited.start();
        std::vector<FakeOpenRgbServer::Received> frames;
        while ((frames = server.received(kelvara::openrgb::updateLeds)).size() == before &&
               waited.elapsed() < 1000) {
            QCoreApplication::processEvents();
            QThread::usleep(50);
        }
        const auto latency =
            frames.size() > before ? frames[before].at - pressed : std::chrono::seconds(1);
        state.SetIterationTime(std::chrono::duration<double>(latency).count());
        latencies.push_back(std::chrono::duration<double, std::milli>(latency).count());
        server.clearReceived();
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["frame_interval_ms"] = 1000.0 * engine.savedAnimationInterval;
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p95_ms"] = latencies[std::size_t(double(latencies.size() - 1) * 0.95)];
    kelvara::installLedBackend(nullptr);
    kelvara::setSystemLogSink({});
}

BENCHMARK(BM_KeyToLedFrame)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

} // namespace
