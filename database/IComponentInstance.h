#pragma once
// IComponentInstance: what the definition list uses of a component instance (and of a group or
// an image, which are placed the same way): the definition it places. The instance classes
// implement it beside CDrawingElement.

class CEntity;

class IComponentInstance {
public:
    virtual ~IComponentInstance() = default;

    // The component definition, or null.
    virtual CEntity* GetDefinition() const = 0;
};
