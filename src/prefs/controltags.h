#pragma once

#include <QObject>
#include <QVariant>

namespace kelvara::controltag {

// The settings window's controls carry a "tag" property, set in its form. A ring's box holds its
// check box, its colour well, its seven text fields (the ring's fields 1 to 7, in order) and the
// steppers beside them; the general box holds the frame rate.
enum Tag : int
{
    active = 1,
    colour = 2,
    life = 10, // the first text field, then in order
    delay,
    radiusStart,
    radiusEnd,
    thick,
    vizStart,
    vizEnd, // the last text field
    framerate = 100,
};

// A ring's fields, as the settings file stores them: whether it is on, the seven numbers of its
// text fields, then red, green and blue in percent.
enum RingField : int
{
    activeField = 0,
    firstTextField = 1,
    lastTextField = firstTextField + 6,
    redField,
    blueField = redField + 2,
};

// A stepper's tag is its text field's tag and this.
inline constexpr int stepperOffset = 10;

constexpr int ofTextField(int field)
{
    return life + field - firstTextField;
}

constexpr int textFieldOf(int tag)
{
    return tag - life + firstTextField;
}

inline int of(const QObject* control)
{
    return control->property("tag").toInt();
}

} // namespace kelvara::controltag
