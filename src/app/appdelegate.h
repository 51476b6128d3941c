#pragma once

#include "engine/kelvaraactions.h"
#include "input/keylistener.h"
#include "platform/eventmonitors.h"
#include "platform/globalkeyinput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

namespace kelvara {

class artCanvasView;
class SettingsWindow;
class Stepper;

// Owns the engine for the life of the process, wires the windows to it and carries the settings
// window's actions. The windows own their controls; the delegate's outlets only refer to them.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    static constexpr int activeTag = 1;
    static constexpr int lifeTag = 10;
    static constexpr int delayTag = 11;
    static constexpr int radiusStartTag = 12;
    static constexpr int radiusEndTag = 13;
    static constexpr int colorTag = 2;
    static constexpr int thickTag = 14;
    static constexpr int vizStartTag = 15;
    static constexpr int vizEndTag = 16;
    // From a text field's tag to its stepper's tag.
    static constexpr int stepperTagOffset = 10;
    static constexpr int framerateTag = 100;

    // Without an engine of its own the delegate makes one.
    explicit AppDelegate(std::unique_ptr<KelvaraActions> engine = nullptr,
                         QObject* parent = nullptr);
    ~AppDelegate() override;

    // Settings window actions.
    void resyncPrefsBtn(QObject* sender);
    void PrefsMenuItem(QObject* sender);
    void textChanged(QObject* sender);
    void backgroundColorSelector(QObject* sender);
    void flipModifiersBtn(QObject* sender);
    void savePrefsButton(QObject* sender);
    void cancelPrefsButton(QObject* sender);

    // Builds the main window and starts the animation.
    void applicationDidFinishLaunching();

    // Ring 0 with one value shows the frame rate; rings 1-5 take the eleven ring values.
    void setRingControls(int ring, const std::vector<std::int64_t>& values);
    // The value of one field (0-10) of ring 1-5 as the controls hold it.
    std::int64_t ringControlValue(int ring, int field) const;
    void syncStepper(QLineEdit* field);
    static Stepper* stepperWithTag(const QObjectList& views, int tag);
    QWidget* ringSettingsView(int ring) const;

    QPointer<QWidget> window;
    QPointer<QWidget> settingsWindow;
    QPointer<QLineEdit> frameRateText;
    QPointer<QComboBox> backgroundPopup;
    QPointer<QCheckBox> modifierKeySwap;
    QPointer<artCanvasView> artCanvas;
    QPointer<QWidget> ring1settingsView;
    QPointer<QWidget> ring2settingsView;
    QPointer<QWidget> ring3settingsView;
    QPointer<QWidget> ring4settingsView;
    QPointer<QWidget> ring5settingsView;

    const std::unique_ptr<KelvaraActions> theApp;
    EventMonitors eventMonitors;
    GlobalKeyInput globalKeyInput{eventMonitors};
    KeyListener theListener{eventMonitors};
    const QString _defaultBackgroundName = QStringLiteral("Midnight");

private:
    void connectSettingsWindow();

    std::unique_ptr<SettingsWindow> m_settingsWindow;
    std::unique_ptr<QWidget> m_mainWindow;
};

} // namespace kelvara
