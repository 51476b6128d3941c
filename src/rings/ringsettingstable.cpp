#include "rings/ringsettingstable.h"

namespace kelvara {

RingSettingsTable& ringSettings()
{
    static RingSettingsTable table;
    return table;
}

} // namespace kelvara
