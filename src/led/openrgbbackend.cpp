#include "led/openrgbbackend.h"

#include "platform/systemlog.h"

#include <QElapsedTimer>
#include <QtEndian>

#include <algorithm>

namespace kelvara {

using namespace openrgb;
using Status = LightingServiceState::Status;

namespace {

constexpr int handshakeTimeout = 3000; // ms, at launch only, once the server has answered
// At launch a server must say its first word this soon (an OpenRGB server still detecting its
// devices at login accepts and says nothing for seconds); otherwise its handshake goes on in the
// background, and the launch does not wait for it.
constexpr int firstAnswerLimit = 100; // ms
constexpr int replyTimeout = 1000;    // ms, for each reply of the handshake
constexpr int restoreTimeout = 250;   // ms, for the acknowledgement of the restored mode
// A version 6 server answers every frame; one that says nothing for this long is gone.
constexpr int silenceLimit = 8000; // ms
// Below version 6 nothing tells of other writers but the colours read back, this often.
constexpr int readBackInterval = 3000; // ms

} // namespace

OpenRgbBackend::OpenRgbBackend(QString host, quint16 port, QObject* parent)
    : QObject(parent)
    , m_host(std::move(host))
    , m_port(port)
    , m_writers(serviceStatus())
{
    m_retry.setSingleShot(true);
    m_replyTimeout.setSingleShot(true);
    m_replyTimeout.setInterval(replyTimeout);
    m_answerLimit = firstAnswerLimit;
    m_silence.setSingleShot(true);
    m_silence.setInterval(silenceLimit);
    m_readBack.setInterval(readBackInterval);
    connect(&m_retry, &QTimer::timeout, this, &OpenRgbBackend::connectNow);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        lost(QStringLiteral("no answer for %1 seconds").arg(m_silence.interval() / 1000.0));
    });
    connect(&m_replyTimeout, &QTimer::timeout, this, &OpenRgbBackend::replyTimedOut);
    connect(&m_readBack, &QTimer::timeout, this, &OpenRgbBackend::readBack);
    connect(&m_link, &OpenRgbLink::opened, this, &OpenRgbBackend::connected);
    connect(&m_link, &OpenRgbLink::received, this, &OpenRgbBackend::handle);
    connect(&m_link, &OpenRgbLink::lost, this, &OpenRgbBackend::lost);
    connect(&keyboardChoice(), &KeyboardChoice::shownChanged, this,
            &OpenRgbBackend::followDrawnKeyboard);
    // At rest no pass may come for seconds: the newest frame goes as soon as there is room.
    connect(&m_link, &OpenRgbLink::drained, this, [this] {
        if (m_stage == Stage::Running) {
            sendFrames();
        }
    });
}

OpenRgbBackend::~OpenRgbBackend()
{
    m_wanted = false;
    m_link.disconnect(this);
}

void OpenRgbBackend::setRetryIntervals(int awayMs, int refusingMs)
{
    m_retryAway = awayMs;
    m_retryRefusing = refusingMs;
}

bool OpenRgbBackend::init()
{
    m_wanted = true;
    connectNow();
    QElapsedTimer waited;
    waited.start();
    const auto answerLate = [&] {
        return !m_answered && waited.elapsed() >= m_answerLimit;
    };
    if (!m_link.waitForConnected(m_answerLimit)) {
        answerAwaited();
        return false;
    }
    while (m_stage != Stage::Running && m_stage != Stage::Disconnected &&
           waited.elapsed() < handshakeTimeout) {
        if (answerLate()) {
            answerAwaited();
            return false;
        }
        const qint64 left = (m_answered ? handshakeTimeout : m_answerLimit) - waited.elapsed();
        const int reply = m_replyTimeout.isActive() ? m_replyTimeout.remainingTime() : int(left);
        m_link.waitForReadyRead(int(std::clamp<qint64>(std::min<qint64>(left, reply), 1, left)));
        // No event loop runs here, so the reply timer is looked at by hand.
        if (m_replyTimeout.isActive() && m_replyTimeout.remainingTime() == 0) {
            m_replyTimeout.stop();
            replyTimedOut();
        }
    }
    return m_stage == Stage::Running && !m_frames.keyboards().empty();
}

bool OpenRgbBackend::sdkVersion(int* majorNum, int* minorNum, int* buildNum)
{
    *majorNum = int(m_version);
    *minorNum = 0;
    *buildNum = 0;
    return m_version != 0;
}

void OpenRgbBackend::shutdown()
{
    m_wanted = false;
    m_shutDown = true;
    m_retry.stop();
    m_silence.stop();
    m_readBack.stop();
    m_link.setReadAtPasses(false);
    // Paused, the keyboards have their modes back already, and may have been given others since.
    if (m_stage == Stage::Running && !isPaused()) {
        m_modeAcks = 0;
        const int restored = handBack();
        m_link.waitForBytesWritten(restoreTimeout);
        if (m_version >= 6) {
            QElapsedTimer waited;
            waited.start();
            while (m_modeAcks < restored && waited.elapsed() < restoreTimeout && m_link.isOpen()) {
                m_link.waitForReadyRead(
                    int(std::max<qint64>(1, restoreTimeout - waited.elapsed())));
            }
        }
    }
    m_link.closeGently(restoreTimeout);
    m_stage = Stage::Disconnected;
}

int OpenRgbBackend::handBack()
{
    int restored = 0;
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        if (const QByteArray packets = m_savedModes.restoring(keyboard.id); !packets.isEmpty()) {
            m_link.send(packets);
            ++restored;
        }
    }
    return restored;
}

