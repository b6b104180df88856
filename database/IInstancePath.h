#pragma once
// IInstancePath: a chain of component instances (groups and images among them), outermost
// first, such as the model's active path or the instance path a view is drawing. The path
// class implements it.

class CDrawingElement;

class IInstancePath {
public:
    virtual ~IInstancePath() = default;

    virtual int GetSize() const = 0;
    // Null outside the path.
    virtual CDrawingElement* GetInstance(int index) const = 0;
};
