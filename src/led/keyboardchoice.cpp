#include "led/keyboardchoice.h"

#include "led/ledplacement.h"

#include <algorithm>

namespace kelvara {

bool ShownKeyboard::operator==(const ShownKeyboard& other) const
{
    const auto sameKeys = [](const DrawnKey& a, const DrawnKey& b) {
        return a.leds == b.leds && a.outline == b.outline;
    };
    return name == other.name && kind.size == other.kind.size && kind.layout == other.kind.layout &&
           keyCodes == other.keyCodes && drawing.other == other.drawing.other &&
           std::equal(drawing.keys.begin(), drawing.keys.end(), other.drawing.keys.begin(),
                      other.drawing.keys.end(), sameKeys);
}

ShownKeyboard shownKeyboard(const QString& name, KeyboardKind kind, KeyboardDrawing drawing,
                            const std::vector<QString>& ledNames)
{
    const std::vector<std::int64_t> ledCodes = tableCodesOfLeds(ledNames);
    std::vector<std::int64_t> keyCodes;
    keyCodes.reserve(drawing.keys.size());
    for (const DrawnKey& key : drawing.keys) {
        std::int64_t code = -1;
        for (const std::size_t led : key.leds) {
            if (led < ledCodes.size() && ledCodes[led] >= 0) {
                code = ledCodes[led];
                break;
            }
        }
        keyCodes.push_back(code);
    }
    return {name, kind, std::move(drawing), std::move(keyCodes)};
}

std::size_t keyLedCount(const KeyboardDrawing& drawing)
{
    std::size_t count = 0;
    for (const DrawnKey& key : drawing.keys) {
        count += key.leds.size();
    }
    return count;
}

void KeyboardChoice::setKeyboards(std::vector<ShownKeyboard> keyboards)
{
    const bool namesChange = !std::equal(
        keyboards.begin(), keyboards.end(), m_keyboards.begin(), m_keyboards.end(),
        [](const ShownKeyboard& a, const ShownKeyboard& b) { return a.name == b.name; });
    if (keyboards.empty() && m_shown) {
        m_kept = m_shown;
    }
    m_keyboards = std::move(keyboards);
    choose();
    if (namesChange) {
        emit keyboardsChanged();
    }
}

void KeyboardChoice::setKept(std::optional<ShownKeyboard> kept)
{
    m_kept = std::move(kept);
    choose();
}

void KeyboardChoice::setWish(const QString& wish)
{
    if (wish == m_wish) {
        return;
    }
    m_wish = wish;
    choose();
}

QStringList KeyboardChoice::names() const
{
    QStringList names;
    for (const ShownKeyboard& keyboard : m_keyboards) {
        names.append(keyboard.name);
    }
    return names;
}

QString KeyboardChoice::mainName() const
{
    const auto main = std::max_element(m_keyboards.begin(), m_keyboards.end(),
                                       [](const ShownKeyboard& a, const ShownKeyboard& b) {
                                           return keyLedCount(a.drawing) < keyLedCount(b.drawing);
                                       });
    return main == m_keyboards.end() ? QString() : main->name;
}

QString KeyboardChoice::automaticName() const
{
    if (!m_keyboards.empty()) {
        return mainName();
    }
    return m_kept ? m_kept->name : referencePictureChoice;
}

QStringList KeyboardChoice::choosable() const
{
    QStringList offered = names();
    if (offered.isEmpty() && m_kept) {
        offered.append(m_kept->name);
    }
    // A keyboard the settings name stays on offer while it is away, so that a save keeps it.
    if (!m_wish.isEmpty() && m_wish != referencePictureChoice && !offered.contains(m_wish)) {
        offered.append(m_wish);
    }
    offered.append(referencePictureChoice);
    return offered;
}

QString KeyboardChoice::shownName() const
{
    return m_shown ? m_shown->name : referencePictureChoice;
}

QString KeyboardChoice::chosenName() const
{
    return m_wish.isEmpty() ? shownName() : m_wish;
}

void KeyboardChoice::choose()
{
    std::optional<ShownKeyboard> shown;
    std::optional<std::size_t> index;
    if (m_wish != referencePictureChoice) {
        const QStringList listed = names();
        qsizetype at = listed.indexOf(m_wish);
        if (at < 0) {
            at = listed.indexOf(mainName());
        }
        if (at >= 0) {
            index = std::size_t(at);
            shown = m_keyboards[std::size_t(at)];
        } else if (m_kept && (m_wish.isEmpty() || m_wish == m_kept->name)) {
            shown = m_kept;
        }
    }
    m_shownIndex = index;
    if (shown != m_shown) {
        m_shown = std::move(shown);
        emit shownChanged();
    }
}

} // namespace kelvara
