// The key service with keyboards that are pipes, logind standing in on a bus of the test's own,
// and clients of two users: root in this process, and "nobody" in a process of its own.

#include "keyservice/keyservice.h"
#include "keyservice/sessiongate.h"
#include "led/openrgbbackend.h"
#include "support/applicationfixture.h"
#include "support/fakeopenrgbserver.h"
#include "support/keypipe.h"
#include "support/logindstandin.h"
#include "support/pertest.h"
#include "support/privatebus.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

namespace kelvara {
namespace {

using namespace keyservice;
using Records = std::vector<Record>;
using testing::logged;

const Record flowing{Kind::Delivery, 1, 0};
const Record resting{Kind::Delivery, 0, 0};

Record key(int code, int value)
{
    return Record{Kind::Key, std::uint8_t(value), std::uint16_t(code)};
}

Records decode(const QByteArray& bytes)
{
    Records records;
    for (qsizetype at = helloSize; at + recordSize <= bytes.size(); at += recordSize) {
        records.push_back(decodeRecord(bytes.constData() + at).value_or(Record{}));
    }
    return records;
}

bool has(const Records& records, const Record& record)
{
    return std::find(records.begin(), records.end(), record) != records.end();
}

// A client in this process, as root.
struct Client
{
    explicit Client(const QString& path, const QByteArray& says = encodeHello())
    {
        QObject::connect(&socket, &QLocalSocket::readyRead, [this] { bytes += socket.readAll(); });
        socket.connectToServer(path);
        EXPECT_TRUE(socket.waitForConnected(2000));
        socket.write(says);
    }

    Records records() const { return decode(bytes); }

    QLocalSocket socket;
    QByteArray bytes;
};

// A client in a process of its own, as "nobody" or as root: it says hello, waits as long as it is
// told before it reads anything, then prints what it reads.
struct ProcessClient
{
    ProcessClient(const QString& path, bool asNobody, int waitMs = 0)
    {
        const QString script =
            QStringLiteral("import os, socket, struct, sys, time\n"
                           "s = socket.socket(socket.AF_UNIX)\n"
                           "s.connect(sys.argv[1])\n"
                           "s.sendall(b'KLVK' + struct.pack('<I', 1))\n"
                           "time.sleep(%1)\n"
                           "for data in iter(lambda: s.recv(4096), b''): os.write(1, data)\n")
                .arg(waitMs / 1000.0);
        QStringList command{QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"), script, path};
        if (asNobody) {
            command =
                QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                            QStringLiteral("--clear-groups")} +
                command;
        }
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { bytes += process.readAllStandardOutput(); });
        process.start(asNobody ? QStringLiteral("setpriv") : command.takeFirst(), command);
        EXPECT_TRUE(process.waitForStarted(5000));
    }

    ~ProcessClient()
    {
        process.kill();
        process.waitForFinished(5000);
    }

    Records records() const { return decode(bytes); }

    QProcess process;
    QByteArray bytes;
};

class KeyServiceTest : public ::testing::Test
{
protected:
    KeyServiceTest()
    {
        QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                                 QFileDevice::ExeOther);
        logind.setSession(QStringLiteral("c1"), {}, false); // root's
        logind.setActiveSession(QStringLiteral("c1"), false);
        gate = std::make_unique<SessionGate>(bus.connect(QStringLiteral("keyservice")));
        service = std::make_unique<KeyService>(*gate);
        EXPECT_TRUE(service->listen(path()));
        service->devices().addDescriptor(keyboard.readEnd(), QStringLiteral("pipe keyboard"));
    }

    QString path() const { return folder.filePath(QStringLiteral("keys.socket")); }

    template <typename C> bool lastIs(const C& client, const Record& record)
    {
        return QTest::qWaitFor([&] {
            const Records r = client.records();
            return !r.empty() && r.back() == record;
        });
    }

