#pragma once

#include "led/keyboardframes.h"
#include "led/ledbackend.h"
#include "led/openrgblink.h"
#include "led/openrgbprotocol.h"
#include "led/otherwriterwatch.h"
#include "led/savedmodes.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace kelvara {

// The LED calls over an OpenRGB SDK server: every keyboard it offers is switched to its Direct
// mode, the per-key calls of a sampling pass fill one colour buffer per keyboard, and one
// UPDATELEDS per keyboard goes out when the pass ends. Only init() waits, briefly, for the
// handshake of a server that answers at once; afterwards everything runs on the main thread without
// blocking, and a lost server is tried again in the background. What it finds is kept in
// serviceStatus(): whether the service runs, why it cannot be used, and which keyboards another
// program writes to as well. Shutdown and a pause put back the mode each keyboard had; while
// paused, no connection, listing or wake-up takes a keyboard over. The session and its
// state are in openrgbbackend.cpp, the device list in openrgbdevicelist.cpp, the frames in
// openrgbframes.cpp.
class OpenRgbBackend : public QObject, public LedBackend
{
    Q_OBJECT

public:
    OpenRgbBackend(QString host, quint16 port, QObject* parent = nullptr);
    ~OpenRgbBackend() override;

    bool init() override;
    bool sdkVersion(int* majorNum, int* minorNum, int* buildNum) override;
    bool setHidKey(int hidCode, int red, int green, int blue) override;
    bool setNamedKey(unsigned int keyName, int red, int green, int blue) override;
    void endPass() override;
    void shutdown() override;
    // Keyboards may wake in their own effect: each gets its Direct mode and a whole frame again.
    void wake() override;

    std::span<const QPointF> extraPlaces() const override { return m_frames.places(); }

    void setPlaceColour(std::size_t place, int red, int green, int blue) override;
    void setDrawnKeyColour(std::size_t key, int red, int green, int blue) override;

    // Controllers listed, and frames go out to the keyboards among them.
    bool isRunning() const { return m_stage == Stage::Running; }

    std::size_t keyboardCount() const { return m_frames.keyboards().size(); }

    // The keyboards taken over, with where each LED takes its colour from.
    const std::vector<KeyboardFrames::Keyboard>& keyboards() const { return m_frames.keyboards(); }

    quint32 protocolVersion() const { return m_version; }

    // How long to wait between tries while the server is away, and while it refuses.
    void setRetryIntervals(int awayMs, int refusingMs);

    // How long init() waits for the server's first word before leaving the handshake to the
    // background.
    void setAnswerLimit(int milliseconds) { m_answerLimit = milliseconds; }

    // How long a version 6 server may leave frames unanswered before it counts as gone.
    void setSilenceLimit(int milliseconds) { m_silence.setInterval(milliseconds); }

    // How often a server below version 6 is asked for the keyboards' colours, to see whether
    // another program writes to them.
    void setReadBackInterval(int milliseconds) { m_readBack.setInterval(milliseconds); }

private:
    enum class Stage
    {
        Disconnected,
        Connecting,
        Version,
        Ids,
        Controllers,
        Running
    };

    void connectNow();
    void connected();
    void replyTimedOut();
    void answerAwaited();
    void handle(const openrgb::Packet& packet);
    void handleVersion(const openrgb::Packet& packet);
    void handleControllerData(const openrgb::Packet& packet);
    void listControllers();
    void requestNextController();
    void addController(quint32 id, const openrgb::Controller& controller);
    void takeOver();
    // The LEDs of the keys of the keyboard the window draws, for setDrawnKeyColour.
    void followDrawnKeyboard();
    void sendFrames();
    void readBack();
    void otherColoursSeen(quint32 id, std::span<const quint32> colours);
    void pausedChanged(bool paused) override;
    // Sends each keyboard the mode it had before it was taken over; answers how many got one.
    int handBack();
    void lost(const QString& why);
    void refuse(const QString& why);
    void report(LightingServiceState::Status status, const QString& reason);
    void tellOnce(const QString& line);

    QString m_host;
    quint16 m_port;
    OpenRgbLink m_link;
    Stage m_stage = Stage::Disconnected;
    quint32 m_version = 0;
    std::vector<quint32> m_pendingIds;
    std::size_t m_listed = 0; // controllers in the listing under way
    KeyboardFrames m_frames;
    QByteArray m_encoded; // the last frames encoded, its room kept for the next
    SavedModes m_savedModes;
    OtherWriterWatch m_writers;
    std::set<QString> m_told; // lines about controllers left alone, each logged once
    QTimer m_retry;
    int m_retryAway = 2000;      // ms
    int m_retryRefusing = 30000; // ms
    QTimer m_replyTimeout;
    // Runs while frames wait for a version 6 server's first word since they went out.
    QTimer m_silence;
    QTimer m_readBack;
    bool m_wanted = false;
    bool m_shutDown = false;
    bool m_wasRunning = false; // this connection had the keyboards
    bool m_frameOnTakeOver = false;
    bool m_answered = false; // the server has said something on this connection
    int m_answerLimit = 0;   // ms
    int m_modeAcks = 0;
};

} // namespace kelvara
