#pragma once

#include "engine/keepawake.h"

#include <set>
#include <string>
#include <vector>

namespace kelvara::testing {

// Counts the activities the engine begins and ends; shared with the test through a pointer.
class FakeKeepAwake : public KeepAwake
{
public:
    struct Counts
    {
        int begun = 0;
        int ended = 0;
        std::set<std::uint64_t> held;
        // When set, "end activity" is written here as it happens, for tests of step order.
        std::vector<std::string>* steps = nullptr;
    };

    explicit FakeKeepAwake(Counts* counts)
        : m_counts(counts)
    {}

    std::uint64_t beginActivity(const QString&) override
    {
        ++m_counts->begun;
        m_counts->held.insert(++m_last);
        return m_last;
    }

    void endActivity(std::uint64_t token) override
    {
        ++m_counts->ended;
        m_counts->held.erase(token);
        if (m_counts->steps) {
            m_counts->steps->push_back("end activity");
        }
    }

private:
    Counts* m_counts;
    std::uint64_t m_last = 0;
};

} // namespace kelvara::testing
