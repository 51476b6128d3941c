#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace kelvara::testing {

// Runs the application's event loop, doing first once it runs, until something quits it (its
// exit code) or the time is up (7).
inline int runEventLoop(int milliseconds, const std::function<void()>& first = {})
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(milliseconds);
    if (first) {
        QTimer::singleShot(0, &guard, first);
    }
    return QApplication::exec();
}

} // namespace kelvara::testing
