#include "led/matrixfit.h"

#include "input/keylayouttable.h"
#include "led/standardkeyplaces.h"

#include <QLineF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace kelvara {

namespace {

// Where the keys of the reference picture begin and end: Escape to Keypad -, F row to bottom row.
constexpr double keysLeft = 80;
constexpr double keysRight = 933;
constexpr double keysTop = 57;
constexpr double keysBottom = 263;

// Solves the 3 x 3 system m * v = b by Cramer's rule; false when m is (nearly) singular.
bool solve3(const std::array<std::array<double, 3>, 3>& m, const std::array<double, 3>& b,
            std::array<double, 3>& v)
{
    const auto det = [](const std::array<std::array<double, 3>, 3>& a) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    if (std::abs(d) < 1e-6) {
        return false;
    }
    for (int k = 0; k < 3; ++k) {
        auto mk = m;
        for (int i = 0; i < 3; ++i) {
            mk[std::size_t(i)][std::size_t(k)] = b[std::size_t(i)];
        }
        v[std::size_t(k)] = det(mk) / d;
    }
    return true;
}

} // namespace

std::vector<bool> legendNamedAnchors(const std::vector<MatrixAnchor>& anchors, double maxApart)
{
    // Each cell of a matrix holds one anchor at most; its neighbours are found by their cell.
    std::unordered_map<std::int64_t, std::size_t> byCell;
    const auto cell = [](int column, int row) {
        return (std::int64_t(row) << 32) | quint32(column);
    };
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        byCell.emplace(cell(anchors[i].column, anchors[i].row), i);
    }
    std::vector<bool> flagged(anchors.size(), false);
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        if (!anchors[i].characterKey) {
            continue;
        }
        bool anyNeighbour = false;
        bool anyAgrees = false;
        for (const int apart : {-2, -1, 1, 2}) {
            const auto found = byCell.find(cell(anchors[i].column + apart, anchors[i].row));
            if (found == byCell.end() || !anchors[found->second].sole) {
                continue;
            }
            anyNeighbour = true;
            // The neighbour's key, moved back by the cells between them, is where this key
            // would be if both names told places.
            const QPointF expected = anchors[found->second].at - QPointF(apart * keyPitch, 0);
            if (QLineF(expected, anchors[i].at).length() <= maxApart) {
                anyAgrees = true;
            }
        }
        flagged[i] = anyNeighbour && !anyAgrees;
    }
    return flagged;
}

MatrixFit::MatrixFit(const std::vector<MatrixAnchor>& anchors, int width, int height)
    : m_rows(std::size_t(std::max(height, 0)))
{
    for (const MatrixAnchor& a : anchors) {
        if (a.row >= 0 && a.row < height) {
            m_rows[std::size_t(a.row)].emplace_back(a.column, a.at);
        }
    }
    for (auto& row : m_rows) {
        std::sort(row.begin(), row.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
    }

    if (anchors.empty()) {
        // Nothing names a key: the matrix is taken to cover the keys of the picture.
        m_perColumn = QPointF(width > 1 ? (keysRight - keysLeft) / (width - 1) : 0, 0);
        m_perRow = QPointF(0, height > 1 ? (keysBottom - keysTop) / (height - 1) : 0);
        m_origin = QPointF(width > 1 ? keysLeft : (keysLeft + keysRight) / 2,
                           height > 1 ? keysTop : (keysTop + keysBottom) / 2);
        return;
    }

    // Least squares of x and y each as a + b * column + c * row.
    std::array<std::array<double, 3>, 3> normal{};
    std::array<double, 3> sumX{};
    std::array<double, 3> sumY{};
    QPointF mean;
    for (const MatrixAnchor& a : anchors) {
        const std::array<double, 3> basis{1.0, double(a.column), double(a.row)};
        for (std::size_t i = 0; i < 3; ++i) {
            for (std::size_t j = 0; j < 3; ++j) {
                normal[i][j] += basis[i] * basis[j];
            }
            sumX[i] += basis[i] * a.at.x();
            sumY[i] += basis[i] * a.at.y();
        }
        mean += a.at;
    }
    std::array<double, 3> fx{};
    std::array<double, 3> fy{};
    // A fit that would flip the matrix or squash it flat (anchors on one line, or a driver whose
    // columns run backwards for a few keys) is no better than plain key steps.
    if (solve3(normal, sumX, fx) && solve3(normal, sumY, fy) && fx[1] > keyPitch / 4 &&
        fy[2] > keyPitch / 4) {
        m_origin = QPointF(fx[0], fy[0]);
        m_perColumn = QPointF(fx[1], fy[1]);
        m_perRow = QPointF(fx[2], fy[2]);
        return;
    }
    // One key step per cell, through the anchors' middle.
    mean /= double(anchors.size());
    double column = 0;
    double row = 0;
    for (const MatrixAnchor& a : anchors) {
        column += a.column;
        row += a.row;
    }
    column /= double(anchors.size());
    row /= double(anchors.size());
    m_perColumn = QPointF(keyPitch, 0);
    m_perRow = QPointF(0, keyPitch);
    m_origin = mean - column * m_perColumn - row * m_perRow;
}

QPointF MatrixFit::mapped(double column, double row) const
{
    return m_origin + column * m_perColumn + row * m_perRow;
}

QPointF MatrixFit::place(int column, int row) const
{
    QPointF at = mapped(column, row);
    if (row >= 0 && std::size_t(row) < m_rows.size() && !m_rows[std::size_t(row)].empty()) {
        const auto& anchors = m_rows[std::size_t(row)];
        const auto right = std::lower_bound(anchors.begin(), anchors.end(), column,
                                            [](const auto& a, int c) { return a.first < c; });
        if (right != anchors.end() && right->first == column) {
            at = right->second;
        } else if (right != anchors.begin() && right != anchors.end()) {
            const auto left = std::prev(right);
            const double t = double(column - left->first) / double(right->first - left->first);
            at = left->second + t * (right->second - left->second);
        } else {
            const auto& nearest = right == anchors.end() ? anchors.back() : *right;
            at = nearest.second + (column - nearest.first) * m_perColumn;
        }
    }
    return QPointF(std::clamp(at.x(), 0.0, layoutWidth), std::clamp(at.y(), 0.0, layoutHeight));
}

} // namespace kelvara
