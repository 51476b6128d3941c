#include "app/appdelegate.h"

#include "ui_settingswindow.h"

#include "canvas/artcanvasview.h"
#include "engine/lightingservice.h"
#include "led/logiled.h"
#include "prefs/settingswindow.h"
#include "prefs/stepper.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvara {

AppDelegate::AppDelegate(std::unique_ptr<KelvaraActions> engine, QObject* parent)
    : QObject(parent)
    , theApp(engine ? std::move(engine) : std::make_unique<KelvaraActions>())
    , m_settingsWindow(std::make_unique<SettingsWindow>())
{
    connectSettingsWindow();
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::connectSettingsWindow()
{
    Ui::SettingsWindow& ui = m_settingsWindow->ui();
    settingsWindow = m_settingsWindow.get();
    frameRateText = ui.frameRateText;
    backgroundPopup = ui.backgroundPopup;
    modifierKeySwap = ui.modifierKeySwap;
    ring1settingsView = ui.ring1settingsView;
    ring2settingsView = ui.ring2settingsView;
    ring3settingsView = ui.ring3settingsView;
    ring4settingsView = ui.ring4settingsView;
    ring5settingsView = ui.ring5settingsView;

    connect(ui.saveButton, &QPushButton::clicked, this, [this, &ui] {
        savePrefsButton(ui.saveButton);
    });
    connect(ui.cancelButton, &QPushButton::clicked, this, [this, &ui] {
        cancelPrefsButton(ui.cancelButton);
    });
    connect(ui.backgroundPopup, &QComboBox::activated, this, [this, &ui] {
        backgroundColorSelector(ui.backgroundPopup);
    });
    connect(ui.modifierKeySwap, &QCheckBox::clicked, this, [this, &ui] {
        flipModifiersBtn(ui.modifierKeySwap);
    });
    // Every text field that has a stepper keeps it in step while it is edited.
    const QList<QLineEdit*> fields = m_settingsWindow->findChildren<QLineEdit*>();
    for (QLineEdit* field : fields) {
        const QObjectList siblings = field->parentWidget()->children();
        if (stepperWithTag(siblings, field->property("tag").toInt() + stepperTagOffset)) {
            connect(field, &QLineEdit::textEdited, this, [this, field] { textChanged(field); });
        }
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    m_mainWindow = std::make_unique<QWidget>();
    m_mainWindow->setWindowTitle(QStringLiteral("Kelvara"));
    auto* layout = new QVBoxLayout(m_mainWindow.get());
    auto* canvas = new artCanvasView(m_mainWindow.get());
    layout->addWidget(canvas);
    auto* status = new QLabel(m_mainWindow.get());
    layout->addWidget(status);
    auto* help = new QPushButton(QStringLiteral("Help"), m_mainWindow.get());
    help->setVisible(false);
    layout->addWidget(help);
    connect(help, &QPushButton::clicked, this, [this] { showLGSAlert(window); });
    auto* settingsButton = new QPushButton(QStringLiteral("Settings…"), m_mainWindow.get());
    layout->addWidget(settingsButton);
    connect(settingsButton, &QPushButton::clicked, this, [this, settingsButton] {
        resyncPrefsBtn(settingsButton);
    });
    window = m_mainWindow.get();
    artCanvas = canvas;
    window->setVisible(true);

    status->setText(connectToLGS());
    if (status->text().startsWith(QLatin1Char('L'))) {
        help->setVisible(true);
        status->setStyleSheet(QStringLiteral("color: gray;"));
    }
    globalKeyInput.start();
    theListener.startListening(theApp.get());
    theApp->loadPrefs(this);
    theApp->setBackground(canvas,
                          backgroundPopup && backgroundPopup->currentIndex() >= 0
                              ? backgroundPopup->currentText()
                              : _defaultBackgroundName);
    canvas->callback = this;
    theApp->startAnimation(canvas);

    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        theListener.stopListening();
        if (theApp->animationTimer) {
            theApp->animationTimer->stop();
        }
        theApp->endKeepAwake();
        LogiLedShutdown();
    });
}

} // namespace kelvara
