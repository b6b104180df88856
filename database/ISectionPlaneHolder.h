#pragma once
// ISectionPlaneHolder: what holds an active section plane. Every component has at most one
// active plane among its entities; the model answers for the component being edited (else the
// root component) and, when its plane is set, clears the cut caches of the old and the new
// plane. Components and the model implement it; a section plane finds its component and its
// model through it.

class CDrawingElement;

class ISectionPlaneHolder {
public:
    virtual ~ISectionPlaneHolder() = default;

    // The active section plane (an element of entity type 31), null when none is.
    virtual CDrawingElement* GetActiveSectionPlane() const = 0;
    // Null makes no plane active.
    virtual void SetActiveSectionPlane(CDrawingElement* plane) = 0;
};

// The holder behind a component entity or a model, or null when it holds no section plane.
template <class T>
ISectionPlaneHolder* AsSectionPlaneHolder(T* object)
{
    return dynamic_cast<ISectionPlaneHolder*>(object);
}
