// One key press on its way, measured in one thread: from a pipe that stands for a keyboard,
// through the key service, to a client socket that has read its record; and Kelvara's own cost of
// a key read from an input device against one read from the key service. At 10 key presses a
// second (20 records, press and release) the service's share of one core is 20 times the first.

#include "keyservice/keyservice.h"
#include "keyservice/sessiongate.h"
#include "platform/evdevkeysource.h"
#include "platform/keyserviceclient.h"
#include "platform/keystatetracker.h"
#include "platform/systemlog.h"
#include "support/logindstandin.h"
#include "support/privatebus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace kelvara;

// Runs the event loop until the condition holds, for up to a second.
bool spinUntil(const std::function<bool()>& condition)
{
    QElapsedTimer waited;
    waited.start();
    while (!condition() && waited.elapsed() < 1000) {
        QCoreApplication::processEvents();
    }
    return condition();
}

void writeKey(int fd, int value)
{
    const input_event records[] = {{{}, EV_KEY, KEY_A, value}, {{}, EV_SYN, SYN_REPORT, 0}};
    benchmark::DoNotOptimize(::write(fd, records, sizeof records));
}

void BM_KeyServicePassesOneRecord(benchmark::State& state)
{
    setSystemLogSink([](const QString&) {});
    testing::PrivateBus bus;
    testing::LogindStandIn logind(bus.connect(QStringLiteral("logind")));
    logind.setSession(QStringLiteral("c1"), {.uid = uint(getuid())}, false);
    logind.setActiveSession(QStringLiteral("c1"), false);
    SessionGate gate(bus.connect(QStringLiteral("service")));
    KeyService service(gate);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("keys.socket"));
    int fds[2];
    if (!service.listen(path) || pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        state.SkipWithError("no socket or pipe");
        return;
    }
    service.devices().addDescriptor(fds[0], QStringLiteral("pipe keyboard"));
    QLocalSocket client;
    client.connectToServer(path);
    client.write(keyservice::encodeHello());
    qint64 received = 0;
    QObject::connect(&client, &QLocalSocket::readyRead,
                     [&] { received += client.readAll().size(); });
    if (!spinUntil([&] { return gate.allowedUid().has_value() && received >= 12; })) {
        state.SkipWithError("the service never let keys through");
        return;
    }
    int value = 1;
    for (auto _ : state) {
        const qint64 before = received;
        writeKey(fds[1], value);
        value = 1 - value;
        spinUntil([&] { return received >= before + keyservice::recordSize; });
    }
    ::close(fds[1]);
    setSystemLogSink({});
}

BENCHMARK(BM_KeyServicePassesOneRecord);

// A key record to one key event at Kelvara's monitors, from an input device (0) or from the key
// service (1).
void BM_KelvaraReadsOneRecord(benchmark::State& state)
{
    setSystemLogSink([](const QString&) {});
    KeyStateTracker keys;
    int events = 0;
    TrackedKeys tracked(keys, [&](const Event&) { ++events; });
    EvdevKeySource device(tracked);
    KeyServiceClient service(tracked);
    QTemporaryDir folder;
    int fds[2] = {-1, -1};
    const bool throughService = state.range(0) == 1;
    if (throughService) {
        // A service stand-in that answers the hello from a thread of its own, then is written
        // to from here.
        const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("keys.socket")));
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener, 1);
        std::thread answering([&] {
            fds[1] = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            char hello[keyservice::helloSize];
            benchmark::DoNotOptimize(::read(fds[1], hello, sizeof hello));
            const QByteArray answer = keyservice::encodeHello() +
                                      keyservice::encodeRecord({keyservice::Kind::Delivery, 1, 0});
            benchmark::DoNotOptimize(
                ::write(fds[1], answer.constData(), std::size_t(answer.size())));
        });
        const bool serving = service.start(QFile::decodeName(path));
        answering.join();
        ::close(listener);
        if (!serving) {
            state.SkipWithError("the stand-in did not answer");
            return;
        }
    } else if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        device.addDescriptor(fds[0], QStringLiteral("pipe keyboard"));
    }
    int value = 1;
    for (auto _ : state) {
        const int before = events;
        if (throughService) {
            const QByteArray record = keyservice::encodeRecord(
                {keyservice::Kind::Key, std::uint8_t(value), std::uint16_t(KEY_A)});
            benchmark::DoNotOptimize(::write(fds[1], record.constData(), keyservice::recordSize));
        } else {
            writeKey(fds[1], value);
        }
        spinUntil([&] { return events > before || value == 0; });
        value = 1 - value; // a release makes no event
    }
    ::close(fds[1]);
    setSystemLogSink({});
}

BENCHMARK(BM_KelvaraReadsOneRecord)->Arg(0)->Arg(1);

} // namespace
