#pragma once

#include <QString>

#include <functional>

namespace kelvara {

// Writes one line to the system log (ident "Kelvara") and the same line to stderr.
void systemLog(const QString& line);

// Tests route the lines here instead; an empty function restores the system log.
void setSystemLogSink(std::function<void(const QString&)> sink);

} // namespace kelvara
