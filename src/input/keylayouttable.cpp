#include "input/keylayouttable.h"

#include "input/keylayoutdata.h"

#include <algorithm>
#include <iterator>

namespace kelvara {

namespace {

std::uint64_t nextGeneration()
{
    static std::uint64_t last = 0;
    return ++last;
}

} // namespace

KeyLayoutTable::KeyLayoutTable()
    : m_rows(initialKeyLayoutRows.begin(), initialKeyLayoutRows.end())
    , m_generation(nextGeneration())
{}

std::optional<KeyLayoutRow> KeyLayoutTable::rowForKeyCode(std::int64_t keyCode) const
{
    const auto it = std::find_if(m_rows.begin(), m_rows.end(), [keyCode](const KeyLayoutRow& row) {
        return row.keyCode == keyCode;
    });
    if (it == m_rows.end()) {
        return std::nullopt;
    }
    return *it;
}

void KeyLayoutTable::insertModifierOverrideRows()
{
    for (const KeyLayoutRow& row : modifierOverrideRows) {
        m_rows.insert(std::next(m_rows.begin()), row);
    }
    m_generation = nextGeneration();
}

KeyLayoutTable& keyLayoutTable()
{
    static KeyLayoutTable table;
    return table;
}

} // namespace kelvara
