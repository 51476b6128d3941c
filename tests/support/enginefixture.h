#pragma once

#include "app/appdelegate.h"
#include "canvas/artcanvasview.h"
#include "support/fakekeepawake.h"
#include "support/pertest.h"
#include "support/recordingledbackend.h"

#include <gtest/gtest.h>

namespace kelvara::testing {

// A delegate with an engine whose keep-awake is counted, a canvas wired to it with the given
// picture, and a recording LED backend installed for the test's duration.
class EngineFixture : public ::testing::Test
{
protected:
    EngineFixture()
        : delegate(std::make_unique<KelvaraActions>(std::make_unique<FakeKeepAwake>(&activity)))
        , engine(*delegate.theApp)
    {
        auto backend = std::make_unique<RecordingLedBackend>();
        leds = backend.get();
        installLedBackend(std::move(backend));
        engine.savedAnimationInterval = 1.0 / 30.0;
        engine.animationInterval = 1.0 / 30.0;
        engine.setBackground(&canvas, QStringLiteral("Midnight"));
        canvas.callback = &delegate;
        engine.drawCanvas = &canvas;
    }

    ~EngineFixture() override { installLedBackend(nullptr); }

    FakeKeepAwake::Counts activity;
    AppDelegate delegate;
    KelvaraActions& engine;
    artCanvasView canvas;
    RecordingLedBackend* leds = nullptr;
};

} // namespace kelvara::testing
