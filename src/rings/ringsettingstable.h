#pragma once

#include <QColor>

#include <array>

namespace kelvara {

// The in-memory configuration of the five rings a wave may contain. Entry i belongs to ring i + 1
// of the settings. One process-wide instance, written only by the preference load; rings copy
// their values when they are built, so changing it never touches live rings.
struct RingSettingsTable
{
    static constexpr int ringCount = 5;

    std::array<bool, ringCount> active{true, true, false, false, true};
    std::array<double, ringCount> life{15, 15, 15, 30, 30};          // frames, after the delay
    std::array<double, ringCount> delay{0, 0, 0, 0, 0};              // frames
    std::array<double, ringCount> sizeStart{10, 10, 20, 10, 3};      // radius, canvas points
    std::array<double, ringCount> sizeEnd{100, 100, 200, 100, 3};    // radius, canvas points
    std::array<double, ringCount> thickness{20, 4, 10, 4, 6};        // canvas points
    std::array<double, ringCount> vizStart{100, 100, 100, 100, 100}; // opacity, percent
    std::array<double, ringCount> vizEnd{0, 0, 50, 0, 0};            // opacity, percent
    std::array<QColor, ringCount> color{QColor::fromRgbF(1, 1, 0), QColor::fromRgbF(1, 0, 0),
                                        QColor::fromRgbF(0, 1, 0), QColor::fromRgbF(0, 0, 1),
                                        QColor::fromRgbF(1, 1, 1)};
};

// The process-wide table, holding the initial contents above until the first preference load.
RingSettingsTable& ringSettings();

} // namespace kelvara
