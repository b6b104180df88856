#pragma once
// CFaceTextureProjection: how one side of a face projects a texture. Object-linear generation
// planes S and T give (u, v) from a model point; a stored side mapping (plane coordinates to
// texture space) then carries (u, v, 1) to the texture coordinates (u, v, q).

#include <cstdint>

#include "geometry/Point3d.h"
#include "geometry/Transform2d.h"

class CFaceTextureProjection {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CTransform2d = orbisk::geometry::CTransform2d;

    // (u, v, q) of a model point.
    CPoint3d GetUVQ(const CPoint3d& point) const;

    uint8_t hasTransform = 0;
    uint8_t projective = 0;
    CTransform2d transform;
    double sPlane[4] = {1.0, 0.0, 0.0, 0.0};
    double tPlane[4] = {0.0, 1.0, 0.0, 0.0};
};
