#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

namespace kelvara {

// One Kelvara per session. The first instance owns a well-known name on the session bus and
// answers the freedesktop org.freedesktop.Application interface there; a later launch asks it to
// Activate (show its window) and then ends. Without a session bus every launch runs on its own.
// Created by main() right after the application object; lives as long as the run.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    static inline const QString serviceName = QStringLiteral("org.kelvara.Kelvara");
    static inline const QString objectPath = QStringLiteral("/org/kelvara/Kelvara");

    enum class Claim
    {
        Owner,          // this process holds the name: it is the instance
        NoBus,          // no session bus: run as though alone
        OtherActivated, // another instance holds it and was asked to show itself
        OtherSilent     // another holds it but did not answer: run all the same
    };

    explicit SingleInstance(QObject* parent = nullptr);

    // On the session bus, or the given connection.
    Claim claim();
    Claim claim(QDBusConnection bus);

signals:
    // Another launch asked for the window, or the desktop activated the application.
    void activated();
};

// org.freedesktop.Application on the instance's object path.
class ApplicationAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit ApplicationAdaptor(SingleInstance* instance);

public slots:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& actionName, const QVariantList& parameter,
                        const QVariantMap& platformData);

private:
    SingleInstance* m_instance;
};

} // namespace kelvara
