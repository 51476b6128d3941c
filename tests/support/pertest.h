#pragma once

#include "input/keylayouttable.h"
#include "rings/ringsettingstable.h"

#include <QByteArray>
#include <QStringList>

namespace kelvara::testing {

// What the program logged since the current test began. Every test starts with an empty log and
// with the process-wide key layout and ring settings tables as they are at start (test_main.cpp).
QStringList logged();

// An environment variable set, or with no value unset, until the object goes; then put back as it
// was, also when the test ends early.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
        , m_was(qgetenv(name))
        , m_wasSet(qEnvironmentVariableIsSet(name))
    {
        value ? qputenv(name, value) : qunsetenv(name);
    }

    ScopedEnv(const ScopedEnv&) = delete;

    ~ScopedEnv() { m_wasSet ? qputenv(m_name, m_was) : qunsetenv(m_name); }

private:
    const char* m_name;
    QByteArray m_was;
    bool m_wasSet;
};

// Makes ring 0 the only active ring, with the given timeline, radii and opacities.
inline void onlyFirstRing(double life, double delay, double sizeStart = 10, double sizeEnd = 100,
                          double vizStart = 100, double vizEnd = 0)
{
    RingSettingsTable& t = ringSettings();
    t.active = {true, false, false, false, false};
    t.life[0] = life;
    t.delay[0] = delay;
    t.sizeStart[0] = sizeStart;
    t.sizeEnd[0] = sizeEnd;
    t.vizStart[0] = vizStart;
    t.vizEnd[0] = vizEnd;
}

} // namespace kelvara::testing
