#pragma once

#include <QObject>
#include <QVariant>

namespace kelvara::controltag {

// The settings window's controls carry a "tag" property, set in its form. A ring's box holds its
// check box, its colour well, its seven text fields (the ring's fields 1 to 7, in order) and the
// steppers beside them; the general box holds the frame rate.
inline constexpr int active = 1;
inline constexpr int colour = 2;
inline constexpr int life = 10; // the first text field
inline constexpr int delay = 11;
inline constexpr int radiusStart = 12;
inline constexpr int radiusEnd = 13;
inline constexpr int thick = 14;
inline constexpr int vizStart = 15;
inline constexpr int vizEnd = 16; // the last text field
inline constexpr int framerate = 100;
// A ring's fields, as the settings file stores them: whether it is on, the seven numbers of its
// text fields, then red, green and blue in percent.
inline constexpr int activeField = 0;
inline constexpr int firstTextField = 1;
inline constexpr int lastTextField = 7;
inline constexpr int redField = 8;
inline constexpr int blueField = 10;
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
