#pragma once
// CTransparencySorter: draws the transparent children of one component (its transparent faces,
// and its instances, groups and images) from the back to the front, so that blending composes
// them correctly. Everything is computed in the coordinates the component is being drawn in
// (the drawing base's current transformation), so one sorter serves one component; a nested
// component drawn by a sorted item builds its own.
//
// Calling order, within one transparent pass of a component:
//     CTransparencySorter sorter;
//     sorter.Init(mode, count, view);   // mode: the options' transparency sort, 1 or 2
//     sorter.Add(face, nullptr);        // each transparent face, while walking the faces
//     sorter.Add(nullptr, element);     // then each instance, group and image
//     sorter.Draw(view);                // draws them far to near
// Only call Init when mode and count are both nonzero; count is the number of faces,
// instances, groups and images of the component. Items beyond the count are ignored.
//
// Mode 1 sorts by the distance of each item's bounding-box centre from the eye (images always
// first); mode 2 is a depth sort that puts overlapping items in order by plane, box-region and
// projected-outline tests. Any other mode creates no strategy and the sorter draws nothing.

#include <memory>

class CDrawingElement;
class CFace;
class CTransSortImpl;
class IModelView;

class CTransparencySorter {
public:
    CTransparencySorter();
    virtual ~CTransparencySorter();
    CTransparencySorter(const CTransparencySorter&) = delete;
    CTransparencySorter& operator=(const CTransparencySorter&) = delete;

    void Init(int mode, int capacity, IModelView* view);
    // Exactly one of face and other is given: a transparent face of the component, or one of
    // its instances, groups or images.
    void Add(CFace* face, CDrawingElement* other);
    // Draws each item with its own Draw (view), farthest first; stops when the view's drawing
    // is interrupted.
    void Draw(IModelView* view);

private:
    std::unique_ptr<CTransSortImpl> strategy;
};
