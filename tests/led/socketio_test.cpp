#include "led/socketio.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

namespace kelvara {
namespace {

// A connected pair of stream sockets: what one end writes, the other reads.
class SocketPair : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, m_ends), 0); }

    void TearDown() override
    {
        for (int& end : m_ends) {
            if (end >= 0) {
                ::close(end);
            }
        }
    }

    void write(const QByteArray& bytes)
    {
        ASSERT_EQ(::write(m_ends[1], bytes.constData(), std::size_t(bytes.size())),
                  ssize_t(bytes.size()));
    }

    void closeWriter()
    {
        ::close(m_ends[1]);
        m_ends[1] = -1;
    }

    ReadOutcome read(QByteArray& into, qsizetype maxBytes)
    {
        QString why;
        const ReadOutcome outcome = readWithoutWaiting(m_ends[0], into, maxBytes, why);
        EXPECT_EQ(why.isEmpty(), outcome != ReadOutcome::Failed);
        return outcome;
    }

private:
    int m_ends[2] = {-1, -1};
};

TEST_F(SocketPair, ReadsWhatIsThereUpToItsLimitAndAppendsIt)
{
    QByteArray answers(100 * 1024, 'a'); // more than one read's worth
    for (qsizetype i = 0; i < answers.size(); ++i) {
        answers[i] = char('a' + i % 26);
    }
    write(answers);
    QByteArray into("held");
    EXPECT_EQ(read(into, 1024 * 1024), ReadOutcome::Open);
    EXPECT_EQ(into, "held" + answers);

    into.clear();
    EXPECT_EQ(read(into, 1024 * 1024), ReadOutcome::Open); // nothing there: nothing taken
    EXPECT_TRUE(into.isEmpty());

    write("0123456789");
    EXPECT_EQ(read(into, 4), ReadOutcome::Open);
    EXPECT_EQ(into, "0123");
    EXPECT_EQ(read(into, 1024), ReadOutcome::Open); // the rest at the next call
    EXPECT_EQ(into, "0123456789");
}

TEST_F(SocketPair, AClosedPeerIsToldOnceWhatItSentHasBeenRead)
{
    write("last");
    closeWriter();
    QByteArray into;
    EXPECT_EQ(read(into, 1024), ReadOutcome::Open);
    EXPECT_EQ(into, "last");
    EXPECT_EQ(read(into, 1024), ReadOutcome::Closed);
    EXPECT_EQ(into, "last");
}

TEST(ReadWithoutWaiting, ABadDescriptorFailsWithAReason)
{
    QByteArray into("kept");
    QString why;
    EXPECT_EQ(readWithoutWaiting(-1, into, 1024, why), ReadOutcome::Failed);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(into, "kept");
}

} // namespace
} // namespace kelvara
