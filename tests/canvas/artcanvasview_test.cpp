#include "canvas/backgroundpictures.h"
#include "support/enginefixture.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

// A window that counts the key presses its children let through.
class CountingWindow : public QWidget
{
public:
    int keyPresses = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        ++keyPresses;
        event->ignore();
    }
};

class CanvasTest : public testing::EngineFixture
{
protected:
    CanvasTest()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(30, 40, 0, 0);
        canvas.setParent(&window);
        layout->addWidget(&canvas);
        button = new QPushButton(QStringLiteral("Other"), &window);
        layout->addWidget(button);
        window.show();
        canvas.setFocus();
    }

    ~CanvasTest() override { canvas.setParent(nullptr); }

    void press(const QPointF& at, Qt::MouseButton which = Qt::LeftButton)
    {
        QMouseEvent event(
            QEvent::MouseButtonPress, at, canvas.mapToGlobal(at), which, which, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
    }

    // A key event with the native scan code of a Linux key (X11 and Wayland give evdev + 8).
    void sendCtrlKey(int evdevCode, Qt::Key producedKey, Qt::KeyboardModifiers extra = {})
    {
        QKeyEvent event(QEvent::KeyPress,
                        producedKey,
                        Qt::ControlModifier | extra,
                        quint32(evdevCode + 8),
                        0,
                        0);
        QApplication::sendEvent(&canvas, &event);
    }

    std::vector<QPointF> centres() const
    {
        std::vector<QPointF> points;
        for (const auto& [id, ring] : engine.theCircles.theCirclesStore) {
            points.push_back(ring.center);
        }
        return points;
    }

    CountingWindow window;
    QPushButton* button = nullptr;
};

TEST_F(CanvasTest, ClickAtTheLowerLeftCornerStartsAWaveAtTheOrigin)
{
    press(QPointF(0, 100));
    ASSERT_EQ(engine.theCircles.theCirclesStore.size(), 3u);
    for (const QPointF& c : centres()) {
        EXPECT_EQ(c, QPointF(0, 0));
    }
    EXPECT_EQ(engine.animationTimer->interval(), 33);
}

TEST_F(CanvasTest, ClickedPointIsInYUpCanvasPoints)
{
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, QPoint(10, 20));
    for (const QPointF& c : centres()) {
        EXPECT_EQ(c, QPointF(10, 80));
    }
}

TEST_F(CanvasTest, OnlyTheButtonPressStartsAWave)
{
    QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseMove(&canvas, QPoint(80, 60));
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(80, 60));
    EXPECT_EQ(engine.theCircles.theCirclesStore.size(), 3u);
}

TEST_F(CanvasTest, RightButtonAndUnwiredCanvasStartNothing)
{
    press(QPointF(20, 20), Qt::RightButton);
    EXPECT_TRUE(engine.theCircles.isEmpty());
    canvas.callback = nullptr;
    press(QPointF(20, 20));
    EXPECT_TRUE(engine.theCircles.isEmpty());
}

TEST_F(CanvasTest, ControlHAndControlMMinimiseTheWindows)
{
    QTest::keyClick(&canvas, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(window.isMinimized());
    window.showNormal();
    QTest::keyClick(&canvas, Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(window.isMinimized());
}

TEST_F(CanvasTest, ControlAltHLeavesTheWindowsAlone)
{
    QTest::keyClick(&canvas, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(CanvasTest, KeysAreRecognisedByTheirPhysicalPosition)
{
    // The H position produces "J" on some layouts: it is still H.
    sendCtrlKey(35, Qt::Key_J);
    EXPECT_TRUE(window.isMinimized());
    window.showNormal();
    // The A position producing "H" is A, which has no key equivalent.
    sendCtrlKey(30, Qt::Key_H);
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(CanvasTest, ControlQQuitsTheApplication)
{
    QTimer guardTimer;
    guardTimer.setSingleShot(true);
    QObject::connect(&guardTimer, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guardTimer.start(5000);
    QTimer::singleShot(
        0, &canvas, [this] { QTest::keyClick(&canvas, Qt::Key_Q, Qt::ControlModifier); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(CanvasTest, EveryKeyReachingTheCanvasIsConsumed)
{
    QAction close(QStringLiteral("Close"), &window);
    close.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    window.addAction(&close);
    int triggered = 0;
    QObject::connect(&close, &QAction::triggered, [&triggered] { ++triggered; });
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // Focus elsewhere in the window: the shortcut works.
    button->setFocus();
    QTest::keyClick(button, Qt::Key_W, Qt::ControlModifier);
    ASSERT_EQ(triggered, 1);
    window.keyPresses = 0;

    canvas.setFocus();
    QTest::keyClick(&canvas, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(window.keyPresses, 0);
    QTest::keyClick(&canvas, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(window.keyPresses, 0);
    QTest::keyClick(&canvas, Qt::Key_A);
    EXPECT_EQ(triggered, 1);
    EXPECT_EQ(window.keyPresses, 0);
    EXPECT_FALSE(window.isMinimized());
}

TEST(CanvasPicture, LoadsTheNamedPictureOrTheCautionPicture)
{
    artCanvasView canvas;
    canvas.loadBackgroundImage(QStringLiteral("Midnight"));
    EXPECT_EQ(canvas.backgroundImage, *backgroundPictureNamed(QStringLiteral("Midnight")));
    EXPECT_EQ(canvas.backgroundImage.deviceIndependentSize(), QSizeF(274, 100));

    canvas.loadBackgroundImage(QStringLiteral("Nowhere"));
    EXPECT_FALSE(canvas.backgroundImage.isNull());
    EXPECT_EQ(canvas.backgroundImage, cautionPicture());
}

TEST(CanvasPicture, PaintsThePictureAndNoRingsBeforeItIsWired)
{
    artCanvasView canvas;
    canvas.loadBackgroundImage(QStringLiteral("Spectrum"));
    canvas.setFixedSize(274, 100);
    const QImage shown = canvas.grab().toImage();
    const QImage picture = *backgroundPictureNamed(QStringLiteral("Spectrum"));
    // The Escape key's centre, in the scaled picture and in the original.
    const QColor a = shown.pixelColor(22, 16);
    const QColor b = picture.pixelColor(45, 32);
    EXPECT_NEAR(a.red(), b.red(), 4);
    EXPECT_NEAR(a.green(), b.green(), 4);
    EXPECT_NEAR(a.blue(), b.blue(), 4);
}

} // namespace
} // namespace kelvara
