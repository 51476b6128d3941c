#include "keyservice/keyservice.h"

#include "keyservice/sessiongate.h"
#include "platform/systemlog.h"

#include <QLocalSocket>

#include <algorithm>
#include <sys/socket.h>

namespace kelvara {

using namespace keyservice;

namespace {

constexpr int kernelBuffer = 4096; // bytes; a key record is four

std::optional<uid_t> peerUid(qintptr descriptor)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials) {
        return std::nullopt;
    }
    return credentials.uid;
}

} // namespace

KeyService::KeyService(SessionGate& gate, QObject* parent)
    : QObject(parent)
    , m_gate(gate)
    , m_devices(*this)
{
    m_server.setMaxPendingConnections(maxClients);
    connect(&m_server, &QLocalServer::newConnection, this, &KeyService::accept);
    connect(&m_gate, &SessionGate::allowedChanged, this, &KeyService::gateChanged);
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &KeyService::idle);
}

KeyService::~KeyService()
{
    for (Client& client : m_clients) {
        client.socket->disconnect(this);
        client.socket->abort();
        delete client.socket;
    }
    m_clients.clear(); // the devices, closing, have nobody to tell
}

bool KeyService::listen(const QString& path)
{
    QLocalServer::removeServer(path);
    m_server.setSocketOptions(QLocalServer::WorldAccessOption);
    return m_server.listen(path);
}

bool KeyService::listenOn(qintptr descriptor)
{
    return m_server.listen(descriptor);
}

void KeyService::setIdleTime(int milliseconds)
{
    m_idle.setInterval(milliseconds);
    if (milliseconds > 0 && m_clients.empty()) {
        m_idle.start();
    } else {
        m_idle.stop();
    }
}

qint64 KeyService::largestBacklog() const
{
    qint64 largest = 0;
    for (const Client& client : m_clients) {
        largest = std::max(largest, client.socket->bytesToWrite());
    }
    return largest;
}

void KeyService::accept()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        const auto uid = peerUid(socket->socketDescriptor());
        const auto sameUser = std::count_if(m_clients.begin(), m_clients.end(),
                                            [&](const Client& c) { return uid && c.uid == *uid; });
        if (!uid || m_clients.size() >= std::size_t(maxClients) || sameUser >= maxClientsPerUser) {
            systemLog(
                QStringLiteral("A client%1 was turned away: %2.")
                    .arg(uid ? QStringLiteral(" of uid %1").arg(*uid) : QString())
                    .arg(uid ? QStringLiteral("too many clients") : QStringLiteral("no uid")));
            socket->abort();
            delete socket;
            continue;
        }
        const int size = kernelBuffer;
        setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        m_clients.push_back(Client{socket, *uid, false, false, false, {}});
        m_idle.stop();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (Client* client = find(socket)) {
                read(*client);
            }
        });
        connect(socket, &QLocalSocket::bytesWritten, this, [this, socket] {
            if (Client* client = find(socket)) {
                drained(*client);
            }
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { remove(socket); });
        QTimer::singleShot(helloTimeoutMs, socket, [this, socket] {
            if (Client* client = find(socket); client && !client->greeted) {
                cutOff(socket, QStringLiteral("it said no hello"));
            }
        });
    }
}

void KeyService::read(Client& client)
{
    const QByteArray bytes = client.socket->readAll();
    if (client.greeted) {
        cutOff(client.socket, QStringLiteral("it sent bytes after its hello"));
        return;
    }
    client.hello += bytes;
    if (client.hello.size() < helloSize) {
        if (!encodeHello().startsWith(client.hello.left(4))) {
            cutOff(client.socket, QStringLiteral("it sent something that is no hello"));
        }
        return;
    }
    const auto theirs = helloVersion(client.hello);
    if (!theirs) {
        cutOff(client.socket, QStringLiteral("it sent something that is no hello"));
        return;
    }
    if (*theirs < oldestVersion || *theirs > version) {
        client.socket->write(encodeHello());
        client.socket->disconnectFromServer(); // it learns the version this service speaks
        return;
    }
    // An older client is answered in its own version, byte for byte as it always was.
    client.version = *theirs;
    client.socket->write(encodeHello(client.version));
    client.greeted = true;
    client.delivering = m_gate.allowedUid() == client.uid;
    send(client, Record{Kind::Delivery, std::uint8_t(client.delivering ? 1 : 0), 0});
    sendLocks(client);
}

