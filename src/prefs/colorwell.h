#pragma once

#include <QColor>
#include <QPushButton>

#include <array>
#include <cstdint>
#include <optional>

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

    // A colour as the settings file holds it, percent per channel. The swatch shows it within
    // 0 to 100; the stored values themselves are what percentages() gives back until another
    // colour is set, so that a hand-edited value outside that range survives a Save.
    void setPercentages(const std::array<std::int64_t, 3>& percent);

    std::optional<std::array<std::int64_t, 3>> percentages() const { return m_percent; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void chooseColor();

    QColor m_color = Qt::white;
    std::optional<std::array<std::int64_t, 3>> m_percent;
};

} // namespace kelvara
