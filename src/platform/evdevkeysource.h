#pragma once

#include "input/lockkeys.h"
#include "platform/arrivalwatch.h"
#include "platform/event.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <vector>

class QSocketNotifier;

namespace kelvara {

class KeyStateTracker;

// Where the records of the key devices go: the key state tracker in Kelvara, the clients in the
// key service.
class KeyRecordSink
{
public:
    virtual ~KeyRecordSink() = default;

    // A key transition as the kernel reports it: press 1, repeat 2, release 0.
    virtual void keyRecord(int source, int code, int value) = 0;
    // A key already down when its device was opened, or read again after records were lost.
    virtual void heldKey(int source, int code) = 0;
    // The device went away, or records were lost: nothing it held counts as held any more.
    virtual void forgetSource(int source) = 0;

    // The lock lights of a device that has them, when it is opened and when they change.
    virtual void lockLights(int source, LockKeys on)
    {
        static_cast<void>(source);
        static_cast<void>(on);
    }
};

// The lock lights of several devices as one: a lock is on when any device that has its light
// shows it. The desktop sets every keyboard's lights alike, so they agree but for a moment.
class MergedLocks
{
public:
    // Answers whether the merged state changed.
    bool set(int source, LockKeys on);
    bool forget(int source);

    // None until a device with lock lights is known.
    std::optional<LockKeys> merged() const;

private:
    std::map<int, LockKeys> m_bySource;
};

// The records as key events, through a key state tracker.
class TrackedKeys : public KeyRecordSink
{
public:
    using Sink = std::function<void(const Event&)>;

    TrackedKeys(KeyStateTracker& keys, Sink sink);

    void keyRecord(int source, int code, int value) override;
    void heldKey(int source, int code) override;
    void forgetSource(int source) override;
    void lockLights(int source, LockKeys on) override;

    // The lock lights of the sources, merged, with a call for every change.
    std::optional<LockKeys> locks() const { return m_locks.merged(); }

    void onLocksChanged(std::function<void()> changed) { m_locksChanged = std::move(changed); }

private:
    KeyStateTracker& m_keys;
    Sink m_sink;
    MergedLocks m_locks;
    std::function<void()> m_locksChanged;
};

// Reads key records straight from the kernel's input devices (/dev/input/event*): every readable
// device that reports keys, keyboards and media-key devices alike, opened read-only and
// non-blocking, never grabbed, and read on the main thread. Devices that appear later are opened;
// devices that go away are closed. Owned by the global key input, and by the key service.
class EvdevKeySource : public QObject
{
    Q_OBJECT

public:
    explicit EvdevKeySource(KeyRecordSink& records, QObject* parent = nullptr);
    ~EvdevKeySource() override;

    // Opens every key device of the folder and watches it for new ones.
    void start(const QString& directory = QStringLiteral("/dev/input"));
    // Reads records from an open descriptor as from a device (takes ownership of fd); a device
    // with lock lights says which are on.
    int addDescriptor(int fd, const QString& name, std::optional<LockKeys> locks = std::nullopt);

    std::size_t deviceCount() const { return m_devices.size(); }

    bool isWorking() const { return !m_devices.empty(); }

    // Off, each device wakes the event loop when it has records. On, the devices are left to
    // readPending, and devices opened meanwhile start the same way.
    void setReadAtFrames(bool atFrames);
    // Reads every device that has records waiting, with one poll for all of them.
    void readPending();

private:
    struct Device
    {
        int fd;
        QString path;
        std::unique_ptr<QSocketNotifier> notifier;
        QByteArray pending;            // bytes of an incomplete record
        bool dropping = false;         // events were lost: skip to the next report
        std::optional<LockKeys> locks; // of a device with lock lights
        // Made at the first read at frames; closed before the descriptor.
        std::unique_ptr<ArrivalWatch> arrivals = nullptr;
    };

    void openDevice(const QString& path);
    // Marks the modifiers the device reports as down as held, without making events.
    void seedHeldKeys(int id, int fd);
    // The lock lights the device shows now, asked of the kernel; none when it has none.
    static std::optional<LockKeys> readLocks(int fd);
    void lockRecord(Device& device, int id, int code, int value);
    void readDevice(int id);
    void closeDevice(int id);
    void watchDirectory();
    void directoryChanged();

    KeyRecordSink& m_records;
    QString m_directory;
    std::map<int, Device> m_devices;
    int m_lastId = 0;
    int m_inotify = -1;
    std::unique_ptr<QSocketNotifier> m_inotifyNotifier;
    bool m_readAtFrames = false;
    // Kept between frames so that a read costs no allocation.
    std::vector<pollfd> m_pollSet; // the devices no arrival watch tells of
    std::vector<int> m_pollIds;
    std::vector<int> m_readIds; // the devices a frame reads
};

} // namespace kelvara
