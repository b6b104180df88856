// The model view's side of materials: the material sets itself up for this view (its colour,
// or its texture bound with coordinate generation).

#include "database/Material.h"
#include "view/ZphView.h"

int CZphView::BindMaterial(CMaterial* material, int a, int b)
{
    if (!material)
        return a;
    // Binding a texture is not allowed inside an open primitive.
    if (material->HasTextureImage())
        EndPrimitive();
    material->ApplyToView(this);
    // The texture planes cannot travel in the two integers of this call: callers that place
    // a texture hand their planes to the material themselves (CMaterial::ApplyTexturePlanes).
    static_cast<void>(b);
    return a;
}
