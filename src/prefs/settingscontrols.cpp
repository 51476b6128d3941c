// How the delegate sees the settings window's controls: found by tag among the direct children of
// their container, filled from a list of integers and read back one integer at a time.

#include "app/appdelegate.h"
#include "prefs/colorwell.h"
#include "prefs/controltags.h"
#include "prefs/preferencestore.h"
#include "prefs/stepper.h"

#include <QDebug>

namespace kelvara {

namespace {

// What a ring's text field counts as when its text is not an integer, by field.
constexpr std::array<std::int64_t, 8> fieldFallbacks{0, 15, 0, 10, 100, 10, 100, 0};

template <typename Control> Control* controlOf(QObject* child, int tag)
{
    auto* control = qobject_cast<Control*>(child);
    if (!control) {
        qWarning() << "settings control" << child->objectName() << "with tag" << tag << "is not a"
                   << Control::staticMetaObject.className();
    }
    return control;
}

} // namespace

QWidget* AppDelegate::ringSettingsView(int ring) const
{
    switch (ring) {
    case 1:
        return ring1settingsView;
    case 2:
        return ring2settingsView;
    case 3:
        return ring3settingsView;
    case 4:
        return ring4settingsView;
    case 5:
        return ring5settingsView;
    default:
        return nullptr;
    }
}

Stepper* AppDelegate::stepperWithTag(const QObjectList& views, int tag)
{
    Stepper* found = nullptr;
    for (QObject* view : views) {
        if (controltag::of(view) == tag) {
            if (auto* stepper = qobject_cast<Stepper*>(view)) {
                found = stepper;
            }
        }
    }
    return found;
}

void AppDelegate::setRingControls(int ring, const std::vector<std::int64_t>& values)
{
    if (ring == 0) {
        if (!frameRateText || values.empty()) {
            return;
        }
        frameRateText->setText(QString::number(values[0]));
        if (QWidget* box = frameRateText->parentWidget()) {
            if (Stepper* stepper = stepperWithTag(box->children(), controltag::framerate +
                                                                       controltag::stepperOffset)) {
                stepper->setValue(values[0]);
            }
        }
        return;
    }
    QWidget* view = ringSettingsView(ring);
    if (!view || values.size() < std::size_t(ringFieldCount)) {
        return;
    }
    const QObjectList children = view->children();
    for (QObject* child : children) {
        const int tag = controltag::of(child);
        if (tag == controltag::active) {
            if (auto* box = controlOf<QCheckBox>(child, tag)) {
                box->setChecked(values[controltag::activeField] == 1);
            }
        } else if (tag == controltag::colour) {
            if (auto* well = controlOf<ColorWell>(child, tag)) {
                const auto rgb = values.begin() + controltag::redField;
                well->setPercentages({rgb[0], rgb[1], rgb[2]});
            }
        } else if (tag >= controltag::life && tag <= controltag::vizEnd) {
            const std::int64_t value = values[std::size_t(controltag::textFieldOf(tag))];
            if (auto* field = controlOf<QLineEdit>(child, tag)) {
                field->setText(QString::number(value));
            }
            if (Stepper* stepper = stepperWithTag(children, tag + controltag::stepperOffset)) {
                stepper->setValue(value);
            }
        }
    }
}

std::int64_t AppDelegate::ringControlValue(int ring, int field) const
{
    std::int64_t result = 11;
    QWidget* view = ringSettingsView(ring);
    if (!view) {
        return result;
    }
    const QObjectList children = view->children();
    for (QObject* child : children) {
        const int tag = controltag::of(child);
        if (field == controltag::activeField && tag == controltag::active) {
            if (auto* box = controlOf<QCheckBox>(child, tag)) {
                result = box->isChecked() ? 1 : 0;
            }
        } else if (field >= controltag::firstTextField && field <= controltag::lastTextField &&
                   tag == controltag::ofTextField(field)) {
            if (auto* text = controlOf<QLineEdit>(child, tag)) {
                result = parseInteger(text->text()).value_or(fieldFallbacks.at(std::size_t(field)));
            }
        } else if (tag == controltag::colour && field >= controltag::redField &&
                   field <= controltag::blueField) {
            if (auto* well = controlOf<ColorWell>(child, tag)) {
                if (const auto stored = well->percentages()) {
                    result = (*stored)[std::size_t(field - controltag::redField)];
                    continue;
                }
                const QColor colour = well->color().toRgb();
                const double channels[] = {colour.redF(), colour.greenF(), colour.blueF()};
                const double component = channels[field - controltag::redField];
                result = static_cast<std::int64_t>(component * 100.0);
            }
        }
    }
    return result;
}

void AppDelegate::syncStepper(QLineEdit* field)
{
    if (!field || !field->parentWidget()) {
        return;
    }
    const int tag = controltag::of(field) + controltag::stepperOffset;
    if (Stepper* stepper = stepperWithTag(field->parentWidget()->children(), tag)) {
        stepper->setValue(leadingIntValue(field->text()));
    }
}

} // namespace kelvara
