#pragma once

#include "led/keyboardframes.h"
#include "led/ledbackend.h"
#include "led/openrgbprotocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <map>
#include <utility>
#include <vector>

namespace kelvara {

// The LED calls over an OpenRGB SDK server: every keyboard it offers is switched to its Direct
// mode, the per-key calls of a sampling pass fill one colour buffer per keyboard, and one
// UPDATELEDS per keyboard goes out when the pass ends. Only init() waits, briefly, for the
// handshake; afterwards everything runs on the main thread without blocking, and a lost server
// is tried again every couple of seconds. Shutdown puts back the mode each keyboard had.
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

    std::span<const QPointF> extraPlaces() const override { return m_frames.places(); }

    void setPlaceColour(std::size_t place, int red, int green, int blue) override;

    // Keyboards taken over and ready for frames.
    bool isRunning() const { return m_stage == Stage::Running; }

    std::size_t keyboardCount() const { return m_frames.keyboards().size(); }

    // The keyboards taken over, with where each LED takes its colour from.
    const std::vector<KeyboardFrames::Keyboard>& keyboards() const { return m_frames.keyboards(); }

    quint32 protocolVersion() const { return m_version; }

    // How long to wait between tries while the server is away.
    void setRetryInterval(int milliseconds) { m_retry.setInterval(milliseconds); }

    // How long a version 6 server may leave frames unanswered before it counts as gone.
    void setSilenceLimit(int milliseconds) { m_silence.setInterval(milliseconds); }

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

    struct SavedMode
    {
        qint32 index;
        openrgb::Mode mode;
        std::vector<quint32> colours;
    };

    void connectNow();
    void replyTimedOut();
    void connected();
    void readIncoming();
    void processIncoming();
    void readQuietly();
    void stopReadingQuietly();
    void handle(const openrgb::Packet& packet);
    void listControllers();
    void requestNextController();
    void addController(quint32 id, const openrgb::Controller& controller);
    void takeOver();
    void lost(const QString& why);
    void send(const QByteArray& bytes);
    void sendFrames(const QByteArray& bytes);

    QString m_host;
    quint16 m_port;
    QTcpSocket m_socket;
    openrgb::PacketReader m_reader;
    Stage m_stage = Stage::Disconnected;
    quint32 m_version = 0;
    std::vector<quint32> m_pendingIds;
    KeyboardFrames m_frames;
    std::map<QString, SavedMode> m_savedModes; // by controller name, as first found
    QTimer m_retry;
    QTimer m_replyTimeout;
    // Runs while frames wait for a version 6 server's first word since they went out.
    QTimer m_silence;
    bool m_wanted = false;
    bool m_shutDown = false;
    bool m_reportedLoss = false;
    int m_modeAcks = 0;
    // While keyboards are taken over, what the server sends back (a version 6 server answers every
    // frame) is read at a later pass instead of waking the event loop for it: at most every
    // readInterval, as the answers are only there to be drained and to show the server is alive.
    // The socket then keeps one byte, already handled, so that it stops watching for more.
    bool m_quiet = false;
    bool m_heldByte = false;
    QElapsedTimer m_sinceRead;
};

} // namespace kelvara
