#pragma once

#include "led/openrgbbackend.h"
#include "support/fakeopenrgbserver.h"

#include <QElapsedTimer>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace kelvara::testing {

inline FakeOpenRgbServer::Device keyboard(QString name = QStringLiteral("Test Keyboard"),
                                          int activeMode = 0)
{
    return FakeOpenRgbServer::keyboard(std::move(name), activeMode);
}

// A protocol peer of the test's on 127.0.0.1 and the backend on it, through a day of the
// service's life.
class OpenRgbPeer : public ::testing::Test
{
protected:
    void start(quint32 version, std::vector<FakeOpenRgbServer::Device> devices)
    {
        server = std::make_unique<FakeOpenRgbServer>(version, std::move(devices));
        backend = std::make_unique<OpenRgbBackend>(QStringLiteral("127.0.0.1"), server->port());
        backend->setRetryIntervals(50, 200);
        backend->setReadBackInterval(200);
        backend->setAnswerLimit(10000); // a busy machine may be slow to answer even on loopback
        at = QStringLiteral("Lighting service at 127.0.0.1:%1: ").arg(server->port());
    }

    // Waits for the condition with passes going on: what the server says is read at a pass.
    bool passUntil(const std::function<bool()>& condition, int milliseconds = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                backend->endPass();
                return condition();
            },
            milliseconds);
    }

    bool received(quint32 packet, std::size_t count)
    {
        return QTest::qWaitFor([&] { return server->received(packet).size() == count; });
    }

    // Passes for that long, each with key A in another colour, as typing gives.
    void type(int milliseconds)
    {
        QElapsedTimer typing;
        typing.start();
        for (int i = 0; typing.elapsed() < milliseconds; ++i) {
            backend->setHidKey(4, i % 100, 0, 0);
            backend->endPass();
            QTest::qWait(30);
        }
    }

    // The mode index of each UPDATEMODE, by device.
    std::map<quint32, std::vector<qint32>> modesSet() const
    {
        std::map<quint32, std::vector<qint32>> modes;
        for (const auto& r : server->received(openrgb::updateMode)) {
            modes[r.deviceId].push_back(qFromLittleEndian<qint32>(r.payload.constData() + 4));
        }
        return modes;
    }

    std::vector<quint32> lastFrame() const
    {
        return FakeOpenRgbServer::colours(server->received(openrgb::updateLeds).back().payload);
    }

    QString at;
    std::unique_ptr<FakeOpenRgbServer> server;
    std::unique_ptr<OpenRgbBackend> backend;
};

} // namespace kelvara::testing
