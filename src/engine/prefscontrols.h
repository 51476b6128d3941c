#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace kelvara {

// The settings window's controls as the engine's preference load and save see them. The user
// interface implements it; a control that is missing reads as none and ignores what it is shown.
class PrefsControls
{
public:
    virtual ~PrefsControls() = default;

    // Ring 0 with one value shows the frame rate; rings 1-5 take the eleven ring values.
    virtual void setRingControls(int ring, const std::vector<std::int64_t>& values) = 0;
    // The value of one field (0-10) of ring 1-5 as the controls hold it.
    virtual std::int64_t ringControlValue(int ring, int field) const = 0;
    // The frame rate as typed.
    virtual std::optional<QString> frameRateEntry() const = 0;
    // The background picture chosen in the popup, none when nothing is chosen.
    virtual std::optional<QString> chosenBackground() const = 0;
    // Selects the picture of that name, or nothing when the popup has none of that name.
    virtual void showBackground(const QString& name) = 0;
    virtual bool flipModifiersChecked() const = 0;
    virtual void showFlipModifiers(bool flipping) = 0;

    // The lock lights' check box and colour well.
    virtual bool lockLightsChecked() const { return true; }

    virtual QColor lockLightsColour() const { return Qt::white; }

    virtual void showLockLights(bool shown, const QColor& colour)
    {
        static_cast<void>(shown);
        static_cast<void>(colour);
    }

    // The keyboard popup: what it offers, with one of them chosen, and what is chosen.
    virtual void showKeyboards(const QStringList& names, const QString& chosen)
    {
        static_cast<void>(names);
        static_cast<void>(chosen);
    }

    virtual std::optional<QString> chosenKeyboard() const { return std::nullopt; }
};

} // namespace kelvara
