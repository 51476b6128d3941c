#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTextStream>

namespace kelvara {

class LedBackend;

// org.kelvara.Kelvara1 on the instance's object of the session bus: the lighting paused and
// resumed from outside (a shortcut, a script, another launch), with Paused as a read-only
// property whose changes are signalled through org.freedesktop.DBus.Properties.
class LightingControlAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kelvara.Kelvara1")
    Q_PROPERTY(bool Paused READ paused)

public:
    static inline const QString interfaceName = QStringLiteral("org.kelvara.Kelvara1");

    // On the object that owns it, for the backend given; the property's changes go out on the
    // bus the object is offered on, once it is told which.
    LightingControlAdaptor(QObject* object, LedBackend& backend);

    void setBus(const QDBusConnection& bus, const QString& objectPath);

    bool paused() const;

public slots:
    void Pause();
    void Resume();
    void Toggle();

private:
    void announce(bool paused);

    LedBackend& m_backend;
    QDBusConnection m_bus{QString()};
    QString m_path;
};

// kelvara --pause, --resume and --toggle: the method of that name called on the running
// instance, without starting one. Answers the exit code: 0 when it answered, 1 when none runs
// or it did not answer, said on errors.
int callRunningInstance(const QDBusConnection& bus, const QString& method, QTextStream& errors);

} // namespace kelvara
