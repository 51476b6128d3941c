#include "keyservice/sessiongate.h"

#include "platform/systemlog.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace kelvara {

namespace {

const QString logind = QStringLiteral("org.freedesktop.login1");
const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString seat0 = QStringLiteral("/org/freedesktop/login1/seat/seat0");
constexpr int answerMs = 2000;
constexpr int againMs = 5000;

// A call to a logind object's properties, answered on the event loop.
template <typename Handler>
void ask(const QDBusConnection& bus, QObject* context, const QString& path, const QString& method,
         const QStringList& arguments, Handler handler)
{
    QDBusMessage call = QDBusMessage::createMethodCall(logind, path, properties, method);
    for (const QString& argument : arguments) {
        call << argument;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, answerMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, handler](QDBusPendingCallWatcher*) {
                         watcher->deleteLater();
                         const QDBusMessage reply = watcher->reply();
                         handler(reply.type() == QDBusMessage::ReplyMessage ? reply.arguments()
                                                                            : QVariantList());
                     });
}

// The object path of an (so) or (uo) structure, with its first member.
template <typename First> std::optional<std::pair<First, QString>> pathStruct(const QVariant& v)
{
    if (!v.canConvert<QDBusArgument>()) {
        return std::nullopt;
    }
    const QDBusArgument argument = v.value<QDBusArgument>();
    if (argument.currentSignature() !=
        QStringLiteral("(%1o)").arg(std::is_same_v<First, QString> ? 's' : 'u')) {
        return std::nullopt;
    }
    First first{};
    QDBusObjectPath path;
    argument.beginStructure();
    argument >> first >> path;
    argument.endStructure();
    return std::pair(first, path.path());
}

} // namespace

SessionGate::SessionGate(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_watcher(logind, m_bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    // Any change of a logind object (the seat's active session, a session's state or lock) and
    // any session that ends is a reason to ask again.
    m_bus.connect(logind, QString(), properties, QStringLiteral("PropertiesChanged"), this,
                  SLOT(logindSignalled(QDBusMessage)));
    m_bus.connect(logind, QStringLiteral("/org/freedesktop/login1"),
                  QStringLiteral("org.freedesktop.login1.Manager"),
                  QStringLiteral("SessionRemoved"), this, SLOT(logindSignalled(QDBusMessage)));
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                if (owner.isEmpty()) {
                    ++m_question;             // an answer on its way is no longer trusted
                    setAllowed(std::nullopt); // logind gone
                } else {
                    recheck();
                }
            });
    m_again.setInterval(againMs);
    connect(&m_again, &QTimer::timeout, this, &SessionGate::recheck);
    m_again.start();
    recheck();
}

void SessionGate::logindSignalled(const QDBusMessage&)
{
    recheck();
}

void SessionGate::recheck()
{
    const quint64 question = ++m_question;
    if (!m_bus.isConnected()) {
        answer(std::nullopt, question);
        return;
    }
    ask(m_bus, this, seat0, QStringLiteral("Get"),
        {QStringLiteral("org.freedesktop.login1.Seat"), QStringLiteral("ActiveSession")},
        [this, question](const QVariantList& reply) {
            const auto active =
                reply.size() == 1
                    ? pathStruct<QString>(reply.front().value<QDBusVariant>().variant())
                    : std::nullopt;
            if (!active || active->second.isEmpty() || active->second == QStringLiteral("/")) {
                answer(std::nullopt, question);
            } else {
                askSession(active->second, question);
            }
        });
}

void SessionGate::askSession(const QString& path, quint64 question)
{
    ask(m_bus, this, path, QStringLiteral("GetAll"),
        {QStringLiteral("org.freedesktop.login1.Session")},
        [this, question](const QVariantList& reply) {
            const QVariantMap values =
                reply.size() == 1 ? qdbus_cast<QVariantMap>(reply.front()) : QVariantMap();
            const auto flag = [&](const char* name, bool wanted) {
                const QVariant v = values.value(QString::fromLatin1(name));
                return v.typeId() == QMetaType::Bool && v.toBool() == wanted;
            };
            const auto user = pathStruct<uint>(values.value(QStringLiteral("User")));
            const bool open =
                user && flag("Active", true) && flag("LockedHint", false) &&
                flag("Remote", false) &&
                values.value(QStringLiteral("State")).toString() == QStringLiteral("active") &&
                values.value(QStringLiteral("Class")).toString() == QStringLiteral("user");
            answer(open ? std::optional(uid_t(user->first)) : std::nullopt, question);
        });
}

void SessionGate::answer(std::optional<uid_t> uid, quint64 question)
{
    if (question == m_question) {
        setAllowed(uid);
    }
}

void SessionGate::setAllowed(std::optional<uid_t> uid)
{
    if (uid == m_allowed) {
        return;
    }
    m_allowed = uid;
    systemLog(uid ? QStringLiteral("Key presses go to uid %1, the user at the seat.").arg(*uid)
                  : QStringLiteral("Key presses go to nobody: no unlocked local session of a "
                                   "user is active on seat0."));
    emit allowedChanged();
}

} // namespace kelvara
