#pragma once

#include "platform/evdevkeysource.h"
#include "platform/keyserviceprotocol.h"

#include <QLocalServer>
#include <QObject>
#include <QTimer>

#include <list>
#include <sys/types.h>

class QLocalSocket;

namespace kelvara {

class SessionGate;

// The key service: the key records of the input devices, passed on to every client whose user
// the session gate lets have them, and to nobody else. A client is known by the uid the kernel
// gives for its socket; it says hello once and then only reads. Keys that come while a client may
// not have them are dropped, never kept for later. Each client's backlog is bounded: one that
// reads too slowly loses records and is told so. A client that sends anything else is cut off.
class KeyService : public QObject, public KeyRecordSink
{
    Q_OBJECT

public:
    // Bytes that may wait for one client beyond the kernel's small buffer: 64 records.
    static constexpr qint64 backlogLimit = 64 * keyservice::recordSize;
    static constexpr int maxClients = 32;
    static constexpr int maxClientsPerUser = 4;
    static constexpr int helloTimeoutMs = 5000;

    explicit KeyService(SessionGate& gate, QObject* parent = nullptr);
    ~KeyService() override;

    // A socket of its own at the path, open to everyone (the uid decides), or one systemd made.
    bool listen(const QString& path);
    bool listenOn(qintptr descriptor);
    // Signals idle after that long without a client (0: never).
    void setIdleTime(int milliseconds);

    EvdevKeySource& devices() { return m_devices; }

    std::size_t clientCount() const { return m_clients.size(); }

    // The most that waits for any one client, in bytes.
    qint64 largestBacklog() const;

    void keyRecord(int source, int code, int value) override;
    void heldKey(int source, int code) override;
    void forgetSource(int source) override;
    void lockLights(int source, LockKeys on) override;

signals:
    void idle();

private:
    struct Client
    {
        QLocalSocket* socket = nullptr;
        uid_t uid = uid_t(-1);
        bool greeted = false;
        bool delivering = false;
        bool lost = false;
        QByteArray hello;
        std::uint32_t version = 0; // agreed at hello
    };

    void accept();
    void read(Client& client);
    void cutOff(QLocalSocket* socket, const QString& why);
    void remove(QLocalSocket* socket);
    void send(Client& client, const keyservice::Record& record);
    void drained(Client& client);
    void gateChanged();
    // The lock lights, to a client that speaks of them and may have keys.
    void sendLocks(Client& client);
    Client* find(QLocalSocket* socket);

    SessionGate& m_gate;
    MergedLocks m_locks; // before the devices, which tell it of their going to the end
    EvdevKeySource m_devices;
    QLocalServer m_server;
    std::list<Client> m_clients;
    QTimer m_idle;
};

} // namespace kelvara
