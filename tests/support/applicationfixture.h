#pragma once

#include "app/appdelegate.h"
#include "platform/urlopener.h"
#include "prefs/preferencestore.h"
#include "support/fakekeepawake.h"
#include "support/pertest.h"
#include "support/recordingledbackend.h"

#include <QApplication>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvara::testing {

// The whole program on the offscreen platform: the delegate with its windows, the recording LED
// backend, a lighting service that is a real socket (or none), no readable input device.
class ApplicationTest : public ::testing::Test
{
protected:
    ApplicationTest()
    {
        const std::unique_ptr<QSettings> store = openPreferenceStore();
        store->clear();
        store->setValue(QStringLiteral("lightingServicePort"), port);
        store->sync();
        auto backend = std::make_unique<RecordingLedBackend>();
        leds = backend.get();
        leds->onLifecycle = [this](const char* step) {
            steps.emplace_back(step);
        };
        installLedBackend(std::move(backend));
        activity.steps = &steps;
        setUrlOpenerSink([this](const QUrl& url) { opened.push_back(url); });
        delegate = makeDelegate();
    }

    ~ApplicationTest() override
    {
        delegate.reset();
        installLedBackend(nullptr);
        setUrlOpenerSink({});
        openPreferenceStore()->clear();
        QApplication::setQuitOnLastWindowClosed(true);
    }

    // A delegate that reads no input device and no key service, and sees a tray if told to.
    std::unique_ptr<AppDelegate> makeDelegate()
    {
        auto made = std::make_unique<AppDelegate>(
            std::make_unique<KelvaraActions>(std::make_unique<FakeKeepAwake>(&activity)));
        made->inputDeviceDirectory = devices.path();
        made->keyServicePath = devices.filePath(QStringLiteral("no-key-service"));
        made->trayAvailable = [this] {
            return withTray;
        };
        return made;
    }

    void launch(bool serviceRunning)
    {
        if (serviceRunning) {
            service.listen(QHostAddress::LocalHost, port);
        }
        delegate->applicationDidFinishLaunching();
    }

    // The key's colour as the keyboard got it last.
    RecordingLedBackend::KeyCall lastSent(std::int64_t hid) const
    {
        return leds->lastSent(RecordingLedBackend::Kind::Hid, hid)
            .value_or(RecordingLedBackend::KeyCall{});
    }

    void tickUntilIdle()
    {
        for (int i = 0; i < 200 && delegate->theApp->animationInterval < 1.0; ++i) {
            delegate->theApp->animationStep(nullptr);
        }
    }

    ScopedEnv noDisplay{"DISPLAY", nullptr}; // no X server either: other programs' keys unseen
    QTemporaryDir devices;
    QTcpServer service;
    quint16 port = [this] {
        service.listen(QHostAddress::LocalHost);
        const quint16 p = service.serverPort();
        service.close();
        return p;
    }();
    RecordingLedBackend* leds = nullptr;
    bool withTray = false;
    FakeKeepAwake::Counts activity;
    std::vector<std::string> steps;
    std::vector<QUrl> opened;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace kelvara::testing