    QTemporaryDir folder;
    testing::PrivateBus bus;
    testing::LogindStandIn logind{bus.connect(QStringLiteral("logind"))};
    std::unique_ptr<SessionGate> gate;
    std::unique_ptr<KeyService> service;
    testing::KeyPipe keyboard;
};

TEST_F(KeyServiceTest, KeysGoOnlyToTheUserAtTheActiveUnlockedSeatAndNeverLate)
{
    ASSERT_TRUE(logind.isServing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->allowedUid() == 0u; }));
    Client root(path());
    ProcessClient nobody(path(), true);
    ASSERT_TRUE(lastIs(root, flowing));
    ASSERT_TRUE(lastIs(nobody, resting));

    keyboard.type({{KEY_A, 1}, {KEY_A, 2}, {KEY_A, 0}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return root.records().size() == 4; }));
    EXPECT_EQ(root.records(), (Records{flowing, key(KEY_A, 1), key(KEY_A, 2), key(KEY_A, 0)}));

    // Locked: keys typed on the lock screen go nowhere, then or later.
    logind.setSession(QStringLiteral("c1"), {.locked = true});
    ASSERT_TRUE(lastIs(root, resting));
    keyboard.type({{KEY_B, 1}, {KEY_B, 0}});
    logind.setSession(QStringLiteral("c1"), {});
    ASSERT_TRUE(lastIs(root, flowing));
    keyboard.type({{KEY_C, 1}});
    ASSERT_TRUE(lastIs(root, key(KEY_C, 1)));

    // Another user's session comes to the front: its user gets keys, root none.
    logind.setSession(QStringLiteral("c2"), {.uid = 65534}, false);
    logind.setActiveSession(QStringLiteral("c2"));
    ASSERT_TRUE(lastIs(root, resting));
    ASSERT_TRUE(lastIs(nobody, flowing));
    keyboard.type({{KEY_D, 1}});
    ASSERT_TRUE(lastIs(nobody, key(KEY_D, 1)));

    // A lock whose signal went missing holds at the next check; then logind goes away.
    logind.setSession(QStringLiteral("c2"), {.uid = 65534, .locked = true}, false);
    gate->recheck();
    ASSERT_TRUE(lastIs(nobody, resting));
    logind.setSession(QStringLiteral("c2"), {.uid = 65534});
    ASSERT_TRUE(lastIs(nobody, flowing));
    logind.leave();
    ASSERT_TRUE(lastIs(nobody, resting));
    keyboard.type({{KEY_E, 1}, {KEY_E, 0}});
    QTest::qWait(200);

    for (const int code : {KEY_B, KEY_D, KEY_E}) {
        EXPECT_FALSE(has(root.records(), key(code, 1))) << code;
    }
    for (const int code : {KEY_A, KEY_B, KEY_C, KEY_E}) {
        EXPECT_FALSE(has(nobody.records(), key(code, 1))) << code;
    }
    EXPECT_EQ(logged().filter(QStringLiteral("go to nobody")).size(), 3);
}

// A version 2 client hears of the lock lights at hello and at every change; a version 1 client
// gets exactly what it always did.
TEST_F(KeyServiceTest, LockLightsGoToVersionTwoClientsAndVersionOneReadsAsBefore)
{
    testing::KeyPipe lit;
    service->devices().addDescriptor(lit.readEnd(), QStringLiteral("lit keyboard"), capsLock);
    const Record caps{Kind::Locks, capsLock, 0};
    Client two(path());
    Client one(path(), encodeHello(1));
    ASSERT_TRUE(lastIs(two, caps));
    ASSERT_TRUE(lastIs(one, flowing));
    EXPECT_TRUE(two.bytes.startsWith(encodeHello(2)));

    const input_event numOn{{}, EV_LED, LED_NUML, 1};
    const input_event report{{}, EV_SYN, SYN_REPORT, 0};
    lit.write(std::array{numOn, report});
    const Record both{Kind::Locks, LockKeys(capsLock | numLock), 0};
    ASSERT_TRUE(lastIs(two, both));
    keyboard.press({KEY_A});
    ASSERT_TRUE(lastIs(one, key(KEY_A, 0)));
    ASSERT_TRUE(lastIs(two, key(KEY_A, 0)));
    // Whether keys flowed at hello depends on when the seat was known; the rest is fixed.
    EXPECT_TRUE(one.bytes.startsWith(encodeHello(1)));
    EXPECT_TRUE(one.bytes.endsWith(encodeRecord(flowing) + encodeRecord(key(KEY_A, 1)) +
                                   encodeRecord(key(KEY_A, 0))));
    for (const Record& record : one.records()) {
        EXPECT_NE(record.kind, Kind::Locks);
    }
    const Records heard = two.records();
    const Records tail(heard.end() - 4, heard.end());
    EXPECT_EQ(tail, (Records{caps, both, key(KEY_A, 1), key(KEY_A, 0)}));
}

