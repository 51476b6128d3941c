// One engine tick at the frame interval: ring step, on-screen redraw, off-screen render, sampling
// of every row and the LED calls, on the 274 x 100 canvas with a given number of live rings.

#include "app/appdelegate.h"
#include "canvas/artcanvasview.h"
#include "engine/kelvaraactions.h"
#include "platform/keepawake.h"
#include "rings/ringsettingstable.h"

#include <benchmark/benchmark.h>

namespace {

class NoKeepAwake : public kelvara::KeepAwake
{
public:
    std::uint64_t beginActivity(const QString&) override { return 1; }

    void endActivity(std::uint64_t) override {}
};

void BM_Tick(benchmark::State& state)
{
    kelvara::AppDelegate delegate(
        std::make_unique<kelvara::KelvaraActions>(std::make_unique<NoKeepAwake>()));
    kelvara::KelvaraActions& engine = *delegate.theApp;
    kelvara::artCanvasView canvas;
    engine.savedAnimationInterval = 1.0 / 30.0;
    engine.setBackground(&canvas, QStringLiteral("Midnight"));
    canvas.callback = &delegate;
    canvas.show();
    engine.startAnimation(&canvas);

    kelvara::ringSettings().active = {true, false, false, false, false};
    kelvara::ringSettings().life[0] = 1e9;
    for (int i = 0; i < state.range(0); ++i) {
        engine.startWave(10.0 + (i * 37) % 260, 10.0 + (i * 17) % 80);
    }
    for (auto _ : state) {
        engine.animationStep(nullptr);
    }
    kelvara::ringSettings() = kelvara::RingSettingsTable();
}

BENCHMARK(BM_Tick)->Arg(0)->Arg(15)->Arg(150)->Unit(benchmark::kMicrosecond);

} // namespace
