#pragma once
// ILineProvider: the interface of line-like entities (edges, guide lines): their line as a ray.

#include "geometry/Ray3d.h"

class ILineProvider {
public:
    virtual ~ILineProvider() = default;
    virtual void GetLine(orbisk::geometry::CRay3d& ray) const = 0;
};
