#include "led/logiled.h"

#include "led/ledbackend.h"

#include <utility>

namespace kelvara {

namespace {

std::unique_ptr<LedBackend>& installed()
{
    static std::unique_ptr<LedBackend> backend = std::make_unique<NullLedBackend>();
    return backend;
}

} // namespace

void installLedBackend(std::unique_ptr<LedBackend> backend)
{
    installed() = backend ? std::move(backend) : std::make_unique<NullLedBackend>();
}

LedBackend& ledBackend()
{
    return *installed();
}

void endLedPass()
{
    ledBackend().endPass();
}

} // namespace kelvara

bool LogiLedInit()
{
    return kelvara::ledBackend().init();
}

bool LogiLedGetSdkVersion(int* majorNum, int* minorNum, int* buildNum)
{
    return kelvara::ledBackend().sdkVersion(majorNum, minorNum, buildNum);
}

bool LogiLedSetLightingForKeyWithHidCode(int keyCode, int redPercentage, int greenPercentage,
                                         int bluePercentage)
{
    return kelvara::ledBackend().setHidKey(keyCode, redPercentage, greenPercentage, bluePercentage);
}

bool LogiLedSetLightingForKeyWithKeyName(unsigned int keyName, int redPercentage,
                                         int greenPercentage, int bluePercentage)
{
    return kelvara::ledBackend().setNamedKey(keyName, redPercentage, greenPercentage,
                                             bluePercentage);
}

void LogiLedShutdown()
{
    kelvara::ledBackend().shutdown();
}
