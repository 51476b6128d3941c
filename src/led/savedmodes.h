#pragma once

#include "led/openrgbprotocol.h"

#include <QString>

#include <compare>
#include <map>
#include <vector>

namespace kelvara {

// What tells one keyboard from another across listings and reconnections: the server's name,
// serial and location for it, and, for keyboards that share all three (two of one model on a
// server that gives neither serial nor location), its place among them in the server's list.
struct DeviceIdentity
{
    QString name;
    QString serial;
    QString location;
    int twin = 0; // how many of the listing's earlier controllers share the three

    std::weak_ordering operator<=>(const DeviceIdentity&) const = default;
};

// Hands out the identities of one listing's controllers, given in the server's order.
class ListingIdentities
{
public:
    DeviceIdentity next(const openrgb::Controller& controller);

private:
    std::map<DeviceIdentity, int> m_seen; // by identity with twin 0
};

// The mode each keyboard had when Kelvara first took it over, kept for the life of the program so
// that each one gets its own back at quit, however often it was taken over in between.
class SavedModes
{
public:
    struct Saved
    {
        qint32 index;
        openrgb::Mode mode;
        std::vector<quint32> colours;
    };

    // Keeps the controller's mode unless one is kept for that keyboard already: by then it shows
    // Kelvara's own.
    void remember(const DeviceIdentity& who, const openrgb::Controller& controller);

    const Saved* find(const DeviceIdentity& who) const;

private:
    std::map<DeviceIdentity, Saved> m_saved;
};

} // namespace kelvara
