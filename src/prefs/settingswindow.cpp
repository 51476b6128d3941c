#include "prefs/settingswindow.h"

#include "ui_settingswindow.h"

#include "canvas/backgroundpictures.h"
#include "prefs/controltags.h"
#include "prefs/stepper.h"

#include <QKeyEvent>

namespace kelvara {

namespace {

// Each stepper copies its value into the text field beside it, whose tag is its own less the
// offset.
void pairSteppers(QWidget* container)
{
    const QObjectList children = container->children();
    for (QObject* child : children) {
        auto* stepper = qobject_cast<Stepper*>(child);
        if (!stepper) {
            continue;
        }
        for (QObject* other : children) {
            auto* field = qobject_cast<QLineEdit*>(other);
            if (field &&
                controltag::of(field) + controltag::stepperOffset == controltag::of(stepper)) {
                stepper->setField(field);
            }
        }
    }
}

} // namespace

SettingsWindow::SettingsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::SettingsWindow>())
{
    m_ui->setupUi(this);
    m_ui->backgroundPopup->addItems(backgroundPictureNames());
    pairSteppers(m_ui->globalSettingsView);
    for (QWidget* view : {m_ui->ring1settingsView, m_ui->ring2settingsView, m_ui->ring3settingsView,
                          m_ui->ring4settingsView, m_ui->ring5settingsView}) {
        pairSteppers(view);
    }
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_ui->cancelButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kelvara
