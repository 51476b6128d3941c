#include "led/openrgbbackend.h"

#include "led/socketio.h"
#include "platform/systemlog.h"

#include <QtEndian>

#include <algorithm>

namespace kelvara {

using namespace openrgb;

namespace {

constexpr int handshakeTimeout = 3000; // ms, at launch only
constexpr int replyTimeout = 1000;     // ms, for each reply of the handshake
constexpr int restoreTimeout = 250;    // ms, for the acknowledgement of the restored mode
// A server that stops reading gets no more frames rather than an ever-growing buffer.
constexpr qint64 maxQueuedBytes = 256 * 1024;
// What one pass reads of the server's answers at most; more waits for the next pass.
constexpr qsizetype maxReadPerPass = 1024 * 1024;
// A version 6 server answers every frame; one that says nothing for this long is gone.
constexpr int silenceLimit = 8000; // ms
// While frames run, the answers are read no more often than this: a few frames' worth at a time.
constexpr qint64 readInterval = 100; // ms
// A server on another machine that vanishes without a word (a suspended host, a pulled cable) is
// noticed by the kernel: data unacknowledged for this long, or an idle link whose keep-alive
// probes go unanswered, ends the connection. A frame goes out at least every 5 s, so the loss is
// known within 4 + 5 s at worst.
constexpr int tcpUserTimeout = 4000; // ms

// The mode a keyboard shows software frames in: Direct, else Custom, with per-LED colours.
int directModeOf(const Controller& controller)
{
    for (const QString& wanted : {QStringLiteral("Direct"), QStringLiteral("Custom")}) {
        for (std::size_t i = 0; i < controller.modes.size(); ++i) {
            const Mode& mode = controller.modes[i];
            if (mode.name == wanted && (mode.flags & perLedColorFlag)) {
                return int(i);
            }
        }
    }
    return -1;
}

} // namespace

OpenRgbBackend::OpenRgbBackend(QString host, quint16 port, QObject* parent)
    : QObject(parent)
    , m_host(std::move(host))
    , m_port(port)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(2000);
    m_replyTimeout.setSingleShot(true);
    m_replyTimeout.setInterval(replyTimeout);
    m_silence.setSingleShot(true);
    m_silence.setInterval(silenceLimit);
    connect(&m_retry, &QTimer::timeout, this, &OpenRgbBackend::connectNow);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        lost(QStringLiteral("no answer for %1 seconds").arg(m_silence.interval() / 1000.0));
    });
    connect(&m_replyTimeout, &QTimer::timeout, this, &OpenRgbBackend::replyTimedOut);
    connect(&m_socket, &QTcpSocket::connected, this, &OpenRgbBackend::connected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &OpenRgbBackend::readIncoming);
    connect(&m_socket, &QTcpSocket::disconnected, this,
            [this] { lost(QStringLiteral("connection closed")); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] { lost(m_socket.errorString()); });
}

OpenRgbBackend::~OpenRgbBackend()
{
    m_wanted = false;
    m_socket.disconnect(this);
    m_socket.abort();
}

bool OpenRgbBackend::init()
{
    m_wanted = true;
    connectNow();
    QElapsedTimer waited;
    waited.start();
    if (!m_socket.waitForConnected(handshakeTimeout)) {
        return false;
    }
    while (m_stage != Stage::Running && m_stage != Stage::Disconnected &&
           waited.elapsed() < handshakeTimeout) {
        const qint64 left = handshakeTimeout - waited.elapsed();
        const int reply = m_replyTimeout.isActive() ? m_replyTimeout.remainingTime() : int(left);
        m_socket.waitForReadyRead(int(std::clamp<qint64>(std::min<qint64>(left, reply), 1, left)));
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

bool OpenRgbBackend::setHidKey(int hidCode, int red, int green, int blue)
{
    return m_frames.lightCode(hidCode, red, green, blue);
}

bool OpenRgbBackend::setNamedKey(unsigned int keyName, int red, int green, int blue)
{
    return m_frames.lightCode(keyName, red, green, blue);
}

void OpenRgbBackend::setPlaceColour(std::size_t place, int red, int green, int blue)
{
    m_frames.lightPlace(place, red, green, blue);
}

void OpenRgbBackend::endPass()
{
    if (!m_wanted && !m_shutDown) {
        // Frames come whether or not the service was there at launch: one that starts later is
        // looked for in the background.
        m_wanted = true;
        connectNow();
    }
    if (m_quiet && (!m_sinceRead.isValid() || m_sinceRead.hasExpired(readInterval))) {
        m_sinceRead.start();
        readQuietly();
    }
    m_frames.finishPass();
    if (m_stage != Stage::Running || m_socket.bytesToWrite() > maxQueuedBytes) {
        return;
    }
    sendFrames(m_frames.encode());
    if (m_version >= 6 && !m_silence.isActive() && !m_frames.keyboards().empty()) {
        m_silence.start();
    }
}

void OpenRgbBackend::sendFrames(const QByteArray& bytes)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState || bytes.isEmpty()) {
        return;
    }
    // With nothing queued before them the frames go straight to the kernel. Handed to the
    // socket's buffer, they would switch its write notifier on and off again, and each switch
    // wakes the event loop once more: two extra wake-ups on every frame.
    const qsizetype sent =
        m_socket.bytesToWrite() == 0 ? sendWithoutWaiting(m_socket.socketDescriptor(), bytes) : 0;
    // What the kernel did not take (a full buffer, or an error the socket then reports as the
    // connection lost) goes through the socket as before, out now rather than at the next turn
    // of the event loop.
    if (sent < bytes.size()) {
        m_socket.write(bytes.constData() + sent, bytes.size() - sent);
        m_socket.flush();
    }
}

