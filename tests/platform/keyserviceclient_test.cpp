#include "platform/evdevkeysource.h"
#include "platform/keyserviceclient.h"
#include "platform/keyserviceprotocol.h"
#include "platform/keystatetracker.h"
#include "support/pertest.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <linux/input.h>

namespace kelvara {
namespace {

using namespace keyservice;

// A key service that says what it is told to: for each connection in turn it reads the hello,
// prints it, and answers with the given bytes; every connection but the last is closed then.
class ScriptedService
{
public:
    ScriptedService(const QString& path, const std::vector<QByteArray>& answers)
    {
        const QString script = QStringLiteral("import socket, sys\n"
                                              "s = socket.socket(socket.AF_UNIX)\n"
                                              "s.bind(sys.argv[1])\n"
                                              "s.listen(4)\n"
                                              "print('ready', flush=True)\n"
                                              "answers = [bytes.fromhex(a) for a in sys.argv[2:]]\n"
                                              "for i, answer in enumerate(answers):\n"
                                              "    c, _ = s.accept()\n"
                                              "    print(c.recv(8).hex(), flush=True)\n"
                                              "    c.sendall(answer)\n"
                                              "    if i + 1 < len(answers):\n"
                                              "        c.close()\n"
                                              "sys.stdin.read()\n");
        QStringList arguments{QStringLiteral("-c"), script, path};
        for (const QByteArray& answer : answers) {
            arguments.append(QString::fromLatin1(answer.toHex()));
        }
        process.start(QStringLiteral("python3"), arguments);
        EXPECT_TRUE(process.waitForStarted(5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return output().startsWith("ready"); }, 10000));
    }

    ~ScriptedService()
    {
        process.kill();
        process.waitForFinished(5000);
    }

    QByteArray output()
    {
        said += process.readAllStandardOutput();
        return said;
    }

    // The hellos it heard, in order.
    QList<QByteArray> hellos()
    {
        QList<QByteArray> lines = output().trimmed().split('\n');
        lines.removeFirst();
        return lines;
    }

    QProcess process;
    QByteArray said;
};

QByteArray records(std::initializer_list<Record> list)
{
    QByteArray bytes;
    for (const Record& record : list) {
        bytes += encodeRecord(record);
    }
    return bytes;
}

const Record flowing{Kind::Delivery, 1, 0};
const Record pressA{Kind::Key, 1, KEY_A};

class KeyServiceClientTest : public ::testing::Test
{
protected:
    QString path() const { return folder.filePath(QStringLiteral("keys.socket")); }

    QTemporaryDir folder;
    KeyStateTracker tracker;
    int keys = 0;
    TrackedKeys tracked{tracker, [this](const Event&) {
                            ++keys;
                        }};
    KeyServiceClient client{tracked};
};

// Version 2: the lock record is the source's lock state; a record of a kind the client does not
// know is skipped, said once, and the keys after it still come.
TEST_F(KeyServiceClientTest, ReadsTheLocksAndSkipsRecordsItDoesNotKnow)
{
    QByteArray unknown("\x09\x00\x00\x00", 4);
    ScriptedService service(path(), {encodeHello(2) + records({flowing, {Kind::Locks, 2, 0}}) +
                                     unknown + unknown + records({pressA})});
    ASSERT_TRUE(client.start(path()));
    EXPECT_EQ(client.version(), 2u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return keys == 1; }, 5000));
    EXPECT_EQ(tracked.locks(), capsLock);
    EXPECT_TRUE(client.isServing());
    EXPECT_EQ(testing::logged().filter(QStringLiteral("does not know")).size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.hellos().size() == 1; }, 5000));
    EXPECT_EQ(service.hellos(), QList<QByteArray>{encodeHello(2).toHex()});
}

// A service of version 1 answers a version 2 hello with its own version and hangs up: it is
// asked again as version 1 and serves keys, and tells no locks.
TEST_F(KeyServiceClientTest, AnOlderServiceIsAskedAgainInItsVersion)
{
    ScriptedService service(path(), {encodeHello(1), encodeHello(1) + records({flowing, pressA})});
    ASSERT_TRUE(client.start(path()));
    EXPECT_EQ(client.version(), 1u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return keys == 1; }, 5000));
    EXPECT_EQ(tracked.locks(), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.hellos().size() == 2; }, 5000));
    EXPECT_EQ(service.hellos(),
              (QList<QByteArray>{encodeHello(2).toHex(), encodeHello(1).toHex()}));
}

} // namespace
} // namespace kelvara
