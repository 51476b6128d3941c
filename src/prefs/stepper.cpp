#include "prefs/stepper.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvara {

Stepper::Stepper(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setAutoRepeat(true);
    up->setFixedSize(18, 11);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setAutoRepeat(true);
    down->setFixedSize(18, 11);
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, &Stepper::stepUp);
    connect(down, &QToolButton::clicked, this, &Stepper::stepDown);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Stepper::setValue(std::int64_t value)
{
    m_value = static_cast<int>(std::clamp<std::int64_t>(value, m_minimum, m_maximum));
}

void Stepper::setMinimum(int minimum)
{
    m_minimum = minimum;
    m_maximum = std::max(m_maximum, minimum);
    setValue(m_value);
}

void Stepper::setMaximum(int maximum)
{
    m_maximum = maximum;
    m_minimum = std::min(m_minimum, maximum);
    setValue(m_value);
}

void Stepper::stepBy(int direction)
{
    setValue(std::int64_t(m_value) + std::int64_t(direction) * m_step);
    if (m_field) {
        m_field->setText(QString::number(m_value));
    }
}

} // namespace kelvara
