#pragma once

#include "led/keyboarddrawing.h"
#include "led/keyboardkind.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kelvara {

// What the settings name instead of a keyboard to show the reference picture, the one every
// keyboard had before any was drawn.
inline const QString referencePictureChoice = QStringLiteral("Reference picture");

// A keyboard as the window draws it: its name as the server gives it, what it is, its keys, and
// the key layout table code (HID usage or key-name code) each key answers to, -1 for none.
struct ShownKeyboard
{
    QString name;
    KeyboardKind kind;
    KeyboardDrawing drawing;
    std::vector<std::int64_t> keyCodes;

    bool operator==(const ShownKeyboard& other) const;
};

// A shown keyboard from a drawing and the names of the LEDs it holds (indices as in the drawing).
ShownKeyboard shownKeyboard(const QString& name, KeyboardKind kind, KeyboardDrawing drawing,
                            const std::vector<QString>& ledNames);

// How many LEDs of a drawing are in keys: what makes one keyboard the main one.
std::size_t keyLedCount(const KeyboardDrawing& drawing);

// Which keyboard the window draws: the one the settings name while it is there, else the
// keyboard taken over with the most key LEDs; before any is taken over (or while none is), the
// one drawn last; none for the reference picture. One value with a change signal; main thread.
class KeyboardChoice : public QObject
{
    Q_OBJECT

public:
    // The keyboards taken over, in the LED layer's order. An empty list keeps the keyboard
    // drawn last on show: a server that restarts does not make the window jump.
    void setKeyboards(std::vector<ShownKeyboard> keyboards);
    // The keyboard drawn at the last run, kept in its file, shown until one is taken over.
    void setKept(std::optional<ShownKeyboard> kept);
    // A keyboard's name, referencePictureChoice, or empty for the main keyboard.
    void setWish(const QString& wish);

    const QString& wish() const { return m_wish; }

    // The keyboard drawn, none for the reference picture.
    const std::optional<ShownKeyboard>& shown() const { return m_shown; }

    // The taken-over keyboard drawn, as an index in setKeyboards' list; none while the drawing
    // comes from a file or is the reference picture.
    std::optional<std::size_t> shownIndex() const { return m_shownIndex; }

    // The names of the keyboards taken over, in their order.
    QStringList names() const;
    // The name of the keyboard shown when the settings name none.
    QString mainName() const;
    // What the window draws when the settings name nothing: the main keyboard, the one kept from
    // the last run, or referencePictureChoice.
    QString automaticName() const;
    // What the settings may name: the keyboards (or, before any is taken over, the one kept),
    // the one the settings name when it is away, then referencePictureChoice.
    QStringList choosable() const;
    // What the window draws, as the settings would name it.
    QString shownName() const;
    // What the settings popup shows chosen: the keyboard named, there or not, else what is drawn.
    QString chosenName() const;

signals:
    // What the window draws changed; the key lights follow it.
    void shownChanged();
    // The keyboards that may be chosen changed.
    void keyboardsChanged();

private:
    void choose();

    std::vector<ShownKeyboard> m_keyboards;
    std::optional<ShownKeyboard> m_kept;
    QString m_wish;
    std::optional<ShownKeyboard> m_shown;
    std::optional<std::size_t> m_shownIndex;
};

} // namespace kelvara
