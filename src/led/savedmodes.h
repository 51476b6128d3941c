#pragma once

#include "led/openrgbprotocol.h"

#include <QByteArray>
#include <QString>

#include <compare>
#include <map>
#include <vector>

namespace kelvara {

// The mode each keyboard had when Kelvara first took it over, kept for the life of the program so
// that each one gets its own back at quit, however often it was taken over in between. Keyboards
// are told apart by the server's name, serial and location for them, and those that share all
// three (two of one model on a server that gives neither serial nor location) by their place
// among them in the server's list. Owned by the OpenRGB backend.
class SavedModes
{
public:
    // A new listing of the server's controllers begins.
    void startListing();

    // A keyboard of the listing, given in the server's order. Its mode is kept unless one is kept
    // for that keyboard already: by then it shows Kelvara's own.
    void remember(quint32 id, const openrgb::Controller& keyboard);

    // What gives the keyboard with this id of the listing its own mode (and, for a mode of
    // per-LED colours, its own colours) back; empty when nothing is kept for it.
    QByteArray restoring(quint32 id) const;

private:
    struct Identity
    {
        QString name;
        QString serial;
        QString location;
        int twin = 0; // how many of the listing's earlier keyboards share the three

        std::weak_ordering operator<=>(const Identity&) const = default;
    };

    struct Saved
    {
        qint32 index;
        openrgb::Mode mode;
        std::vector<quint32> colours;
    };

    std::map<Identity, Saved> m_saved;
    std::map<Identity, int> m_twins;      // of this listing, by identity with twin 0
    std::map<quint32, Identity> m_listed; // this listing's keyboards, by id
};

} // namespace kelvara