TEST_F(KeyServiceTest, AClientThatNeverReadsLosesRecordsNotTheServicesMemory)
{
    ProcessClient silent(path(), false, 3000); // reads nothing for three seconds
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->clientCount() == 1; }));

    qint64 largest = 0;
    for (int batch = 0; batch < 20; ++batch) { // 10,000 records
        for (int i = 0; i < 250; ++i) {
            keyboard.type({{KEY_A, 1}, {KEY_A, 0}});
        }
        QTest::qWait(20);
        largest = std::max(largest, service->largestBacklog());
    }
    EXPECT_LE(largest, KeyService::backlogLimit);
    EXPECT_GT(largest, 0) << "the kernel's buffer never filled";

    // Once it reads, it learns that records were lost.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return has(silent.records(), Record{Kind::Lost, 0, 0});
        },
        10000));
}

TEST_F(KeyServiceTest, AClientSendingAnythingButOneHelloIsCutOffAndTheOthersGoOn)
{
    Client good(path());
    Client stranger(path(), "GET / HTTP/1.1\r\n\r\n");
    Client chatty(path());
    Client silent(path(), {}); // has not said hello yet: of the right user, but gets nothing
    ASSERT_TRUE(lastIs(chatty, flowing));
    chatty.socket.write("more");
    const auto gone = [](Client& c) {
        return c.socket.state() == QLocalSocket::UnconnectedState;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone(stranger) && gone(chatty); }));
    keyboard.type({{KEY_A, 1}});
    ASSERT_TRUE(lastIs(good, key(KEY_A, 1)));
    EXPECT_EQ(logged().filter(QStringLiteral("was ended")).size(), 2)
        << logged().join('\n').toStdString();
    EXPECT_TRUE(silent.bytes.isEmpty());

    // A keyboard that goes away may take held keys with it: the clients are told.
    keyboard.unplug();
    ASSERT_TRUE(lastIs(good, (Record{Kind::Lost, 0, 0})));

    // With nobody left it says it is idle.
    service->setIdleTime(100);
    QSignalSpy idle(service.get(), &KeyService::idle);
    QTest::qWait(200);
    EXPECT_EQ(idle.count(), 0);
    good.socket.disconnectFromServer();
    silent.socket.disconnectFromServer();
    EXPECT_TRUE(idle.wait(2000));
}

// The service in a thread of its own, as it is a process of its own beside Kelvara.
struct ServiceThread
{
    ServiceThread(const QDBusConnection& bus, const QString& path, int device)
    {
        thread.start();
        context->moveToThread(&thread);
        QMetaObject::invokeMethod(
            context,
            [&] {
                gate = std::make_unique<SessionGate>(bus);
                service = std::make_unique<KeyService>(*gate);
                listening = service->listen(path);
                service->devices().addDescriptor(device, QStringLiteral("pipe keyboard"));
            },
            Qt::BlockingQueuedConnection);
    }

