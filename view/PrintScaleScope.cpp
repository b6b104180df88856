#include "view/PrintScaleScope.h"

#include <cmath>

#include "database/IModelView.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"

CPrintScaleScope::~CPrintScaleScope()
{
    Restore();
}

void CPrintScaleScope::Apply(IModelView* view, int width, int height, double lineScale)
{
    if (!view)
        return;
    Restore();
    CViewDefinition* definition = view->GetViewDefinition();
    int x = 0;
    int y = 0;
    definition->GetViewport(x, y, m_width, m_height);
    const double w = m_width;
    const double h = std::max(m_height, 1);
    const double W = width;
    const double H = std::max(height, 1);
    const double aspect = definition->GetCamera().GetImageAspect();
    double ratio = 1.0;
    if (std::fabs(aspect) < 0.001) {
        m_savedView = definition->SetViewportSizeKeepingView(width, height);
        ratio = w / h > W / H ? W / w : H / h;
    } else {
        m_savedView = definition->SetViewportSizeKeepingImage(width, height);
        // The image fills the width of a window relatively taller than itself and the height of
        // a wider one: the ratio is the image's own, measured across both windows the same way.
        const double oldImageWidth = aspect > w / h ? w : std::trunc(aspect * h);
        const double newImageWidth = aspect > W / H ? W : std::trunc(aspect * H);
        ratio = oldImageWidth > 0.0 ? newImageWidth / oldImageWidth : 1.0;
    }
    m_view = view;
    view->SetPixelSizeScale(ratio);
    view->SetLineWidthScale(lineScale != 0.0 ? lineScale : ratio);
    view->SetLineWidth(1.0);
}

void CPrintScaleScope::Restore()
{
    if (!m_view)
        return;
    m_view->GetViewDefinition()->SetViewportSizeKeepFov(m_savedView, m_width, m_height);
    m_view->SetPixelSizeScale(1.0);
    m_view->SetLineWidthScale(1.0);
    m_view = nullptr;
}
