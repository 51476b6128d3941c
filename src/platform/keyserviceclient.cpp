#include "platform/keyserviceclient.h"

#include "platform/evdevkeysource.h"
#include "platform/keyserviceprotocol.h"
#include "platform/systemlog.h"

#include <QElapsedTimer>

#include <algorithm>

namespace kelvara {

using namespace keyservice;

KeyServiceClient::KeyServiceClient(KeyRecordSink& records, QObject* parent)
    : QObject(parent)
    , m_records(records)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, [this] {
        if (!m_readAtFrames) {
            readRecords();
        }
    });
    connect(&m_socket, &QLocalSocket::disconnected, this, &KeyServiceClient::end);
}

KeyServiceClient::~KeyServiceClient()
{
    // The socket closes with the object: that is no service going away.
    disconnect(&m_socket, nullptr, this, nullptr);
}

std::optional<std::uint32_t> KeyServiceClient::greet(const QString& path, std::uint32_t asVersion,
                                                     int milliseconds)
{
    m_socket.abort();
    m_socket.connectToServer(path);
    if (!m_socket.waitForConnected(milliseconds)) {
        m_socket.abort();
        return std::nullopt;
    }
    m_socket.write(encodeHello(asVersion));
    QElapsedTimer waited;
    waited.start();
    while (m_socket.bytesAvailable() < helloSize && waited.elapsed() < milliseconds &&
           m_socket.state() == QLocalSocket::ConnectedState) {
        m_socket.waitForReadyRead(int(std::max<qint64>(1, milliseconds - waited.elapsed())));
    }
    const auto answered = keyservice::helloVersion(m_socket.read(helloSize));
    if (!answered) {
        systemLog(QStringLiteral("The key service at %1 did not answer.").arg(path));
    }
    return answered;
}

bool KeyServiceClient::start(const QString& path, int milliseconds)
{
    auto answered = greet(path, keyservice::version, milliseconds);
    if (answered && *answered == oldestVersion) {
        // An older service ends the connection after its answer; it is asked in its version.
        answered = greet(path, oldestVersion, milliseconds);
    }
    if (!answered) {
        m_socket.abort();
        return false;
    }
    if (*answered < oldestVersion || *answered > keyservice::version) {
        systemLog(QStringLiteral("The key service at %1 speaks version %2, not %3.")
                      .arg(path)
                      .arg(*answered)
                      .arg(keyservice::version));
        m_socket.abort();
        return false;
    }
    m_version = *answered;
    m_serving = true;
    m_toldUnknown = false;
    readRecords(); // what came with the answer
    return m_serving;
}

void KeyServiceClient::readPending()
{
    if (m_serving) {
        readRecords();
    }
}

void KeyServiceClient::readRecords()
{
    if (!m_serving) {
        return;
    }
    m_pending += m_socket.readAll();
    qsizetype used = 0;
    for (; m_pending.size() - used >= recordSize; used += recordSize) {
        const auto record = decodeRecord(m_pending.constData() + used);
        if (!record) {
            if (!m_toldUnknown) {
                m_toldUnknown = true;
                systemLog(QStringLiteral("The key service sent a record this version does not "
                                         "know; such records are skipped."));
            }
            continue;
        }
        switch (record->kind) {
        case Kind::Key:
            m_records.keyRecord(source, record->code, record->value);
            break;
        case Kind::Delivery:
            setDelivering(record->value == 1);
            break;
        case Kind::Lost:
            m_records.forgetSource(source); // releases may be among what was dropped
            break;
        case Kind::Locks:
            m_records.lockLights(source, LockKeys(record->value));
            break;
        }
        if (!m_serving) {
            return; // a handler ended the connection
        }
    }
    m_pending.remove(0, used);
}

void KeyServiceClient::setDelivering(bool delivering)
{
    if (delivering == m_delivering) {
        return;
    }
    m_delivering = delivering;
    if (!delivering) {
        m_records.forgetSource(source); // what was held when keys stopped is not held now
    }
    emit deliveringChanged(delivering);
}

void KeyServiceClient::end()
{
    if (!m_serving) {
        return;
    }
    m_serving = false;
    m_pending.clear();
    setDelivering(false);
    emit servingChanged(false);
}

} // namespace kelvara