void OpenRgbBackend::shutdown()
{
    m_wanted = false;
    m_shutDown = true;
    m_retry.stop();
    m_silence.stop();
    stopReadingQuietly();
    if (m_stage == Stage::Running) {
        m_modeAcks = 0;
        int restored = 0;
        for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
            const auto saved = m_savedModes.find(keyboard.data.name);
            if (saved == m_savedModes.end()) {
                continue;
            }
            send(encodeUpdateMode(keyboard.id, saved->second.index, saved->second.mode.block));
            if (saved->second.mode.colorMode == colorModePerLed) {
                send(encodeUpdateLeds(keyboard.id, saved->second.colours));
            }
            ++restored;
        }
        m_socket.waitForBytesWritten(restoreTimeout);
        if (m_version >= 6) {
            QElapsedTimer waited;
            waited.start();
            while (m_modeAcks < restored && waited.elapsed() < restoreTimeout &&
                   m_socket.state() == QAbstractSocket::ConnectedState) {
                m_socket.waitForReadyRead(
                    int(std::max<qint64>(1, restoreTimeout - waited.elapsed())));
            }
        }
    }
    m_socket.disconnect(this);
    m_socket.disconnectFromHost();
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        m_socket.waitForDisconnected(restoreTimeout);
    }
    m_stage = Stage::Disconnected;
}

void OpenRgbBackend::replyTimedOut()
{
    if (m_stage == Stage::Controllers && !m_pendingIds.empty()) {
        // No data for this controller: it went away meanwhile.
        m_pendingIds.erase(m_pendingIds.begin());
        requestNextController();
    } else if (m_stage != Stage::Running) {
        lost(QStringLiteral("no answer"));
    }
}

void OpenRgbBackend::connectNow()
{
    if (!m_wanted || m_socket.state() != QAbstractSocket::UnconnectedState) {
        return;
    }
    m_reader = PacketReader();
    m_stage = Stage::Connecting;
    m_socket.connectToHost(m_host, m_port);
}

void OpenRgbBackend::connected()
{
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    watchForSilentPeer(m_socket.socketDescriptor(), tcpUserTimeout);
    m_stage = Stage::Version;
    send(encodePacket(0, requestProtocolVersion, encodeU32(highestVersion)));
    m_replyTimeout.start();
}

void OpenRgbBackend::readIncoming()
{
    if (m_quiet) {
        return; // read at the next pass
    }
    m_silence.stop();
    m_reader.append(m_socket.readAll());
    processIncoming();
}

void OpenRgbBackend::readQuietly()
{
    QByteArray incoming;
    if (!m_heldByte && m_socket.bytesAvailable() > 0) {
        incoming = m_socket.peek(1);
        m_heldByte = !incoming.isEmpty();
    }
    QString why;
    switch (readWithoutWaiting(m_socket.socketDescriptor(), incoming, maxReadPerPass, why)) {
    case ReadOutcome::Open:
        break;
    case ReadOutcome::Closed:
        lost(QStringLiteral("connection closed"));
        return;
    case ReadOutcome::Failed:
        lost(why);
        return;
    }
    if (!incoming.isEmpty()) {
        m_silence.stop();
        m_reader.append(incoming);
        processIncoming();
    }
}

