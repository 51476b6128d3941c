// The ring group's own work per frame: one step and one drawing into the sampling image.

#include "rings/animatedcirclegroup.h"
#include "rings/ringsettingstable.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

kelvara::AnimatedCircleGroup groupOf(int rings)
{
    kelvara::ringSettings().active = {true, false, false, false, false};
    kelvara::ringSettings().life[0] = 1e9; // never ends while measured
    kelvara::AnimatedCircleGroup group;
    for (int i = 0; i < rings; ++i) {
        group.addWave(10.0 + (i * 37) % 260, 10.0 + (i * 17) % 80);
    }
    group.advanceFrame();
    return group;
}

void BM_RingAdvance(benchmark::State& state)
{
    kelvara::AnimatedCircleGroup group = groupOf(int(state.range(0)));
    for (auto _ : state) {
        group.advanceFrame();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_RingAdvance)->Arg(5)->Arg(25)->Arg(125);

void BM_RingDraw(benchmark::State& state)
{
    kelvara::AnimatedCircleGroup group = groupOf(int(state.range(0)));
    QImage image(274, 100, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.translate(0, 100);
        painter.scale(1, -1);
        benchmark::DoNotOptimize(group.drawRings(painter));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_RingDraw)->Arg(5)->Arg(25)->Arg(125);

} // namespace
