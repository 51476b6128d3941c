#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace kelvara {

// Turns SIGINT, SIGTERM and SIGHUP into a normal quit of the application, handled on the main loop
// (the signal handler only writes one byte to a socket pair), so that the termination steps run
// however the program is ended. One per process, owned by main().
class QuitOnSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace kelvara
