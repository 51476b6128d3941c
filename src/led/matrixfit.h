#pragma once

#include <QPointF>

#include <vector>

namespace kelvara {

// A cell of a keyboard matrix whose LED carries the name of a key the key layout table knows:
// where the matrix has it, and where the table puts that key (layout units).
struct MatrixAnchor
{
    int column;
    int row;
    QPointF at;
    bool characterKey; // prints a letter, digit or punctuation mark
    bool sole;         // the only LED of its device with that name
    int led = -1;      // its index among the device's LEDs
};

// Anchors of one matrix that no neighbour in their matrix row agrees with: each neighbour within
// two cells (one whose name no other LED shares) puts the key more than maxApart layout units
// from where its name does. A driver whose matrix holds such keys names its LEDs by a regional
// layout's legends (the LED at the US Y place called "Z" on a German board). Only character keys
// are judged; the result has one flag per anchor.
std::vector<bool> legendNamedAnchors(const std::vector<MatrixAnchor>& anchors, double maxApart);

// Places the cells of one matrix on the keyboard picture from its trusted anchors. A cell between
// anchors of its own matrix row is put between them in proportion to its column; a cell with
// anchors on one side only is carried from the nearest one by the zone's least-squares affine
// map; a cell in a row without anchors is put by that map alone. A matrix without anchors is
// spread over the keys of the picture.
class MatrixFit
{
public:
    MatrixFit(const std::vector<MatrixAnchor>& anchors, int width, int height);

    // Layout units, inside the picture.
    QPointF place(int column, int row) const;

private:
    QPointF mapped(double column, double row) const;

    // place = origin + column * perColumn + row * perRow
    QPointF m_origin;
    QPointF m_perColumn;
    QPointF m_perRow;
    // Anchors by matrix row, each in order of column.
    std::vector<std::vector<std::pair<int, QPointF>>> m_rows;
};

} // namespace kelvara
