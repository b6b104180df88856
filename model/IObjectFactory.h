#pragma once
// IObjectFactory: makes the objects of classes that the model database needs new instances of
// but does not define: the camera of a new thumbnail and a font that the font manager lacks.
// A model gives its factory (IModelContext::GetObjectFactory).

#include <memory>

#include "model/IFont.h"

class CEntity;
class ICamera;

class IObjectFactory {
public:
    virtual ~IObjectFactory() = default;

    // With the camera's defaults.
    virtual std::unique_ptr<ICamera> CreateCamera() = 0;
    // A new font entity (an IFont) with those properties, owned by the caller.
    virtual CEntity* CreateFont(const CFontDescription& description) = 0;
};
