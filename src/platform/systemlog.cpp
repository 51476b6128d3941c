#include "platform/systemlog.h"

#include <QByteArray>

#include <cstdio>
#include <syslog.h>
#include <utility>

namespace kelvara {

namespace {

std::function<void(const QString&)>& sink()
{
    static std::function<void(const QString&)> current;
    return current;
}

} // namespace

void systemLog(const QString& line)
{
    if (sink()) {
        sink()(line);
        return;
    }
    static const bool opened = [] {
        openlog("Kelvara", LOG_PID, LOG_USER);
        return true;
    }();
    (void)opened;
    const QByteArray utf8 = line.toUtf8();
    syslog(LOG_NOTICE, "%s", utf8.constData());
    std::fprintf(stderr, "Kelvara: %s\n", utf8.constData());
}

void setSystemLogSink(std::function<void(const QString&)> newSink)
{
    sink() = std::move(newSink);
}

} // namespace kelvara
