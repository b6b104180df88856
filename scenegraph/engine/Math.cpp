#include "scenegraph/engine/Math.h"

#include <algorithm>

namespace Gap::Math {

namespace {

// The three indices other than i, ascending.
void Others(int i, int out[3])
{
    int n = 0;
    for (int k = 0; k < 4; ++k) {
        if (k != i)
            out[n++] = k;
    }
}

// The 3 x 3 determinant of the rows r0, r1, r2 and the columns c0, c1, c2 of m, in double: a
// singular matrix's determinant then comes out as zero or as noise far below any real one.
double Minor(const float m[4][4], int r0, int r1, int r2, int c0, int c1, int c2)
{
    auto e = [m](int r, int c) { return static_cast<double>(m[r][c]); };
    return e(r0, c0) * (e(r1, c1) * e(r2, c2) - e(r1, c2) * e(r2, c1)) -
           e(r0, c1) * (e(r1, c0) * e(r2, c2) - e(r1, c2) * e(r2, c0)) +
           e(r0, c2) * (e(r1, c0) * e(r2, c1) - e(r1, c1) * e(r2, c0));
}

// adj = the transposed cofactor matrix of m.
void Adjugate(const float m[4][4], double adj[4][4])
{
    for (int i = 0; i < 4; ++i) {
        int rows[3];
        Others(i, rows);
        for (int j = 0; j < 4; ++j) {
            int cols[3];
            Others(j, cols);
            adj[j][i] =
                (((i + j) & 1) ? -1.0 : 1.0) * Minor(m, rows[0], rows[1], rows[2], cols[0], cols[1], cols[2]);
        }
    }
}

}  // namespace

float igVec3f::normalize()
{
    const float len = length();
    if (len > 0.0f)
        *this *= 1.0f / len;
    return len;
}

igVec3f igVec3f::transformPoint(const igMatrix44f& m) const
{
    igVec3f r;
    for (int c = 0; c < 3; ++c)
        r[c] = _data[0] * m(0, c) + _data[1] * m(1, c) + _data[2] * m(2, c) + m(3, c);
    const float w = _data[0] * m(0, 3) + _data[1] * m(1, 3) + _data[2] * m(2, 3) + m(3, 3);
    if (w != 1.0f && w != 0.0f)
        r *= 1.0f / w;
    return r;
}

igVec3f igVec3f::transformVector(const igMatrix44f& m) const
{
    igVec3f r;
    for (int c = 0; c < 3; ++c)
        r[c] = _data[0] * m(0, c) + _data[1] * m(1, c) + _data[2] * m(2, c);
    return r;
}

igVec4f igVec4f::transform(const igMatrix44f& m) const
{
    igVec4f r;
    for (int c = 0; c < 4; ++c) {
        r[c] = _data[0] * m(0, c) + _data[1] * m(1, c) + _data[2] * m(2, c) + _data[3] * m(3, c);
    }
    return r;
}

void igMatrix44f::set(const float values[16])
{
    for (int i = 0; i < 16; ++i)
        _m[i / 4][i % 4] = values[i];
}

bool igMatrix44f::isIdentity(float tolerance) const
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!igAlmostEqual(_m[r][c], r == c ? 1.0f : 0.0f, tolerance))
                return false;
        }
    }
    return true;
}

void igMatrix44f::makeTranslation(const igVec3f& t)
{
    makeIdentity();
    setTranslation(t);
}

void igMatrix44f::makeScale(const igVec3f& s)
{
    makeIdentity();
    for (int i = 0; i < 3; ++i)
        _m[i][i] = s[i];
}

void igMatrix44f::makeOrthographicProjection(float left, float right, float bottom, float top, float nearZ,
                                             float farZ)
{
    makeIdentity();
    _m[0][0] = 2.0f / (right - left);
    _m[1][1] = 2.0f / (top - bottom);
    _m[2][2] = -2.0f / (farZ - nearZ);
    _m[3][0] = -(right + left) / (right - left);
    _m[3][1] = -(top + bottom) / (top - bottom);
    _m[3][2] = -(farZ + nearZ) / (farZ - nearZ);
}

void igMatrix44f::multiply(const igMatrix44f& a, const igMatrix44f& b)
{
    float r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r[i][j] = a._m[i][0] * b._m[0][j] + a._m[i][1] * b._m[1][j] + a._m[i][2] * b._m[2][j] +
                      a._m[i][3] * b._m[3][j];
        }
    }
    std::copy(&r[0][0], &r[0][0] + 16, &_m[0][0]);
}

float igMatrix44f::determinant() const
{
    double adj[4][4];
    Adjugate(_m, adj);
    double det = 0.0;
    for (int k = 0; k < 4; ++k)
        det += _m[0][k] * adj[k][0];
    return static_cast<float>(det);
}

void igMatrix44f::adjoint(const igMatrix44f& source)
{
    double adj[4][4];
    Adjugate(source._m, adj);
    for (int i = 0; i < 16; ++i)
        _m[i / 4][i % 4] = static_cast<float>(adj[i / 4][i % 4]);
}

void igMatrix44f::transpose(const igMatrix44f& source)
{
    float r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            r[i][j] = source._m[j][i];
    }
    std::copy(&r[0][0], &r[0][0] + 16, &_m[0][0]);
}

bool igMatrix44f::invert(const igMatrix44f& source)
{
    double adj[4][4];
    Adjugate(source._m, adj);
    double det = 0.0;
    for (int k = 0; k < 4; ++k)
        det += source._m[0][k] * adj[k][0];
    // Measured against the product of the row lengths, the largest the determinant can be, so that
    // neither a tiny scale nor a far translation decides; a singular matrix leaves only rounding.
    double bound = 1.0;
    for (int r = 0; r < 4; ++r) {
        double row = 0.0;
        for (int c = 0; c < 4; ++c)
            row += static_cast<double>(source._m[r][c]) * source._m[r][c];
        bound *= std::sqrt(row);
    }
    if (!std::isfinite(det) || bound == 0.0 || std::fabs(det) <= 1e-12 * bound)
        return false;
    for (int i = 0; i < 16; ++i)
        _m[i / 4][i % 4] = static_cast<float>(adj[i / 4][i % 4] / det);
    return true;
}

igVec3f igMatrix44f::transformNormal(const igVec3f& n) const
{
    igMatrix44f adj;
    adj.adjoint(*this);
    // n * transpose(adjoint): row c of the adjoint dotted with n.
    igVec3f r;
    for (int c = 0; c < 3; ++c)
        r[c] = n[0] * adj(c, 0) + n[1] * adj(c, 1) + n[2] * adj(c, 2);
    return r;
}

void igAABox::extend(const igVec3f& p)
{
    if (isEmpty()) {
        _min = p;
        _max = p;
        return;
    }
    for (int i = 0; i < 3; ++i) {
        _min[i] = std::min(_min[i], p[i]);
        _max[i] = std::max(_max[i], p[i]);
    }
}

void igAABox::extend(const igAABox& box)
{
    if (box.isEmpty())
        return;
    extend(box._min);
    extend(box._max);
}

bool igAABox::contains(const igVec3f& p) const
{
    for (int i = 0; i < 3; ++i) {
        if (p[i] < _min[i] || p[i] > _max[i])
            return false;
    }
    return true;
}

}  // namespace Gap::Math
