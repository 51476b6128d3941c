#pragma once

#include <QObject>
#include <QString>

namespace kelvara {

// Whether the keyboards are handed back for a while: paused, every keyboard shows the mode it
// had before Kelvara took it and gets no frames, until lighting is resumed or Kelvara quits. It is
// never stored: a pause ends with the run. Owned by the LED backend, which changes it; the tray,
// the status line and the session bus follow it. Main thread only.
class LightingPause : public QObject
{
    Q_OBJECT

public:
    // What the status line's tooltip and the tray say while paused.
    static inline const QString pausedText =
        QStringLiteral("Paused: the keyboards show their own lighting until it is resumed.");

    bool isPaused() const { return m_paused; }

signals:
    void changed(bool paused);

private:
    friend class LedBackend;

    // Logs and signals a change; false when it is no change.
    bool set(bool paused);

    bool m_paused = false;
};

} // namespace kelvara
