#include "prefs/colorwell.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>

#include <algorithm>

namespace kelvara {

ColorWell::ColorWell(QWidget* parent)
    : QPushButton(parent)
{
    setMinimumSize(44, 24);
    connect(this, &QPushButton::clicked, this, &ColorWell::chooseColor);
}

void ColorWell::setColor(const QColor& color)
{
    m_color = color;
    m_percent.reset();
    update();
}

void ColorWell::setPercentages(const std::array<std::int64_t, 3>& percent)
{
    const auto component = [](std::int64_t value) {
        return float(double(std::clamp<std::int64_t>(value, 0, 100)) / 100.0);
    };
    setColor(QColor::fromRgbF(component(percent[0]), component(percent[1]), component(percent[2]),
                              1.0f));
    m_percent = percent;
}

void ColorWell::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    QPainter painter(this);
    const QRect swatch = rect().adjusted(6, 5, -6, -5);
    painter.fillRect(swatch, m_color);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

void ColorWell::chooseColor()
{
    auto* dialog = new QColorDialog(m_color, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QColorDialog::colorSelected, this, &ColorWell::setColor);
    dialog->open();
}

} // namespace kelvara
