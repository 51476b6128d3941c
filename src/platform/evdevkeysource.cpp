#include "platform/evdevkeysource.h"

#include "platform/keystatetracker.h"
#include "platform/keytranslation.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kelvara {

namespace {

constexpr std::size_t keyBitBytes = KEY_MAX / 8 + 1;

bool testBit(const unsigned char* bits, int bit)
{
    return (bits[bit / 8] >> (bit % 8)) & 1;
}

// True for a device that reports at least one key the program knows.
bool reportsKnownKeys(int fd)
{
    unsigned char events[EV_MAX / 8 + 1] = {};
    std::array<unsigned char, keyBitBytes> keys{};
    if (ioctl(fd, EVIOCGBIT(0, sizeof events), events) < 0 || !testBit(events, EV_KEY)) {
        return false;
    }
    if (ioctl(fd, EVIOCGBIT(EV_KEY, keys.size()), keys.data()) < 0) {
        return false;
    }
    for (int code = 1; code < KEY_MAX; ++code) {
        if (testBit(keys.data(), code) && translateEvdevKey(code)) {
            return true;
        }
    }
    return false;
}

} // namespace

TrackedKeys::TrackedKeys(KeyStateTracker& keys, Sink sink)
    : m_keys(keys)
    , m_sink(std::move(sink))
{}

void TrackedKeys::keyRecord(int source, int code, int value)
{
    if (const auto event = m_keys.feed(source, code, value)) {
        m_sink(*event);
    }
}

void TrackedKeys::heldKey(int source, int code)
{
    m_keys.seedHeld(source, code);
}

void TrackedKeys::forgetSource(int source)
{
    m_keys.forgetSource(source);
    if (m_locks.forget(source) && m_locksChanged) {
        m_locksChanged();
    }
}

void TrackedKeys::lockLights(int source, LockKeys on)
{
    if (m_locks.set(source, on) && m_locksChanged) {
        m_locksChanged();
    }
}

bool MergedLocks::set(int source, LockKeys on)
{
    const auto before = merged();
    m_bySource[source] = on & allLocks;
    return merged() != before;
}

bool MergedLocks::forget(int source)
{
    const auto before = merged();
    m_bySource.erase(source);
    return merged() != before;
}

std::optional<LockKeys> MergedLocks::merged() const
{
    if (m_bySource.empty()) {
        return std::nullopt;
    }
    LockKeys on = 0;
    for (const auto& [source, locks] : m_bySource) {
        on |= locks;
    }
    return on;
}

EvdevKeySource::EvdevKeySource(KeyRecordSink& records, QObject* parent)
    : QObject(parent)
    , m_records(records)
{}

EvdevKeySource::~EvdevKeySource()
{
    while (!m_devices.empty()) {
        closeDevice(m_devices.begin()->first);
    }
    if (m_inotify >= 0) {
        m_inotifyNotifier.reset();
        ::close(m_inotify);
    }
}

void EvdevKeySource::start(const QString& directory)
{
    m_directory = directory;
    watchDirectory();
    const QStringList nodes = QDir(directory).entryList({QStringLiteral("event*")},
                                                        QDir::System | QDir::Files, QDir::Name);
    for (const QString& node : nodes) {
        openDevice(QDir(directory).filePath(node));
    }
}

void EvdevKeySource::openDevice(const QString& path)
{
    for (const auto& [id, device] : m_devices) {
        if (device.path == path) {
            return;
        }
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return; // not readable (yet): a later permission change is watched for
    }
    if (!reportsKnownKeys(fd)) {
        ::close(fd);
        return;
    }
    const int id = addDescriptor(fd, path, readLocks(fd));
    seedHeldKeys(id, fd); // modifiers already held when the device is opened
}

std::optional<LockKeys> EvdevKeySource::readLocks(int fd)
{
    unsigned char events[EV_MAX / 8 + 1] = {};
    unsigned char has[LED_MAX / 8 + 1] = {};
    unsigned char on[LED_MAX / 8 + 1] = {};
    if (ioctl(fd, EVIOCGBIT(0, sizeof events), events) < 0 || !testBit(events, EV_LED) ||
        ioctl(fd, EVIOCGBIT(EV_LED, sizeof has), has) < 0 ||
        !(testBit(has, LED_NUML) || testBit(has, LED_CAPSL) || testBit(has, LED_SCROLLL)) ||
        ioctl(fd, EVIOCGLED(sizeof on), on) < 0) {
        return std::nullopt;
    }
    return LockKeys(on[0] & allLocks); // LED_NUML, LED_CAPSL and LED_SCROLLL are bits 0 to 2
}

void EvdevKeySource::lockRecord(Device& device, int id, int code, int value)
{
    if (code < 0 || code > LED_SCROLLL) {
        return;
    }
    const auto bit = LockKeys(1u << code);
    const LockKeys before = device.locks.value_or(0);
    const LockKeys now = value != 0 ? LockKeys(before | bit) : LockKeys(before & ~bit);
    if (!device.locks || now != before) {
        device.locks = now;
        m_records.lockLights(id, now);
    }
}

void EvdevKeySource::seedHeldKeys(int id, int fd)
{
    std::array<unsigned char, keyBitBytes> down{};
    if (ioctl(fd, EVIOCGKEY(down.size()), down.data()) >= 0) {
        for (int code = 1; code < KEY_MAX; ++code) {
            if (testBit(down.data(), code)) {
                m_records.heldKey(id, code);
            }
        }
    }
}

