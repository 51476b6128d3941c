#include "led/matrixfit.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvara {
namespace {

// Where one cell of a matrix goes, from the anchors its zone has.
struct Fit
{
    const char* name;
    int width, height, column, row;
    QPointF expected;
    std::vector<MatrixAnchor> anchors;
};

MatrixAnchor anchor(int column, int row, double x, double y)
{
    return MatrixAnchor{column, row, QPointF(x, y), true, true};
}

class MatrixFitPlace : public ::testing::TestWithParam<Fit>
{};

TEST_P(MatrixFitPlace, FollowsTheAnchorsMapOrKeySteps)
{
    const Fit& f = GetParam();
    const QPointF at = MatrixFit(f.anchors, f.width, f.height).place(f.column, f.row);
    EXPECT_NEAR(at.x(), f.expected.x(), 1e-6);
    EXPECT_NEAR(at.y(), f.expected.y(), 1e-6);
}

// Anchors on an affine grid: origin (100, 80), a column (50, 2), a row (10, 45).
const std::vector<MatrixAnchor> sheared{anchor(0, 0, 100, 80), anchor(3, 0, 250, 86),
                                        anchor(0, 2, 120, 170), anchor(3, 2, 270, 176)};
// One row only: the map cannot be solved, so cells are a key step apart (39.3).
const std::vector<MatrixAnchor> oneRow{anchor(0, 0, 100, 100), anchor(2, 0, 180, 100)};
// Columns that run backwards would flip the matrix: key steps instead.
const std::vector<MatrixAnchor> backwards{anchor(0, 0, 300, 80), anchor(1, 0, 250, 80),
                                          anchor(0, 1, 300, 120), anchor(1, 1, 250, 120)};

INSTANTIATE_TEST_SUITE_P(
    Cells, MatrixFitPlace,
    ::testing::Values(
        Fit{"ARowWithoutAnchorsByTheMap", 6, 3, 1, 1, {160, 127}, sheared},
        Fit{"PastTheLastAnchorByTheMapsColumn", 6, 3, 5, 0, {350, 90}, sheared},
        Fit{"AnchorsInOneRow", 3, 2, 1, 1, {140, 139.3}, oneRow},
        Fit{"ColumnsRunningBackwards", 2, 3, 0, 2, {255.35, 158.95}, backwards},
        // Without anchors the matrix covers the picture's keys, from Escape to Keypad -.
        Fit{"NoAnchorsLastCell", 5, 3, 4, 2, {933, 263}, {}},
        Fit{"NoAnchorsMiddleCell", 5, 3, 2, 1, {506.5, 160}, {}},
        Fit{"NoAnchorsOneCell", 1, 1, 0, 0, {506.5, 160}, {}},
        Fit{"KeptInsideThePicture", 60, 3, -5, 0, {0, 70}, sheared}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kelvara
