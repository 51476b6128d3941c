#include "platform/xinputkeysource.h"

#include "platform/arrivalwatch.h"
#include "platform/keystatetracker.h"

#include <QSocketNotifier>
#include <QThread>

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace kelvara {

namespace {

// X key codes are Linux key codes plus 8.
constexpr int xKeyCodeOffset = 8;
// The tracker's source id for the X server.
constexpr int xSource = -1;
// One read takes what the X library's buffer holds, 4 KB or about a hundred raw key events. A read
// that brought this many may have left the rest of a burst in the socket, and nothing arrives
// after it to tell of it: the next frame reads again.
constexpr int burstEvents = 16;

Display* display(void* handle)
{
    return static_cast<Display*>(handle);
}

} // namespace

XInputKeySource::XInputKeySource(KeyStateTracker& keys, Sink sink, QObject* parent)
    : QObject(parent)
    , m_keys(keys)
    , m_sink(std::move(sink))
{}

XInputKeySource::~XInputKeySource()
{
    m_notifier.reset();
    m_arrivals.reset();
    // Closing a connection that failed would have Xlib report the failure, and end the program.
    if (m_display && !m_lost) {
        XCloseDisplay(display(m_display));
    }
}

bool XInputKeySource::start()
{
    if (m_display) {
        return true;
    }
    // A server busy accepting other clients refuses a connection now and then (EAGAIN on its
    // socket); a few quick tries keep that from costing the whole session its key input.
    Display* dpy = XOpenDisplay(nullptr);
    for (int attempt = 1; !dpy && attempt < 5 && qEnvironmentVariableIsSet("DISPLAY"); ++attempt) {
        QThread::msleep(20);
        dpy = XOpenDisplay(nullptr);
    }
    if (!dpy) {
        return false;
    }
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 1;
    if (!XQueryExtension(dpy, "XInputExtension", &m_opcode, &event, &error) ||
        XIQueryVersion(dpy, &major, &minor) != Success || major < 2 || (major == 2 && minor < 1)) {
        XCloseDisplay(dpy);
        return false;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(dpy, DefaultRootWindow(dpy), &mask, 1);
    m_display = dpy;
    watchIndicators();
    XFlush(dpy);
    // From here on the events are taken through XCB, which reads the socket once a call where
    // Xlib reads it again until it finds nothing.
    XSetEventQueueOwner(dpy, XCBOwnsEventQueue);
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(dpy), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &XInputKeySource::readEvents);
    m_notifier->setEnabled(!m_readAtFrames);
    m_arrivals = std::make_unique<ArrivalWatch>(ConnectionNumber(dpy));
    return true;
}

void XInputKeySource::setReadAtFrames(bool atFrames)
{
    m_readAtFrames = atFrames;
    if (m_notifier) {
        m_notifier->setEnabled(!atFrames);
    }
}

void XInputKeySource::readPending()
{
    if (!isWorking()) {
        return;
    }
    // Asked before the read, so that what comes during it is told at the next frame.
    const bool arrived = m_arrivals->takeArrival();
    if (arrived || m_readAgain) {
        m_readAgain = readEvents() >= burstEvents;
    }
}

int XInputKeySource::readEvents()
{
    xcb_connection_t* connection = XGetXCBConnection(display(m_display));
    int handled = 0;
    const auto handle = [this, &handled](xcb_generic_event_t* event) {
        const std::optional<RawKey> key = indicatorEvent(event) ? std::nullopt : rawKey(event);
        std::free(event);
        ++handled;
        if (key) {
            handleKey(key->keyCode, key->press);
        }
    };
    // Events an Xlib call took in while it waited for its reply come first; then exactly one read
    // of what the server sent, and the events it brought. Whatever comes meanwhile waits for the
    // next read.
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection)) {
        handle(event);
    }
    for (xcb_generic_event_t* event = xcb_poll_for_event(connection); event;
         event = xcb_poll_for_queued_event(connection)) {
        handle(event);
    }
    if (xcb_connection_has_error(connection) != 0 && !m_lost) {
        // A failed connection stays readable: its notifier would wake the loop without end.
        m_lost = true;
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
        m_arrivals.reset();
        m_down.clear();
        m_keys.forgetSource(xSource);
        emit connectionLost();
    }
    return handled;
}

std::optional<XInputKeySource::RawKey> XInputKeySource::rawKey(const void* event) const
{
    const auto* generic = static_cast<const xcb_ge_generic_event_t*>(event);
    if ((generic->response_type & 0x7F) != XCB_GE_GENERIC || generic->extension != m_opcode ||
        (generic->event_type != XI_RawKeyPress && generic->event_type != XI_RawKeyRelease)) {
        return std::nullopt;
    }
    // A raw event's detail, the X key code, follows its type, device and time.
    constexpr std::size_t detailOffset = 16;
    std::uint32_t detail = 0;
    std::memcpy(&detail, static_cast<const char*>(event) + detailOffset, sizeof detail);
    return RawKey{int(detail), generic->event_type == XI_RawKeyPress};
}

void XInputKeySource::watchIndicators()
{
    Display* dpy = display(m_display);
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(dpy, &opcode, &event, &error, &major, &minor)) {
        return;
    }
    const char* names[] = {"Num Lock", "Caps Lock", "Scroll Lock"};
    for (std::size_t lock = 0; lock < 3; ++lock) {
        int index = -1;
        Bool on = False;
        if (XkbGetNamedIndicator(dpy, XInternAtom(dpy, names[lock], False), &index, &on, nullptr,
                                 nullptr) &&
            index >= 0 && index < 32) {
            m_indicatorBits[lock] = 1u << index;
        }
    }
    unsigned state = 0;
    if (!XkbSelectEventDetails(dpy, XkbUseCoreKbd, XkbIndicatorStateNotify, XkbAllIndicatorsMask,
                               XkbAllIndicatorsMask) ||
        XkbGetIndicatorState(dpy, XkbUseCoreKbd, &state) != Success) {
        return;
    }
    m_xkbEvent = event;
    m_locks = locksOf(state);
}

LockKeys XInputKeySource::locksOf(unsigned indicators) const
{
    LockKeys on = 0;
    for (std::size_t lock = 0; lock < 3; ++lock) {
        if ((indicators & m_indicatorBits[lock]) != 0) {
            on |= LockKeys(1u << lock);
        }
    }
    return on;
}

bool XInputKeySource::indicatorEvent(const void* event)
{
    const auto* bytes = static_cast<const std::uint8_t*>(event);
    if (m_xkbEvent < 0 || (bytes[0] & 0x7F) != m_xkbEvent) {
        return false;
    }
    if (bytes[1] == XkbIndicatorStateNotify) {
        // The state follows the type, sequence, time and device.
        constexpr std::size_t stateOffset = 12;
        std::uint32_t state = 0;
        std::memcpy(&state, bytes + stateOffset, sizeof state);
        if (const LockKeys on = locksOf(state); on != m_locks) {
            m_locks = on;
            emit locksChanged();
        }
    }
    return true;
}

void XInputKeySource::handleKey(int keyCode, bool press)
{
    if (press && !m_down.insert(keyCode).second) {
        return; // already down
    }
    if (!press && m_down.erase(keyCode) == 0) {
        return; // a release of a key that is not down
    }
    if (const auto key = m_keys.feed(xSource, keyCode - xKeyCodeOffset, press ? 1 : 0)) {
        m_sink(*key);
    }
}

} // namespace kelvara
