#pragma once
// The engine's single-precision maths: 3- and 4-vectors, 4 x 4 matrices, axis-aligned boxes and a
// tolerance compare. Plain values over float arrays; nothing here allocates or counts references.
//
// Matrices follow the row-vector convention: a point is a row (x, y, z, 1) multiplied on the left,
// p' = p * M, so row 3 holds the translation and a * b applies a first, then b. The element
// accessor is (row, column), zero-based; a perspective projection has element (3, 3) = 0 and its
// depth terms at (2, 2) and (3, 2). Element (3, 3) of an affine matrix may hold the reciprocal of a
// uniform scale, which is why point transforms divide by w.

#include <cmath>

namespace Gap::Math {

// |a - b| <= tolerance: an absolute tolerance, meant for values near the compared one (a squared
// length against 0, a matrix element against 0).
inline bool igAlmostEqual(float a, float b, float tolerance = 1e-6f)
{
    return std::fabs(a - b) <= tolerance;
}
inline bool igAlmostEqualf(float a, float b, float tolerance = 1e-6f)
{
    return igAlmostEqual(a, b, tolerance);
}

class igMatrix44f;

class igVec3f {
public:
    float _data[3] = {0.0f, 0.0f, 0.0f};

    constexpr igVec3f() = default;
    constexpr igVec3f(float x, float y, float z) : _data{x, y, z} {}

    void set(float x, float y, float z)
    {
        _data[0] = x;
        _data[1] = y;
        _data[2] = z;
    }
    float& operator[](int i) { return _data[i]; }
    float operator[](int i) const { return _data[i]; }
    float x() const { return _data[0]; }
    float y() const { return _data[1]; }
    float z() const { return _data[2]; }

    float dot(const igVec3f& o) const { return _data[0] * o[0] + _data[1] * o[1] + _data[2] * o[2]; }
    igVec3f cross(const igVec3f& o) const
    {
        return {_data[1] * o[2] - _data[2] * o[1], _data[2] * o[0] - _data[0] * o[2],
                _data[0] * o[1] - _data[1] * o[0]};
    }
    float lengthSquared() const { return dot(*this); }
    float length() const { return std::sqrt(lengthSquared()); }
    // Returns the length it had; a zero vector stays zero.
    float normalize();
    igVec3f normalized() const
    {
        igVec3f v = *this;
        v.normalize();
        return v;
    }

    // The point p * M, divided by w when w is neither 1 nor 0.
    igVec3f transformPoint(const igMatrix44f& m) const;
    // The direction v * M through the 3 x 3 part only: translation and w do not apply.
    igVec3f transformVector(const igMatrix44f& m) const;

    igVec3f operator+(const igVec3f& o) const { return {_data[0] + o[0], _data[1] + o[1], _data[2] + o[2]}; }
    igVec3f operator-(const igVec3f& o) const { return {_data[0] - o[0], _data[1] - o[1], _data[2] - o[2]}; }
    igVec3f operator-() const { return {-_data[0], -_data[1], -_data[2]}; }
    igVec3f operator*(float s) const { return {_data[0] * s, _data[1] * s, _data[2] * s}; }
    igVec3f& operator+=(const igVec3f& o) { return *this = *this + o; }
    igVec3f& operator-=(const igVec3f& o) { return *this = *this - o; }
    igVec3f& operator*=(float s) { return *this = *this * s; }
    bool operator==(const igVec3f& o) const = default;
};

class igVec4f {
public:
    float _data[4] = {0.0f, 0.0f, 0.0f, 0.0f};

    constexpr igVec4f() = default;
    constexpr igVec4f(float x, float y, float z, float w) : _data{x, y, z, w} {}

    void set(float x, float y, float z, float w)
    {
        _data[0] = x;
        _data[1] = y;
        _data[2] = z;
        _data[3] = w;
    }
    float& operator[](int i) { return _data[i]; }
    float operator[](int i) const { return _data[i]; }
    float x() const { return _data[0]; }
    float y() const { return _data[1]; }
    float z() const { return _data[2]; }
    float w() const { return _data[3]; }