void OpenRgbBackend::pausedChanged(bool paused)
{
    if (m_shutDown || m_stage != Stage::Running) {
        return; // a connection made later takes the keyboards over or not, as the pause is then
    }
    if (paused) {
        m_silence.stop();
        m_readBack.stop();
        handBack();
        return;
    }
    // Listed afresh, as the keyboards may have changed meanwhile: the take-over sets Direct and
    // sends the last frame at once.
    m_frameOnTakeOver = true;
    listControllers();
}

void OpenRgbBackend::wake()
{
    if (m_shutDown || !m_wanted || (isPaused() && m_stage == Stage::Running)) {
        return;
    }
    if (m_stage == Stage::Running) {
        // Listed afresh, as devices may have come and gone meanwhile; the take-over that
        // follows sets Direct again and sends the frame at once.
        m_frameOnTakeOver = true;
        listControllers();
    } else if (m_link.isClosed()) {
        m_retry.stop();
        connectNow();
    }
}

void OpenRgbBackend::answerAwaited()
{
    if (m_stage == Stage::Disconnected) {
        return; // what ended it has been reported
    }
    report(Status::Refused, QStringLiteral("no answer yet"));
}

void OpenRgbBackend::replyTimedOut()
{
    if (m_stage == Stage::Controllers && !m_pendingIds.empty()) {
        tellOnce(QStringLiteral("Controller %1: no answer to the request for its data; left alone.")
                     .arg(m_pendingIds.front()));
        m_pendingIds.erase(m_pendingIds.begin());
        requestNextController();
    } else if (m_stage != Stage::Running) {
        lost(QStringLiteral("no answer"));
    }
}

void OpenRgbBackend::connectNow()
{
    if (!m_wanted || !m_link.isClosed()) {
        return;
    }
    m_stage = Stage::Connecting;
    m_wasRunning = false;
    m_answered = false;
    m_link.open(m_host, m_port);
}

void OpenRgbBackend::connected()
{
    m_stage = Stage::Version;
    m_link.send(encodePacket(0, requestProtocolVersion, encodeU32(highestVersion)));
    m_replyTimeout.start();
}

void OpenRgbBackend::handle(const Packet& packet)
{
    m_silence.stop();
    m_answered = true;
    switch (packet.id) {
    case requestProtocolVersion:
        handleVersion(packet);
        return;
    case requestControllerCount: {
        if (m_stage != Stage::Ids) {
            return;
        }
        const auto ids = parseControllerIds(packet.payload, m_version);
        if (!ids) {
            lost(QStringLiteral("malformed controller list"));
            return;
        }
        m_pendingIds = *ids;
        m_listed = ids->size();
        m_frames.clear();
        m_savedModes.startListing();
        m_stage = Stage::Controllers;
        requestNextController();
        return;
    }
    case requestControllerData:
        handleControllerData(packet);
        return;
    case signalUpdate:
        if (m_stage == Stage::Running && !isPaused()) {
            if (const auto colours = parseSignalColours(packet.payload)) {
                otherColoursSeen(packet.deviceId, *colours);
            }
        }
        return;
    case deviceListUpdated:
        if (m_stage == Stage::Running || m_stage == Stage::Controllers) {
            listControllers();
        }
        return;
    case ack:
        if (packet.payload.size() == 8 &&
            qFromLittleEndian<quint32>(packet.payload.constData()) == updateMode) {
            ++m_modeAcks;
        }
        return;
    default:
        return; // server notices and anything newer are not needed
    }
}

void OpenRgbBackend::handleVersion(const Packet& packet)
{
    if (m_stage != Stage::Version || packet.payload.size() != 4) {
        return;
    }
    const quint32 server = qFromLittleEndian<quint32>(packet.payload.constData());
    m_version = std::min(server, highestVersion);
    if (m_version < lowestVersion) {
        refuse(QStringLiteral("protocol version %1 is too old (%2 to %3 understood)")
                   .arg(server)
                   .arg(lowestVersion)
                   .arg(highestVersion));
        return;
    }
    QByteArray name("Kelvara");
    name.append('\0');
    m_link.send(encodePacket(0, setClientName, name));
    if (m_version >= 6) {
        m_link.send(encodePacket(0, setClientFlags, encodeU32(1)));
    }
    listControllers();
}

void OpenRgbBackend::lost(const QString& why)
{
    if (m_stage == Stage::Disconnected && m_link.isClosed()) {
        return;
    }
    const Stage stage = m_stage;
    m_stage = Stage::Disconnected;
    m_replyTimeout.stop();
    m_silence.stop();
    m_readBack.stop();
    m_frameOnTakeOver = false;
    m_link.close();
    if (stage == Stage::Connecting || stage == Stage::Running || m_wasRunning) {
        report(Status::NotRunning, why);
    } else {
        report(Status::Refused, why); // it answered, but the handshake went wrong
    }
    if (m_wanted) {
        // A server that said nothing at all may be busy finding its devices: soon tried again.
        const bool refusing = serviceStatus().state().status == Status::Refused && m_answered;
        m_retry.start(refusing ? m_retryRefusing : m_retryAway);
    }
}

void OpenRgbBackend::refuse(const QString& why)
{
    m_wasRunning = false;
    lost(why);
}

void OpenRgbBackend::report(Status status, const QString& reason)
{
    if (status != Status::Connected) {
        m_writers.clear();
    }
    serviceStatus().report(QStringLiteral("%1:%2").arg(m_host).arg(m_port), status, reason);
}

void OpenRgbBackend::tellOnce(const QString& line)
{
    // However many controllers a server makes up, the lines stay few.
    constexpr std::size_t mostLines = 256;
    if (m_told.size() < mostLines && m_told.insert(line).second) {
        systemLog(line);
    }
}

} // namespace kelvara
