#pragma once

#include <QString>

#include <cstdint>

namespace kelvara {

// Keeps the machine from idle sleep while rings are live. The engine holds at most one activity
// at a time, as the token returned here, and hands it back to end it.
class KeepAwake
{
public:
    virtual ~KeepAwake() = default;

    virtual std::uint64_t beginActivity(const QString& reason) = 0;
    virtual void endActivity(std::uint64_t token) = 0;
};

} // namespace kelvara
