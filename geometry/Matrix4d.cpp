#include "geometry/Matrix4d.h"

#include "geometry/Transform2d.h"

#include <cmath>
#include <utility>

namespace orbisk::geometry {

namespace {

// Rows of [M | I].
using Augmented = double[4][8];

// Moves the row with the largest magnitude in column `column` up to row `column` by
// pairwise swaps from the bottom, so equal magnitudes keep their order.
void Pivot(Augmented& rows, int column)
{
    for (int row = 3; row > column; --row) {
        if (std::abs(rows[row][column]) > std::abs(rows[row - 1][column]))
            std::swap(rows[row], rows[row - 1]);
    }
}

void Eliminate(Augmented& rows, int pivotRow, int row)
{
    const double factor = rows[row][pivotRow] / rows[pivotRow][pivotRow];
    if (factor == 0.0)
        return;
    for (int j = 0; j < 8; ++j)
        rows[row][j] -= factor * rows[pivotRow][j];
}

}  // namespace

CMatrix4d::CMatrix4d(const CTransform2d& transform)
{
    transform.GetMatrix4(m);
}

CMatrix4d CMatrix4d::operator*(const CMatrix4d& other) const
{
    CMatrix4d product;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += m[4 * k + r] * other.m[4 * c + k];
            product.m[4 * c + r] = sum;
        }
    }
    return product;
}

void CMatrix4d::Transform(double (&v)[4]) const
{
    double result[4];
    for (int r = 0; r < 4; ++r)
        result[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
    for (int r = 0; r < 4; ++r)
        v[r] = result[r];
}

bool CMatrix4d::GetInverse(CMatrix4d& out) const
{
    Augmented rows;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            rows[r][c] = m[4 * c + r];
            rows[r][4 + c] = r == c ? 1.0 : 0.0;
        }
    }
    for (int column = 0; column < 4; ++column) {
        Pivot(rows, column);
        if (rows[column][column] == 0.0) {
            out.SetIdentity();
            return false;
        }
        for (int row = column + 1; row < 4; ++row)
            Eliminate(rows, column, row);
    }
    for (int column = 3; column >= 0; --column) {
        const double pivot = rows[column][column];
        for (int j = 0; j < 8; ++j)
            rows[column][j] /= pivot;
        for (int row = 0; row < column; ++row)
            Eliminate(rows, column, row);
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            out.m[4 * c + r] = rows[r][4 + c];
    }
    return true;
}

}  // namespace orbisk::geometry