void KeyService::sendLocks(Client& client)
{
    const auto locks = m_locks.merged();
    if (client.greeted && client.delivering && client.version >= 2 && locks) {
        send(client, Record{Kind::Locks, *locks, 0});
    }
}

void KeyService::lockLights(int source, LockKeys on)
{
    if (m_locks.set(source, on)) {
        for (Client& client : m_clients) {
            sendLocks(client);
        }
    }
}

void KeyService::cutOff(QLocalSocket* socket, const QString& why)
{
    const Client* client = find(socket);
    systemLog(QStringLiteral("The connection of a client of uid %1 was ended: %2.")
                  .arg(client ? client->uid : uid_t(-1))
                  .arg(why));
    socket->abort();
    remove(socket);
}

void KeyService::remove(QLocalSocket* socket)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [socket](const Client& c) { return c.socket == socket; });
    if (it == m_clients.end()) {
        return;
    }
    m_clients.erase(it);
    socket->disconnect(this);
    socket->deleteLater();
    if (m_clients.empty() && m_idle.interval() > 0) {
        m_idle.start();
    }
}

KeyService::Client* KeyService::find(QLocalSocket* socket)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [socket](const Client& c) { return c.socket == socket; });
    return it == m_clients.end() ? nullptr : &*it;
}

void KeyService::send(Client& client, const Record& record)
{
    if (client.lost || client.socket->bytesToWrite() + recordSize > backlogLimit) {
        client.lost = true; // told once the backlog has gone
        return;
    }
    client.socket->write(encodeRecord(record));
}

void KeyService::drained(Client& client)
{
    if (client.lost && client.socket->bytesToWrite() + 2 * recordSize <= backlogLimit) {
        client.lost = false;
        send(client, Record{Kind::Lost, 0, 0});
        // Whether keys flow, and the locks, may have changed among what was dropped.
        send(client, Record{Kind::Delivery, std::uint8_t(client.delivering ? 1 : 0), 0});
        sendLocks(client);
    }
}

void KeyService::keyRecord(int, int code, int value)
{
    const auto allowed = m_gate.allowedUid();
    if (!allowed || code < 0 || code > 0xFFFF || value < 0 || value > 2) {
        return; // nobody may have it, and it is not kept
    }
    for (Client& client : m_clients) {
        if (client.greeted && client.delivering && client.uid == *allowed) {
            send(client, Record{Kind::Key, std::uint8_t(value), std::uint16_t(code)});
        }
    }
}

void KeyService::heldKey(int, int)
{
    // Keys held before a device was opened make no records.
}

void KeyService::forgetSource(int source)
{
    // The lock lights of a device that went away no longer count; one that lost records tells
    // them again. A client forgets the locks with the lost record, so they follow it.
    m_locks.forget(source);
    // A device went away or lost records: what its clients hold may never be released.
    for (Client& client : m_clients) {
        if (client.greeted && client.delivering) {
            send(client, Record{Kind::Lost, 0, 0});
            sendLocks(client);
        }
    }
}

void KeyService::gateChanged()
{
    const auto allowed = m_gate.allowedUid();
    for (Client& client : m_clients) {
        const bool delivering = allowed == client.uid;
        if (client.greeted && delivering != client.delivering) {
            client.delivering = delivering;
            send(client, Record{Kind::Delivery, std::uint8_t(delivering ? 1 : 0), 0});
            sendLocks(client);
        }
    }
}

} // namespace kelvara
