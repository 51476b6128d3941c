#include "prefs/colorwell.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>

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
    update();
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
