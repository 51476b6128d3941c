#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace kelvara {

class KeyRecordSink;

// Kelvara's side of the key service: the key records the service sends, handed on as the
// records of one more key device. The service decides when keys flow; while they rest (a locked
// screen, another user's session) nothing arrives and nothing is wrong. Owned by the global key
// input.
class KeyServiceClient : public QObject
{
    Q_OBJECT

public:
    // Its records come as this source, apart from the input devices'.
    static constexpr int source = 1 << 20;

    explicit KeyServiceClient(KeyRecordSink& records, QObject* parent = nullptr);
    ~KeyServiceClient() override;

    // Connects and waits up to the time given for the service's answer. A service of version 1
    // is asked again in its version, and tells no lock lights.
    bool start(const QString& path, int milliseconds = 2000);

    // The version agreed with the service, 0 before.
    std::uint32_t version() const { return m_version; }

    // Answered, and still connected.
    bool isServing() const { return m_serving; }

    // Keys flow to this user now.
    bool isDelivering() const { return m_delivering; }

    // As the input devices: off, records are read when they come; on, at readPending only.
    void setReadAtFrames(bool atFrames) { m_readAtFrames = atFrames; }

    void readPending();

signals:
    void servingChanged(bool serving);
    void deliveringChanged(bool delivering);

private:
    // Says hello in that version; the version the service answers, if it did.
    std::optional<std::uint32_t> greet(const QString& path, std::uint32_t asVersion,
                                       int milliseconds);
    void readRecords();
    void end();
    void setDelivering(bool delivering);

    KeyRecordSink& m_records;
    QLocalSocket m_socket;
    QByteArray m_pending;
    bool m_serving = false;
    bool m_delivering = false;
    bool m_readAtFrames = false;
    bool m_toldUnknown = false; // of a record this version does not know, once a connection
    std::uint32_t m_version = 0;
};

} // namespace kelvara