void OpenRgbBackend::stopReadingQuietly()
{
    if (!m_quiet) {
        return;
    }
    m_quiet = false;
    if (m_heldByte) {
        m_socket.read(1); // handled already
        m_heldByte = false;
    }
    m_socket.setReadBufferSize(0);
}

void OpenRgbBackend::processIncoming()
{
    while (const auto packet = m_reader.next()) {
        handle(*packet);
        if (m_stage == Stage::Disconnected) {
            return;
        }
    }
    if (m_reader.failed()) {
        lost(QStringLiteral("malformed data"));
    }
}

void OpenRgbBackend::handle(const Packet& packet)
{
    switch (packet.id) {
    case requestProtocolVersion: {
        if (m_stage != Stage::Version || packet.payload.size() != 4) {
            return;
        }
        const quint32 server = qFromLittleEndian<quint32>(packet.payload.constData());
        m_version = std::min(server, highestVersion);
        if (m_version < lowestVersion) {
            lost(QStringLiteral("protocol version %1 is too old").arg(server));
            return;
        }
        QByteArray name("Kelvara");
        name.append('\0');
        send(encodePacket(0, setClientName, name));
        if (m_version >= 6) {
            send(encodePacket(0, setClientFlags, encodeU32(1)));
        }
        listControllers();
        return;
    }
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
        m_frames.clear();
        m_stage = Stage::Controllers;
        requestNextController();
        return;
    }
    case requestControllerData: {
        if (m_stage != Stage::Controllers || m_pendingIds.empty() ||
            packet.deviceId != m_pendingIds.front()) {
            return;
        }
        const auto controller = parseControllerData(packet.payload, m_version);
        if (!controller) {
            lost(QStringLiteral("malformed controller data"));
            return;
        }
        addController(m_pendingIds.front(), *controller);
        m_pendingIds.erase(m_pendingIds.begin());
        requestNextController();
        return;
    }
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
        return; // frame echoes, server notices and anything newer are not needed
    }
}

void OpenRgbBackend::listControllers()
{
    stopReadingQuietly();
    m_stage = Stage::Ids;
    send(encodePacket(0, requestControllerCount));
    m_replyTimeout.start();
}

void OpenRgbBackend::requestNextController()
{
    if (m_pendingIds.empty()) {
        m_replyTimeout.stop();
        takeOver();
        return;
    }
    send(encodePacket(m_pendingIds.front(), requestControllerData, encodeU32(m_version)));
    m_replyTimeout.start();
}

void OpenRgbBackend::addController(quint32 id, const Controller& controller)
{
    if (!isKeyboardLike(controller) || directModeOf(controller) < 0) {
        return;
    }
    m_frames.add(id, controller);
    if (!m_savedModes.count(controller.name) && controller.activeMode >= 0 &&
        std::size_t(controller.activeMode) < controller.modes.size()) {
        m_savedModes[controller.name] =
            SavedMode{controller.activeMode, controller.modes[std::size_t(controller.activeMode)],
                      controller.colours};
    }
}

void OpenRgbBackend::takeOver()
{
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        const int direct = directModeOf(keyboard.data);
        send(encodeUpdateMode(keyboard.id, direct, keyboard.data.modes[std::size_t(direct)].block));
        systemLog(placementSummary(keyboard.data.name, keyboard.placement));
    }
    m_stage = Stage::Running;
    m_quiet = true;
    m_sinceRead.invalidate(); // the first pass reads
    m_socket.setReadBufferSize(1);
    if (m_reportedLoss) {
        m_reportedLoss = false;
        systemLog(QStringLiteral("The lighting service is back: %1 keyboards.")
                      .arg(m_frames.keyboards().size()));
    }
}

void OpenRgbBackend::lost(const QString& why)
{
    if (m_stage == Stage::Disconnected && m_socket.state() == QAbstractSocket::UnconnectedState) {
        return;
    }
    const bool wasRunning = m_stage == Stage::Running;
    m_stage = Stage::Disconnected;
    m_replyTimeout.stop();
    m_silence.stop();
    m_quiet = false;
    m_heldByte = false;
    m_socket.setReadBufferSize(0);
    m_socket.abort();
    if (wasRunning && !m_reportedLoss) {
        m_reportedLoss = true;
        systemLog(QStringLiteral("Lost the lighting service at %1:%2 (%3); trying again.")
                      .arg(m_host)
                      .arg(m_port)
                      .arg(why));
    }
    if (m_wanted) {
        m_retry.start();
    }
}

void OpenRgbBackend::send(const QByteArray& bytes)
{
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.write(bytes);
    }
}

} // namespace kelvara
