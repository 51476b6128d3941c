#pragma once

#include "platform/event.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <poll.h>
#include <vector>

class QSocketNotifier;

namespace kelvara {

class KeyStateTracker;

// Reads key events straight from the kernel's input devices (/dev/input/event*): every readable
// device that reports keys, keyboards and media-key devices alike, opened non-blocking and read on
// the main thread. Devices that appear later are opened; devices that go away are closed. Owned by
// the global key input.
class EvdevKeySource : public QObject
{
    Q_OBJECT

public:
    using Sink = std::function<void(const Event&)>;

    EvdevKeySource(KeyStateTracker& keys, Sink sink, QObject* parent = nullptr);
    ~EvdevKeySource() override;

    // Opens every key device of the folder and watches it for new ones.
    void start(const QString& directory = QStringLiteral("/dev/input"));
    // Reads records from an open descriptor as from a device (takes ownership of fd).
    int addDescriptor(int fd, const QString& name);

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
        QByteArray pending;    // bytes of an incomplete record
        bool dropping = false; // events were lost: skip to the next report
    };

    void openDevice(const QString& path);
    // Marks the modifiers the device reports as down as held, without making events.
    void seedHeldKeys(int id, int fd);
    void readDevice(int id);
    void closeDevice(int id);
    void watchDirectory();
    void directoryChanged();

    KeyStateTracker& m_keys;
    Sink m_sink;
    QString m_directory;
    std::map<int, Device> m_devices;
    int m_lastId = 0;
    int m_inotify = -1;
    std::unique_ptr<QSocketNotifier> m_inotifyNotifier;
    bool m_readAtFrames = false;
    // Kept between frames so that a read costs no allocation.
    std::vector<pollfd> m_pollSet;
    std::vector<int> m_pollIds;
};

} // namespace kelvara
