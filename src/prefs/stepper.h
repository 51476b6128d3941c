#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <cstdint>

namespace kelvara {

// Up and down buttons holding an integer between a minimum and a maximum. A click moves the value
// by one step and copies it into the text field it is paired with. The settings window owns it.
class Stepper : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int singleStep READ singleStep WRITE setSingleStep)

public:
    explicit Stepper(QWidget* parent = nullptr);

    int value() const { return m_value; }

    // Values outside minimum..maximum, the 64-bit ones included, are clamped.
    void setValue(std::int64_t value);

    void setValue(int value) { setValue(std::int64_t(value)); }

    int minimum() const { return m_minimum; }

    void setMinimum(int minimum);

    int maximum() const { return m_maximum; }

    void setMaximum(int maximum);

    int singleStep() const { return m_step; }

    void setSingleStep(int step) { m_step = step; }

    void setField(QLineEdit* field) { m_field = field; }

    void stepUp() { stepBy(1); }

    void stepDown() { stepBy(-1); }

private:
    void stepBy(int direction);

    int m_value = 0;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_step = 1;
    QPointer<QLineEdit> m_field;
};

} // namespace kelvara