int EvdevKeySource::addDescriptor(int fd, const QString& name, std::optional<LockKeys> locks)
{
    const int id = ++m_lastId;
    Device device{fd, name,  std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read),
                  {}, false, locks};
    connect(device.notifier.get(), &QSocketNotifier::activated, this,
            [this, id] { readDevice(id); });
    device.notifier->setEnabled(!m_readAtFrames);
    m_devices.emplace(id, std::move(device));
    if (locks) {
        m_records.lockLights(id, *locks);
    }
    return id;
}

void EvdevKeySource::setReadAtFrames(bool atFrames)
{
    m_readAtFrames = atFrames;
    for (auto& [id, device] : m_devices) {
        device.notifier->setEnabled(!atFrames);
    }
}

void EvdevKeySource::readPending()
{
    // A device is read when its arrival watch tells of something, without a call for the others;
    // where the kernel offers no watch, the devices are polled together, one call for all.
    m_pollSet.clear();
    m_pollIds.clear();
    m_readIds.clear();
    for (auto& [id, device] : m_devices) {
        if (!device.arrivals) {
            device.arrivals = std::make_unique<ArrivalWatch>(device.fd);
        }
        if (!device.arrivals->isWatching()) {
            m_pollSet.push_back({device.fd, POLLIN, 0});
            m_pollIds.push_back(id);
        } else if (device.arrivals->takeArrival()) {
            m_readIds.push_back(id);
        }
    }
    if (!m_pollSet.empty() && ::poll(m_pollSet.data(), m_pollSet.size(), 0) > 0) {
        for (std::size_t i = 0; i < m_pollSet.size(); ++i) {
            if (m_pollSet[i].revents != 0) {
                m_readIds.push_back(m_pollIds[i]);
            }
        }
    }
    for (const int id : m_readIds) {
        readDevice(id); // a device closed meanwhile is not found and skipped
    }
}

void EvdevKeySource::readDevice(int id)
{
    const auto it = m_devices.find(id);
    if (it == m_devices.end()) {
        return;
    }
    Device& device = it->second;
    std::array<char, 64 * sizeof(input_event)> buffer{};
    for (;;) {
        const ssize_t got = ::read(device.fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (got <= 0) {
            closeDevice(id); // unplugged, revoked or closed
            return;
        }
        device.pending.append(buffer.data(), got);
        qsizetype used = 0;
        while (device.pending.size() - used >= qsizetype(sizeof(input_event))) {
            input_event record{};
            std::memcpy(&record, device.pending.constData() + used, sizeof record);
            used += qsizetype(sizeof record);
            if (record.type == EV_SYN) {
                if (record.code == SYN_DROPPED) {
                    device.dropping = true;
                } else if (record.code == SYN_REPORT && device.dropping) {
                    device.dropping = false;
                    // Releases may have been among what was lost: the modifiers held are read
                    // from the device again. One that cannot say holds none, since a modifier
                    // wrongly taken as held would go with every key pressed after it.
                    m_records.forgetSource(id);
                    seedHeldKeys(id, device.fd);
                    if (const auto locks = readLocks(device.fd)) {
                        device.locks = locks;
                    }
                    if (device.locks) {
                        m_records.lockLights(id, *device.locks);
                    }
                }
                continue;
            }
            if (!device.dropping && record.type == EV_LED) {
                lockRecord(device, id, record.code, record.value);
                continue;
            }
            if (device.dropping || record.type != EV_KEY) {
                continue;
            }
            m_records.keyRecord(id, record.code, record.value);
            if (m_devices.find(id) == m_devices.end()) {
                return; // a handler closed the device
            }
        }
        device.pending.remove(0, used);
        if (std::size_t(got) < buffer.size()) {
            // The kernel had no more: asking again would most likely find nothing, one more
            // system call for every read. What comes meanwhile wakes the notifier, or waits for
            // the next frame.
            return;
        }
    }
}

void EvdevKeySource::closeDevice(int id)
{
    const auto it = m_devices.find(id);
    if (it == m_devices.end()) {
        return;
    }
    it->second.notifier->setEnabled(false);
    it->second.notifier.reset();
    it->second.arrivals.reset();
    ::close(it->second.fd);
    m_devices.erase(it);
    m_records.forgetSource(id);
}

void EvdevKeySource::watchDirectory()
{
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0) {
        return;
    }
    if (inotify_add_watch(m_inotify, QFile::encodeName(m_directory).constData(),
                          IN_CREATE | IN_ATTRIB | IN_MOVED_TO) < 0) {
        ::close(m_inotify);
        m_inotify = -1;
        return;
    }
    m_inotifyNotifier = std::make_unique<QSocketNotifier>(m_inotify, QSocketNotifier::Read);
    connect(m_inotifyNotifier.get(), &QSocketNotifier::activated, this,
            &EvdevKeySource::directoryChanged);
}

void EvdevKeySource::directoryChanged()
{
    alignas(inotify_event) std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t got = ::read(m_inotify, buffer.data(), buffer.size());
        if (got <= 0) {
            return;
        }
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
            inotify_event header{};
            std::memcpy(&header, buffer.data() + at, sizeof header);
            const char* name = buffer.data() + at + sizeof(inotify_event);
            at += ssize_t(sizeof(inotify_event) + header.len);
            if (header.len == 0 || at > got) {
                continue;
            }
            const QString node =
                QFile::decodeName(QByteArray(name, qsizetype(qstrnlen(name, header.len))));
            if (node.startsWith(QStringLiteral("event"))) {
                openDevice(QDir(m_directory).filePath(node));
            }
        }
    }
}

} // namespace kelvara
