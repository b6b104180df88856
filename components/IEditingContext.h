#pragma once
// IEditingContext: the model's active path as the components draw and move by it: the
// instances open for editing, outermost first, and the component whose contents are being
// edited. The model object implements it; a component reaches it through the model it is
// drawn or read in (IModelView::GetModelContext, GetCurrentModel).

class CComponent;
class CDrawingElement;
class CInstancePath;

class IEditingContext {
public:
    virtual ~IEditingContext() = default;

    virtual CInstancePath& GetActivePath() = 0;
    // The innermost instance open for editing; null when none is.
    virtual CDrawingElement* GetActiveInstance() const = 0;
    // The definition component of the active instance, else the root component.
    virtual CComponent* GetActiveComponent() const = 0;
};
