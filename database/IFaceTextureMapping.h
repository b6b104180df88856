#pragma once
// IFaceTextureMapping: how a texture lies on one side of a face (the record a face's texture
// coordinates hold for each side). The material manager keeps a copy of one as the current
// texture placement. The record's class implements it.

#include <memory>

class IFaceTextureMapping {
public:
    virtual ~IFaceTextureMapping() = default;

    // A copy of the whole record but its reference pairs, which belong to the face it came from.
    virtual std::unique_ptr<IFaceTextureMapping> CopyWithoutPairs() const = 0;
    virtual bool IsValid() const = 0;
};
