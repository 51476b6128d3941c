#include "platform/urlopener.h"

#include "platform/systemlog.h"

#include <QDesktopServices>

#include <utility>

namespace kelvara {

namespace {

std::function<void(const QUrl&)>& sink()
{
    static std::function<void(const QUrl&)> current;
    return current;
}

} // namespace

void openUrl(const QUrl& url)
{
    if (sink()) {
        sink()(url);
        return;
    }
    if (!QDesktopServices::openUrl(url)) {
        systemLog(QStringLiteral("Cannot open %1.").arg(url.toString()));
    }
}

void setUrlOpenerSink(std::function<void(const QUrl&)> newSink)
{
    sink() = std::move(newSink);
}

} // namespace kelvara