    ~ServiceThread()
    {
        QMetaObject::invokeMethod(
            context,
            [this] {
                service.reset();
                gate.reset();
                delete context;
            },
            Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }

    QThread thread;
    QObject* context = new QObject;
    std::unique_ptr<SessionGate> gate;
    std::unique_ptr<KeyService> service;
    bool listening = false;
};

// A Wayland session where Kelvara reads no device and no X server: with the key service
// answering, a key typed lights its key through the protocol peer, and nobody is asked for
// access.
class KeysThroughTheService : public testing::ApplicationTest
{
protected:
    testing::ScopedEnv session{"XDG_SESSION_TYPE", "wayland"};
};

TEST_F(KeysThroughTheService, AKeyFedToTheServiceLightsItsKeyAndNoSheetIsShown)
{
    testing::PrivateBus bus;
    testing::LogindStandIn logind(bus.connect(QStringLiteral("logind")));
    logind.setSession(QStringLiteral("c1"), {.uid = uint(getuid())}, false);
    logind.setActiveSession(QStringLiteral("c1"), false);
    testing::KeyPipe keyboard;
    std::optional<ServiceThread> keys(std::in_place, bus.connect(QStringLiteral("keyservice")),
                                      devices.filePath(QStringLiteral("keys.socket")),
                                      keyboard.readEnd());
    ASSERT_TRUE(keys->listening);

    const testing::FakeOpenRgbServer::Device board = testing::FakeOpenRgbServer::keyboard();
    testing::FakeOpenRgbServer lights(6, {board}, port);
    installLedBackend(std::make_unique<OpenRgbBackend>(QStringLiteral("127.0.0.1"), port));
    delegate->keyServicePath = devices.filePath(QStringLiteral("keys.socket"));
    launch(false);
    EXPECT_EQ(delegate->globalKeyInput.source(), GlobalKeyInput::Source::KeyService);
    EXPECT_FALSE(delegate->permissionSheet->isVisible());
    EXPECT_EQ(logged().filter(QStringLiteral("Reading key presses from the key service")).size(),
              1);
    delegate->eventMonitors.setActiveCheck([] { return false; }); // typed into another program

    const auto colourOf = [&](std::size_t led) {
        const auto frames = lights.received(openrgb::updateLeds);
        return frames.empty()
                   ? std::optional<quint32>()
                   : std::optional(testing::FakeOpenRgbServer::colours(frames.back().payload)[led]);
    };
    const std::size_t a = board.led(QStringLiteral("Key: A"));
    const auto colourOfA = [&] {
        return colourOf(a);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return colourOfA().has_value(); }));
    const quint32 before = *colourOfA();
    keyboard.report({{KEY_A, 1}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return colourOfA() != before; }, 5000));

    // The keyboard's Caps Lock light, told by the service's lock record, lights its key white.
    const std::size_t caps = board.led(QStringLiteral("Key: Caps Lock"));
    constexpr quint32 white = 0xFFFFFF;
    keyboard.write(
        std::array{input_event{{}, EV_LED, LED_CAPSL, 1}, input_event{{}, EV_SYN, SYN_REPORT, 0}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return colourOf(caps) == white; }, 5000));
    EXPECT_EQ(delegate->globalKeyInput.lockKeys(), capsLock);

    // The screen locked and unlocked: the key service rests and goes on, each said once.
    const auto said = [](const char* line) {
        return logged().filter(QLatin1String(line)).size();
    };
    // While it rests nothing tells the locks; once keys flow again, they are told again.
    logind.setSession(QStringLiteral("c1"), {.uid = uint(getuid()), .locked = true});
    EXPECT_TRUE(QTest::qWaitFor([&] { return said("The key service rests") == 1; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return colourOf(caps) != white; }, 5000));
    logind.setSession(QStringLiteral("c1"), {.uid = uint(getuid())});
    EXPECT_TRUE(QTest::qWaitFor([&] { return said("The key service passes on") == 2; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return colourOf(caps) == white; }, 5000));

    // The service ends: with no X server either, nothing is left to read keys from.
    keys.reset();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return delegate->globalKeyInput.source() == GlobalKeyInput::Source::None; }));
    EXPECT_EQ(said("The key service went away."), 1);
}

} // namespace
} // namespace kelvara
