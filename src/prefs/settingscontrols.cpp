// How the delegate sees the settings window's controls: found by tag among the direct children of
// their container, filled from a list of integers and read back one integer at a time.

#include "app/appdelegate.h"
#include "prefs/colorwell.h"
#include "prefs/preferencestore.h"
#include "prefs/stepper.h"

#include <QDebug>

namespace kelvara {

namespace {

int tagOf(const QObject* object)
{
    return object->property("tag").toInt();
}

// Fallbacks of ring fields 1-7 whose text is not an integer.
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
        if (tagOf(view) == tag) {
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
            if (Stepper* stepper =
                    stepperWithTag(box->children(), framerateTag + stepperTagOffset)) {
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
        const int tag = tagOf(child);
        if (tag == activeTag) {
            if (auto* box = controlOf<QCheckBox>(child, tag)) {
                box->setChecked(values[0] == 1);
            }
        } else if (tag == colorTag) {
            if (auto* well = controlOf<ColorWell>(child, tag)) {
                well->setPercentages({values[8], values[9], values[10]});
            }
        } else if (tag >= lifeTag && tag <= vizEndTag) {
            const std::int64_t value = values[std::size_t(tag - 9)];
            if (auto* field = controlOf<QLineEdit>(child, tag)) {
                field->setText(QString::number(value));
            }
            if (Stepper* stepper = stepperWithTag(children, tag + stepperTagOffset)) {
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
        const int tag = tagOf(child);
        if (field == 0 && tag == activeTag) {
            if (auto* box = controlOf<QCheckBox>(child, tag)) {
                result = box->isChecked() ? 1 : 0;
            }
        } else if (field >= 1 && field <= 7 && tag == field + 9) {
            if (auto* text = controlOf<QLineEdit>(child, tag)) {
                result = parseInteger(text->text()).value_or(fieldFallbacks.at(std::size_t(field)));
            }
        } else if (tag == colorTag && field >= 8 && field <= 10) {
            if (auto* well = controlOf<ColorWell>(child, tag)) {
                if (const auto stored = well->percentages()) {
                    result = (*stored)[std::size_t(field - 8)];
                    continue;
                }
                const QColor colour = well->color().toRgb();
                const double component = field == 8   ? colour.redF()
                                         : field == 9 ? colour.greenF()
                                                      : colour.blueF();
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
    const int tag = tagOf(field) + stepperTagOffset;
    if (Stepper* stepper = stepperWithTag(field->parentWidget()->children(), tag)) {
        stepper->setValue(leadingIntValue(field->text()));
    }
}

} // namespace kelvara
