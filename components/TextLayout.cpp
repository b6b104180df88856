#include "components/TextLayout.h"

#include "components/ZpFont.h"
#include "database/IModelView.h"
#include "settings/ViewDefinition.h"
#include "support/SystemQueries.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

CVector3d GetTextGapVector(IModelView* view, const CZpFont* font, const CPoint3d& point, int textPosition)
{
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    if (!font || !definition)
        return {};
    const double scale = view->GetPixelSizeScale();
    if (!(scale > 0.0))
        return {};
    const double height = font->GetPixelHeight(view, point) / scale * orbisk::utils::GetScreenDpi() / 72.0;
    if (!(height > 0.0))
        return {};
    double direction = 0.0;
    if (textPosition == 3 || textPosition == 9)
        direction = 1.0;
    else if (textPosition == 5 || textPosition == 10)
        direction = -1.0;
    // The size of a pixel is asked for at the point in model coordinates.
    const CPoint3d modelPoint = view->GetTransform().MultiplyPoint(point);
    view->PushTransform(view->GetInverseTransform(), false);
    const double pixel = view->PixelsToModel(1, modelPoint);
    view->PopTransform(false);
    return CVector3d(definition->GetRight()) * (direction * height * pixel);
}
