#include "app/appdelegate.h"

#include "canvas/artcanvasview.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kelvara {

AppDelegate::AppDelegate(std::unique_ptr<KelvaraActions> engine, QObject* parent)
    : QObject(parent)
    , theApp(engine ? std::move(engine) : std::make_unique<KelvaraActions>())
{}

AppDelegate::~AppDelegate() = default;

void AppDelegate::PrefsMenuItem(QObject* /*sender*/)
{
    if (settingsWindow) {
        settingsWindow->setVisible(true);
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    m_mainWindow = std::make_unique<QWidget>();
    m_mainWindow->setWindowTitle(QStringLiteral("Kelvara"));
    auto* layout = new QVBoxLayout(m_mainWindow.get());
    auto* canvas = new artCanvasView(m_mainWindow.get());
    layout->addWidget(canvas);
    layout->addWidget(
        new QLabel(QStringLiteral("Click the keyboard to make waves."), m_mainWindow.get()));
    window = m_mainWindow.get();
    artCanvas = canvas;
    window->setVisible(true);

    theApp->animationInterval = 1.0 / 30.0;
    theApp->savedAnimationInterval = theApp->animationInterval;
    theApp->setBackground(canvas, _defaultBackgroundName);
    canvas->callback = this;
    theApp->startAnimation(canvas);
}

} // namespace kelvara
