#pragma once
// IObjectFactory: makes the objects of classes that the model database needs new instances of
// but does not define: the camera of a new thumbnail, a font that the font manager lacks and
// the openings of a face.
// A model gives its factory (IModelContext::GetObjectFactory).

#include <memory>

#include "database/IFont.h"

class CEntity;
class CEnumOpeningLoop;
class ICamera;
class IModelView;

class IObjectFactory {
public:
    virtual ~IObjectFactory() = default;

    // With the camera's defaults.
    virtual std::unique_ptr<ICamera> CreateCamera() = 0;
    // A new font entity (an IFont) with those properties, owned by the caller.
    virtual CEntity* CreateFont(const CFontDescription& description) = 0;
    // The openings that glued cutting components make in the face (entity type 18), as the
    // view shows them or, without a view, all of them; owned by the caller. Null: none.
    virtual CEnumOpeningLoop* CreateOpeningEnumerator(CEntity* face, IModelView* view)
    {
        (void)face;
        (void)view;
        return nullptr;
    }
};