    float dot(const igVec4f& o) const
    {
        return _data[0] * o[0] + _data[1] * o[1] + _data[2] * o[2] + _data[3] * o[3];
    }
    // a at t = 0, b at t = 1.
    static igVec4f lerp(const igVec4f& a, const igVec4f& b, float t)
    {
        return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t,
                a[3] + (b[3] - a[3]) * t};
    }
    // The full homogeneous v * M, no division.
    igVec4f transform(const igMatrix44f& m) const;

    bool operator==(const igVec4f& o) const = default;
};

class igMatrix44f {
public:
    // _m[row][column]; identity when made.
    float _m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    constexpr igMatrix44f() = default;

    // Sixteen values row by row: rows 0 to 2 the images of the x, y and z axes, row 3 the translation.
    void set(const float values[16]);
    void makeIdentity() { *this = igMatrix44f(); }
    bool isIdentity(float tolerance = 0.0f) const;
    void makeTranslation(const igVec3f& t);
    void makeScale(const igVec3f& s);
    // As glOrtho: the box maps to the cube -1..1, with the view looking down -z, so z = -nearZ goes
    // to -1 and z = -farZ to +1.
    void makeOrthographicProjection(float left, float right, float bottom, float top, float nearZ,
                                    float farZ);

    float& operator()(int row, int column) { return _m[row][column]; }
    float operator()(int row, int column) const { return _m[row][column]; }
    igVec3f getTranslation() const { return {_m[3][0], _m[3][1], _m[3][2]}; }
    void setTranslation(const igVec3f& t)
    {
        _m[3][0] = t[0];
        _m[3][1] = t[1];
        _m[3][2] = t[2];
    }

    // this = a * b: a applies first. Either argument may be this matrix.
    void multiply(const igMatrix44f& a, const igMatrix44f& b);
    // this = this * b, b applies after this matrix.
    void postMultiply(const igMatrix44f& b) { multiply(*this, b); }
    // this = a * this, a applies before this matrix.
    void preMultiply(const igMatrix44f& a) { multiply(a, *this); }
    igMatrix44f operator*(const igMatrix44f& b) const
    {
        igMatrix44f r;
        r.multiply(*this, b);
        return r;
    }

    float determinant() const;
    // The classical adjoint (adjugate): adjoint * this = determinant * identity. Its transpose carries
    // normals, in proportion to the inverse transpose, without needing an invertible matrix.
    void adjoint(const igMatrix44f& source);
    void transpose(const igMatrix44f& source);
    void transpose() { transpose(*this); }
    // False, and this matrix unchanged, when the source is singular within float precision.
    bool invert(const igMatrix44f& source);
    bool invert() { return invert(*this); }

    igVec3f transformPoint(const igVec3f& p) const { return p.transformPoint(*this); }
    igVec3f transformVector(const igVec3f& v) const { return v.transformVector(*this); }
    // Through the transposed adjoint's 3 x 3 part, not normalised; the direction stays
    // perpendicular to transformed surfaces.
    igVec3f transformNormal(const igVec3f& n) const;

    bool operator==(const igMatrix44f& o) const = default;
};

// A box whose minimum exceeds its maximum in x is empty; a box made is empty.
class igAABox {
public:
    igVec3f _min{1.0f, 1.0f, 1.0f};
    igVec3f _max{-1.0f, -1.0f, -1.0f};

    constexpr igAABox() = default;
    constexpr igAABox(const igVec3f& minimum, const igVec3f& maximum) : _min(minimum), _max(maximum) {}

    void makeEmpty() { *this = igAABox(); }
    bool isEmpty() const { return _min[0] > _max[0]; }
    void set(const igVec3f& minimum, const igVec3f& maximum)
    {
        _min = minimum;
        _max = maximum;
    }
    const igVec3f& getMin() const { return _min; }
    const igVec3f& getMax() const { return _max; }
    void extend(const igVec3f& p);
    void extend(const igAABox& box);
    igVec3f getCenter() const { return (_min + _max) * 0.5f; }
    // Zero for an empty box.
    float getDiagonalSquared() const { return isEmpty() ? 0.0f : (_max - _min).lengthSquared(); }
    bool contains(const igVec3f& p) const;
};

}  // namespace Gap::Math
