#pragma once

#include "support/fakeopenrgbserver.h"

#include <QString>

#include <vector>

namespace kelvara::testing {

// One keyboard, keypad or laptop of tests/led/data/openrgb-keyboards.json: what OpenRGB's own
// drivers describe to a client, as a protocol peer serves it.
struct ReferenceKeyboard
{
    QString id;
    QString layout; // ANSI, ISO, ISO QWERTZ, JIS, ABNT2, unknown, n/a, ...
    QString size;   // full, tkl, 75%, 65%, 60%, other
    FakeOpenRgbServer::Device device;
};

// Every unit, read without the test framework (for the protocol peer); none when the file cannot
// be read.
std::vector<ReferenceKeyboard> readReferenceKeyboards();
// The same in a test, which fails when the file cannot be read.
std::vector<ReferenceKeyboard> referenceKeyboards();

// The one with that id; fails the test when there is none.
ReferenceKeyboard referenceKeyboard(const QString& id);

// A device as a client reads it from a version 6 server; fails the test when it cannot be read.
openrgb::Controller asServed(const FakeOpenRgbServer::Device& device);

} // namespace kelvara::testing
