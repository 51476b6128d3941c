#pragma once

#include <QUrl>

#include <functional>

namespace kelvara {

// Opens a URL with the desktop's handler; tests route it here instead.
void openUrl(const QUrl& url);
void setUrlOpenerSink(std::function<void(const QUrl&)> sink);

} // namespace kelvara
