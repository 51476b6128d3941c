#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class SettingsWindow;
}

namespace kelvara {

// The settings window built from resources/settingswindow.ui: the frame rate, the background
// picture, the modifier flip and five ring views whose controls carry integer tags. Owned by the
// application delegate, which finds the controls by tag and carries the window's actions.
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsWindow(QWidget* parent = nullptr);
    ~SettingsWindow() override;

    Ui::SettingsWindow& ui() { return *m_ui; }

protected:
    // Escape does what Cancel does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::SettingsWindow> m_ui;
};

} // namespace kelvara
