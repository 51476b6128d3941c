#pragma once

#include "input/keylayoutrow.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kelvara {

// Layout units of the reference picture that the rows' positions are measured on.
inline constexpr double layoutWidth = 963.0;
inline constexpr double layoutHeight = 352.0;

// The program's knowledge of the keyboard: an ordered list of rows that only ever grows, by the
// four modifier override rows, at most once per run. The process-wide instance is keyLayoutTable();
// separate instances exist only in tests.
class KeyLayoutTable
{
public:
    KeyLayoutTable();

    // The first row in table order that carries keyCode.
    std::optional<KeyLayoutRow> rowForKeyCode(std::int64_t keyCode) const;

    // Inserts override rows A, B, C and D one after another at position 1, leaving D, C, B, A
    // between Escape and F1. The caller makes sure this happens once.
    void insertModifierOverrideRows();

    const std::vector<KeyLayoutRow>& rows() const { return m_rows; }

    std::size_t size() const { return m_rows.size(); }

    auto begin() const { return m_rows.begin(); }

    auto end() const { return m_rows.end(); }

    // Tells one state of the rows from every other this run: it changes with every change to
    // them, and a copy of a table has the table's. A pass asks every frame; comparing all the
    // rows would read them all.
    std::uint64_t generation() const { return m_generation; }

private:
    std::vector<KeyLayoutRow> m_rows;
    std::uint64_t m_generation;
};

// The process-wide table, built with its 121 initial rows on first use.
KeyLayoutTable& keyLayoutTable();

} // namespace kelvara
