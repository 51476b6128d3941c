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

bool KeyServiceClient::start(const QString& path, int milliseconds)
{
    m_socket.connectToServer(path);
    if (!m_socket.waitForConnected(milliseconds)) {
        m_socket.abort();
        return false;
    }
    m_socket.write(encodeHello());
    QElapsedTimer waited;
    waited.start();
    while (m_socket.bytesAvailable() < helloSize && waited.elapsed() < milliseconds &&
           m_socket.state() == QLocalSocket::ConnectedState) {
        m_socket.waitForReadyRead(int(std::max<qint64>(1, milliseconds - waited.elapsed())));
    }
    const auto answered = helloVersion(m_socket.read(helloSize));
    if (!answered || *answered != version) {
        systemLog(answered ? QStringLiteral("The key service at %1 speaks version %2, not %3.")
                                 .arg(path)
                                 .arg(*answered)
                                 .arg(version)
                           : QStringLiteral("The key service at %1 did not answer.").arg(path));
        m_socket.abort();
        return false;
    }
    m_serving = true;
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
            systemLog(QStringLiteral("The key service sent a record this version does not know; "
                                     "its keys are no longer read."));
            m_socket.abort();
            end();
            return;
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
