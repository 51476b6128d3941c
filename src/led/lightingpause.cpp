#include "led/lightingpause.h"

#include "platform/systemlog.h"

namespace kelvara {

bool LightingPause::set(bool paused)
{
    if (paused == m_paused) {
        return false;
    }
    m_paused = paused;
    systemLog(paused ? QStringLiteral("Lighting paused: the keyboards are handed back until it "
                                      "is resumed.")
                     : QStringLiteral("Lighting resumed: the keyboards are taken over again."));
    emit changed(paused);
    return true;
}

} // namespace kelvara
