#pragma once

#include "engine/kelvaraactions.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

namespace kelvara {

class artCanvasView;

// Owns the engine for the life of the process and wires the windows to it. The windows own their
// controls; the delegate only refers to them.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    // Without an engine of its own the delegate makes one.
    explicit AppDelegate(std::unique_ptr<KelvaraActions> engine = nullptr,
                         QObject* parent = nullptr);
    ~AppDelegate() override;

    // Opens the settings window.
    void PrefsMenuItem(QObject* sender);
    // Builds the main window and starts the animation.
    void applicationDidFinishLaunching();

    QPointer<QWidget> window;
    QPointer<QWidget> settingsWindow;
    QPointer<artCanvasView> artCanvas;

    const std::unique_ptr<KelvaraActions> theApp;
    const QString _defaultBackgroundName = QStringLiteral("Midnight");

private:
    std::unique_ptr<QWidget> m_mainWindow;
};

} // namespace kelvara
