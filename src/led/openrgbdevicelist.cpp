// The OpenRGB backend's device list: the controllers asked for one by one, the keyboards among
// them placed and switched to a mode with per-LED colours, and the list asked for again when the
// server says it changed.

#include "led/keyboardfile.h"
#include "led/openrgbbackend.h"
#include "platform/systemlog.h"
#include "prefs/preferencestore.h"

namespace kelvara {

using namespace openrgb;
using Status = LightingServiceState::Status;

namespace {

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

void OpenRgbBackend::handleControllerData(const Packet& packet)
{
    if (m_stage == Stage::Running) {
        if (isPaused()) {
            return; // what others show on a keyboard handed back is theirs
        }
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
    LedPlacement placement = placeLeds(controller);
    useKeptDrawing(keyboardsFolder(), controller, placement);
    m_frames.add(id, controller, std::move(placement));
    m_savedModes.remember(id, controller);
}

void OpenRgbBackend::takeOver()
{
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        // Paused, the keyboards are listed and placed, and left in the modes they have.
        if (!isPaused()) {
            const int direct = directModeOf(keyboard.data);
            m_link.send(encodeUpdateMode(keyboard.id, direct,
                                         keyboard.data.modes[std::size_t(direct)].block));
        }
        systemLog(placementSummary(keyboard.data.name, keyboard.placement));
    }
    std::vector<ShownKeyboard> drawn;
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        drawn.push_back(shownKeyboard(keyboard.data.name, keyboard.placement.kind,
                                      keyboard.placement.drawing, keyboard.data.ledNames));
    }
    keyboardChoice().setKeyboards(std::move(drawn));
    followDrawnKeyboard(); // the same board may come back at another index
    m_stage = Stage::Running;
    m_link.setReadAtPasses(true);
    if (m_frameOnTakeOver) {
        m_frameOnTakeOver = false;
        sendFrames(); // what the keyboards last showed, until the next pass
    }
    if (m_version < 6 && !m_frames.keyboards().empty() && !isPaused()) {
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

} // namespace kelvara
