#include "canvas/backgroundpictures.h"
#include "rings/ringsettingstable.h"
#include "support/enginefixture.h"
#include "support/eventloop.h"

#include <QAction>
#include <QApplication>
#include <QBackingStore>
#include <QKeyEvent>
#include <QPainter>
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
        layout->setContentsMargins(30, 40, 0, 0); // the canvas is not at the window's origin
        canvas.setParent(&window);
        layout->addWidget(&canvas);
        button = new QPushButton(QStringLiteral("Other"), &window);
        layout->addWidget(button);
        window.show();
        canvas.setFocus();
    }

    ~CanvasTest() override { canvas.setParent(nullptr); }

    // Ctrl and the key at a Linux key code's position (X11 and Wayland scan codes are it + 8).
    void ctrlKeyAt(int evdevCode, Qt::Key produced)
    {
        QKeyEvent event(QEvent::KeyPress, produced, Qt::ControlModifier, quint32(evdevCode + 8), 0,
                        0);
        QApplication::sendEvent(&canvas, &event);
    }

    CountingWindow window;
    QPushButton* button = nullptr;
};

// Keys are recognised by their physical position: Control and the H or M place minimise.
TEST_F(CanvasTest, ControlHAndControlMMinimiseAndNothingElseDoes)
{
    QTest::keyClick(&canvas, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    ctrlKeyAt(30, Qt::Key_H); // the A position, whatever it produces
    EXPECT_FALSE(window.isMinimized());
    ctrlKeyAt(35, Qt::Key_J); // the H position
    EXPECT_TRUE(window.isMinimized());
    // Without a scan code, as some input methods send keys, the key itself counts.
    for (const Qt::Key key : {Qt::Key_H, Qt::Key_M}) {
        window.showNormal();
        QTest::keyClick(&canvas, key, Qt::ControlModifier);
        EXPECT_TRUE(window.isMinimized()) << key;
    }
}

TEST_F(CanvasTest, ControlQQuitsTheApplication)
{
    EXPECT_EQ(testing::runEventLoop(
                  5000, [this] { QTest::keyClick(&canvas, Qt::Key_Q, Qt::ControlModifier); }),
              0);
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
    button->setFocus(); // elsewhere in the window the shortcut works
    QTest::keyClick(button, Qt::Key_W, Qt::ControlModifier);
    ASSERT_EQ(triggered, 1);

    window.keyPresses = 0;
    canvas.setFocus();
    QTest::keyClick(&canvas, Qt::Key_W, Qt::ControlModifier);
    QTest::keyClick(&canvas, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&canvas, Qt::Key_A);
    EXPECT_EQ(triggered, 1);
    EXPECT_EQ(window.keyPresses, 0);
    EXPECT_FALSE(window.isMinimized());
}

// The pixels of a window as its painting left them, before they go to the screen.
QImage windowPixels(QWidget& window)
{
    QPaintDevice* device = window.backingStore()->paintDevice();
    if (device->devType() == QInternal::Pixmap) {
        return static_cast<QPixmap*>(device)->toImage();
    }
    return device->devType() == QInternal::Image ? *static_cast<QImage*>(device) : QImage();
}

// Drawn in place in the window's own pixels, the view shows what a drawing of it apart shows, at
// its own size, enlarged, with margins and at a scale that is not whole, with rings over it. A
// drawing into an image of a format of its own is made apart.
TEST_F(CanvasTest, TheWindowShowsTheViewAsItsDrawingApartShowsIt)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    engine.setBackground(&canvas, QStringLiteral("Spectrum"));
    ringSettings().active = {true, true, true, true, true};
    for (int i = 0; i < 6; ++i) {
        engine.startWave(15.0 + 47.0 * i, 20.0 + 13.0 * i);
    }
    for (int frame = 0; frame < 12; ++frame) {
        engine.theCircles.advanceFrame();
    }
    for (const QSize size : {canvas.pointSize(), QSize(548, 200), QSize(548, 300), QSize(1096, 400),
                             QSize(641, 203)}) {
        canvas.setFixedSize(size);
        window.adjustSize();
        // The window's own pixels as large as it is now.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return window.windowHandle()->geometry().size() == window.size(); }, 5000));
        canvas.repaint();
        const qreal ratio = canvas.devicePixelRatioF();
        const QRect pixels(QPointF(QPointF(canvas.mapTo(&window, QPoint(0, 0))) * ratio).toPoint(),
                           (QSizeF(size) * ratio).toSize());
        const QImage shown =
            windowPixels(window).copy(pixels).convertToFormat(QImage::Format_ARGB32);
        QImage apart(pixels.size(), QImage::Format_ARGB32);
        apart.setDevicePixelRatio(ratio);
        apart.fill(Qt::red);
        canvas.render(&apart);
        apart.setDevicePixelRatio(shown.devicePixelRatio());
        EXPECT_EQ(shown, apart) << size.width() << "x" << size.height();
    }
}

TEST(CanvasPicture, ShowsTheNamedPictureOrTheCautionPicture)
{
    artCanvasView canvas;
    canvas.setFixedSize(274, 100);
    canvas.loadBackgroundImage(QStringLiteral("Nowhere"));
    EXPECT_EQ(canvas.backgroundImage, cautionPicture());
    EXPECT_EQ(backgroundPictureNames().front(), QStringLiteral("Midnight"));
    for (const QString& none :
         {QString(), QStringLiteral("midnight"), QStringLiteral("../images/caution")}) {
        EXPECT_FALSE(backgroundPictureNamed(none)) << none.toStdString();
    }
    canvas.loadBackgroundImage(QStringLiteral("Spectrum"));
    const QImage picture = *backgroundPictureNamed(QStringLiteral("Spectrum"));
    EXPECT_EQ(canvas.backgroundImage, picture);
    // Unwired, it paints the picture alone: the Escape key's centre, scaled and original.
    const QColor shown = canvas.grab().toImage().pixelColor(22, 16);
    const QColor original = picture.pixelColor(45, 32);
    EXPECT_NEAR(shown.red(), original.red(), 4);
    EXPECT_NEAR(shown.green(), original.green(), 4);
    EXPECT_NEAR(shown.blue(), original.blue(), 4);
}

// Pictures are kept ready to draw in a format of their own choosing; what they show must not
// change.
TEST(CanvasPicture, DrawsOpaqueAndTranslucentPicturesPixelForPixel)
{
    for (const int alpha : {255, 128, 0}) {
        QImage picture(274, 100, QImage::Format_ARGB32);
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 274; ++x) {
                picture.setPixelColor(x, y, QColor(x % 256, y * 2, (x + y) % 256, alpha));
            }
        }
        artCanvasView canvas;
        canvas.setFixedSize(274, 100);
        canvas.backgroundImage = picture;
        QImage drawn(274, 100, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::red);
        {
            QPainter painter(&drawn);
            canvas.drawContents(painter);
        }
        EXPECT_EQ(drawn, picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)) << alpha;
    }
}

} // namespace
} // namespace kelvara
