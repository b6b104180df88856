// A face clipped by the section planes on the CPU: the shadow-volume passes and stroked edges
// suppress the GL clip planes, yet what they draw must still stop at the section planes.

#include "database/IModelView.h"
#include "topology/Face.h"
#include "topology/FacePolygon.h"
#include "topology/SectionPlaneStack.h"

void CFace::DrawClipped(IModelView* view)
{
    CFacePolygon polygon(this, view, false);
    const CSectionPlaneStack* planes = view->GetSectionPlaneStack();
    if (planes && !planes->ClipPolygon(polygon))
        return;
    view->EndPrimitive();
    polygon.Draw(false);
}
