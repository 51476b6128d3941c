#include "platform/xinputkeysource.h"

#include "platform/keystatetracker.h"

#include <QSocketNotifier>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace kelvara {

namespace {

// X key codes are Linux key codes plus 8.
constexpr int xKeyCodeOffset = 8;
// The tracker's source id for the X server.
constexpr int xSource = -1;

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
    if (m_display) {
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
    XFlush(dpy);
    m_display = dpy;
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(dpy), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &XInputKeySource::readEvents);
    return true;
}

void XInputKeySource::readEvents()
{
    Display* dpy = display(m_display);
    // One read of what the server sent; Xlib may also hold events from before, which would not
    // wake the notifier again. Whatever comes meanwhile waits for the next call.
    XEventsQueued(dpy, QueuedAfterReading);
    while (XEventsQueued(dpy, QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(dpy, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_opcode ||
            !XGetEventData(dpy, cookie)) {
            continue;
        }
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        const int keyCode = raw->detail;
        const bool press = cookie->evtype == XI_RawKeyPress;
        XFreeEventData(dpy, cookie);
        if (press && !m_down.insert(keyCode).second) {
            continue; // already down
        }
        if (!press && m_down.erase(keyCode) == 0) {
            continue; // a release of a key that is not down
        }
        if (const auto key = m_keys.feed(xSource, keyCode - xKeyCodeOffset, press ? 1 : 0)) {
            m_sink(*key);
        }
    }
}

} // namespace kelvara
