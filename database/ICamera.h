#pragma once
// ICamera: what a thumbnail does with the camera it was taken from: copy it, read and write it
// as the camera's embedded record, check it and aim it. The camera class implements it.

#include <memory>

class CArchive;
namespace orbisk::geometry {
class CPoint3d;
class CVector3d;
}  // namespace orbisk::geometry

class ICamera {
public:
    virtual ~ICamera() = default;

    virtual std::unique_ptr<ICamera> Clone() const = 0;
    // The other is a camera of the same class.
    virtual void Assign(const ICamera& other) = 0;
    // True: the camera's record read in place (older files); false: an archive object of its own.
    virtual void ReadEmbedded(CArchive& ar, bool inlineForm) = 0;
    virtual void WriteEmbedded(CArchive& ar) const = 0;
    virtual bool IsValid() const = 0;
    // Eye and direction in model coordinates; the projection values, the field of view in
    // degrees and the height of the parallel projection.
    virtual void SetFromDirection(const orbisk::geometry::CPoint3d& eye,
                                  const orbisk::geometry::CVector3d& direction,
                                  const orbisk::geometry::CVector3d& up, double nearValue, double farValue,
                                  bool perspective, double fieldOfView, double parallelHeight) = 0;
};
