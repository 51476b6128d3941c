#pragma once

#include <cstdint>

namespace kelvara {

// Which lock keys are on, as the system keeps them: one bit per lock, numbered as the kernel
// numbers its keyboard LEDs (LED_NUML, LED_CAPSL, LED_SCROLLL).
using LockKeys = std::uint8_t;

inline constexpr LockKeys numLock = 1u << 0;
inline constexpr LockKeys capsLock = 1u << 1;
inline constexpr LockKeys scrollLock = 1u << 2;
inline constexpr LockKeys allLocks = numLock | capsLock | scrollLock;

// The lock keys' USB HID usages, which the key layout table's rows carry.
inline constexpr int numLockHid = 83;
inline constexpr int capsLockHid = 57;
inline constexpr int scrollLockHid = 71;

} // namespace kelvara
