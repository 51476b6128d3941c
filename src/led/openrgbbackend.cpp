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

QString keyboardsTakenOver(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 keyboard taken over")
                      : QStringLiteral("%1 keyboards taken over").arg(count);
}

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
    m_link.pass();
    m_frames.finishPass();
    if (m_stage != Stage::Running) {
        return;
    }
    sendFrames();
    if (m_version >= 6 && !m_silence.isActive() && !m_frames.keyboards().empty()) {
        m_silence.start();
    }
}

void OpenRgbBackend::sendFrames()
{
    if (!m_link.sendFrames(m_frames.encode())) {
        return;
    }
    const auto now = OtherWriterWatch::Clock::now();
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        m_writers.sent(keyboard.id, keyboard.frame, now);
    }
}

void OpenRgbBackend::shutdown()
{
    m_wanted = false;
    m_shutDown = true;
    m_retry.stop();
    m_silence.stop();
    m_readBack.stop();
    m_link.setReadAtPasses(false);
    if (m_stage == Stage::Running) {
        m_modeAcks = 0;
        int restored = 0;
        for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
            if (const QByteArray packets = m_savedModes.restoring(keyboard.id);
                !packets.isEmpty()) {
                m_link.send(packets);
                ++restored;
            }
        }
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

void OpenRgbBackend::wake()
{
    if (m_shutDown || !m_wanted) {
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
        if (m_stage == Stage::Running) {
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

void OpenRgbBackend::handleControllerData(const Packet& packet)
{
    if (m_stage == Stage::Running) {
        // A keyboard's colours, read back.
        if (const auto controller = parseControllerData(packet.payload, m_version)) {
            otherColoursSeen(packet.deviceId, controller->colours);
        }
        return;
    }
    if (m_stage != Stage::Controllers || m_pendingIds.empty() ||
        packet.deviceId != m_pendingIds.front()) {
        return;
    }
    if (const auto controller = parseControllerData(packet.payload, m_version)) {
        addController(packet.deviceId, *controller);
    } else {
        const QString name = peekControllerName(packet.payload);
        tellOnce(QStringLiteral("Controller %1%2: its data cannot be read; left alone.")
                     .arg(packet.deviceId)
                     .arg(name.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(name)));
    }
    m_pendingIds.erase(m_pendingIds.begin());
    requestNextController();
}

void OpenRgbBackend::listControllers()
{
    m_link.setReadAtPasses(false);
    m_readBack.stop();
    m_stage = Stage::Ids;
    m_link.send(encodePacket(0, requestControllerCount));
    m_replyTimeout.start();
}

void OpenRgbBackend::requestNextController()
{
    if (m_pendingIds.empty()) {
        m_replyTimeout.stop();
        takeOver();
        return;
    }
    m_link.send(encodePacket(m_pendingIds.front(), requestControllerData, encodeU32(m_version)));
    m_replyTimeout.start();
}

void OpenRgbBackend::addController(quint32 id, const Controller& controller)
{
    if (!isKeyboardLike(controller)) {
        return;
    }
    if (directModeOf(controller) < 0) {
        tellOnce(QStringLiteral("Keyboard \"%1\": it has no mode with per-LED colours; left alone.")
                     .arg(controller.name));
        return;
    }
    m_frames.add(id, controller, placeLeds(controller));
    m_savedModes.remember(id, controller);
}

void OpenRgbBackend::takeOver()
{
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        const int direct = directModeOf(keyboard.data);
        m_link.send(
            encodeUpdateMode(keyboard.id, direct, keyboard.data.modes[std::size_t(direct)].block));
        systemLog(placementSummary(keyboard.data.name, keyboard.placement));
    }
    m_stage = Stage::Running;
    m_link.setReadAtPasses(true);
    if (m_frameOnTakeOver) {
        m_frameOnTakeOver = false;
        sendFrames(); // what the keyboards last showed, until the next pass
    }
    if (m_version < 6 && !m_frames.keyboards().empty()) {
        m_readBack.start();
    }
    std::vector<quint32> ids;
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        ids.push_back(keyboard.id);
    }
    m_writers.retain(ids);
    if (m_frames.keyboards().empty()) {
        report(Status::Refused,
               QStringLiteral("none of its %1 devices is a keyboard with per-LED colours")
                   .arg(m_listed));
        return;
    }
    m_wasRunning = true;
    report(Status::Connected, keyboardsTakenOver(m_frames.keyboards().size()));
}

void OpenRgbBackend::readBack()
{
    if (m_stage != Stage::Running) {
        return;
    }
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        m_link.send(encodePacket(keyboard.id, requestControllerData, encodeU32(m_version)));
    }
}

void OpenRgbBackend::otherColoursSeen(quint32 id, std::span<const quint32> colours)
{
    const auto keyboard = std::find_if(m_frames.keyboards().begin(), m_frames.keyboards().end(),
                                       [id](const auto& k) { return k.id == id; });
    if (keyboard != m_frames.keyboards().end()) {
        // Frames cover the LEDs with a name; a server may hold colours past them.
        m_writers.seen(id, keyboard->data.name,
                       colours.first(std::min(colours.size(), keyboard->frame.size())));
    }
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
