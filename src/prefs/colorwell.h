#pragma once

#include <QColor>
#include <QPushButton>

namespace kelvara {

// A swatch of one colour. Clicking it opens a colour dialog; the colour chosen there becomes the
// swatch's colour. The settings window owns it.
class ColorWell : public QPushButton
{
    Q_OBJECT

public:
    explicit ColorWell(QWidget* parent = nullptr);

    QColor color() const { return m_color; }

    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void chooseColor();

    QColor m_color = Qt::white;
};

} // namespace kelvara
