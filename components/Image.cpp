#include "components/Image.h"

#include <cwctype>
#include <memory>

#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/Texture.h"
#include "database/UndoManager.h"
#include "geometry/UnitVector3d.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "topology/Face.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

IMPLEMENT_SERIAL(CImage, CComponentInstance, VERSIONABLE_SCHEMA | 1)

namespace {

// The index at which the definition of an image normally keeps its face.
constexpr int kFaceIndex = 4;
constexpr int kFlatDrawing = 1;
constexpr uint32_t kTexturesFeature = 2;
// Towards the viewer, and away from it.
constexpr float kPulledOffset = -1.5f;
constexpr float kPushedOffset = 2.0f;

// The five display settings an image draws with, changed for the image and put back after it.
// The change is a passing one: nobody hears of it, since every listener of the options (the
// views, the section slices, the shadow lists) would otherwise rebuild on every frame that
// shows an image.
class CImageDisplaySettings {
public:
    explicit CImageDisplaySettings(CRenderingOptions* options) : m_options(options)
    {
        if (!m_options)
            return;
        m_texturesShown = m_options->GetTexturesShown();
        m_colorByLayer = m_options->IsColorByLayer();
        m_renderingMode = m_options->GetRenderingMode();
        m_edgeDisplay = m_options->GetEdgeDisplay();
        m_profiles = m_options->GetProfiles();
    }
    CImageDisplaySettings(const CImageDisplaySettings&) = delete;
    CImageDisplaySettings& operator=(const CImageDisplaySettings&) = delete;

    void Apply(bool textures, bool edges)
    {
        if (!m_options)
            return;
        orbisk::utils::CNotificationSuspender silent;
        m_options->SetProfiles(false);
        m_options->SetColorByLayer(false);
        m_options->SetRenderingMode(CRenderingOptions::kShaded);
        m_options->SetTexturesShown(textures);
        m_options->SetEdgeDisplay(edges ? 1 : 0);
    }

    void Restore()
    {
        if (!m_options)
            return;
        orbisk::utils::CNotificationSuspender silent;
        m_options->SetTexturesShown(m_texturesShown);
        m_options->SetColorByLayer(m_colorByLayer);
        m_options->SetRenderingMode(m_renderingMode);
        m_options->SetEdgeDisplay(m_edgeDisplay);
        m_options->SetProfiles(m_profiles);
    }

private:
    CRenderingOptions* m_options;
    bool m_texturesShown = false;
    bool m_colorByLayer = false;
    int32_t m_renderingMode = 0;
    int32_t m_edgeDisplay = 0;
    bool m_profiles = false;
};

}  // namespace

CImage::CImage()
{
    m_flags &= ~kCastsShadows;
}

CImage::CImage(const CImage& other) : CComponentInstance(other) {}

void CImage::Serialize(CArchive& ar)
{
    CComponentInstance::Serialize(ar);
    if (!ar.IsLoading())
        return;
    OnTransformChanged();
    if (CMaterial* material = std::exchange(m_material, nullptr))
        material->RemoveUse(true);
}

CEntity* CImage::CreateCopy() const
{
    return new CImage(*this);
}

int CImage::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CImage), map, [&] { return CComponentInstance::CheckValidity(level, map); },
        [] { return 0; });
}

void CImage::OnTransformChanged()
{
    const CTransform3d& transform = GetTransform();
    const double xScale = transform.GetXScale();
    const double yScale = transform.GetYScale();
    const CUnitVector3d x = transform.GetXAxis();
    const CUnitVector3d y = transform.GetYAxis();
    const CUnitVector3d z(transform.IsMirrored() ? CVector3d(y).Cross(x) : CVector3d(x).Cross(y));
    const CPoint3d origin = transform.GetOrigin();
    const double frame[16] = {x.x, x.y, x.z, 0, y.x,      y.y,      y.z,      0,
                              z.x, z.y, z.z, 0, origin.x, origin.y, origin.z, 1};
    SetTransformRaw(CTransform3d(frame) * CTransform3d(xScale, yScale, 1.0));
    CComponentInstance::OnTransformChanged();
}

void CImage::Draw(IModelView* view)
{
    if (!view)
        return;
    CSuspendUndo noUndo;
    CImageDisplaySettings settings(dynamic_cast<CRenderingOptions*>(view->GetRenderingOptions()));
    const bool flat = view->GetDrawingMode() == kFlatDrawing;
    const bool edges = !IsSelected() && IsPathSelected(view);
    settings.Apply(!flat, edges);
    if (flat) {
        view->SetLighting(false);
    } else {
        view->PushFeatures(kTexturesFeature);
        view->SetLighting(true);
    }

    const CFace* face = GetFace();
    view->PushTransform(GetTransform(), true);
    m_facing = face && face->IsFrontFacing(view);
    view->PopTransform(true);
    m_glued = IsGlued();
    const float offset = IsFrontFacing() ? kPulledOffset : kPushedOffset;
    view->PushPolygonOffset(true, offset, offset);

    CComponentInstance::Draw(view);

    view->PopPolygonOffset();
    settings.Restore();
    if (!flat)
        view->PopFeatures();
}

CFace* CImage::GetFace() const
{
    const CComponentDefinition* definition = GetDefinition();
    if (!definition)
        return nullptr;
    if (auto* face = dynamic_cast<CFace*>(definition->GetAt(kFaceIndex)))
        return face;
    for (CDrawingElement* entity : definition->GetEntityList()) {
        if (entity && entity->GetEntityType() == kEntityFace)
            return dynamic_cast<CFace*>(entity);
    }
    return nullptr;
}

double CImage::GetWidth() const
{
    const CFace* face = GetFace();
    const CMaterial* material = face ? face->GetMaterial() : nullptr;
    const CTexture* texture = material ? material->GetTexture() : nullptr;
    return texture ? texture->GetXScale() : 0.0;
}

double CImage::GetHeight() const
{
    const CFace* face = GetFace();
    const CMaterial* material = face ? face->GetMaterial() : nullptr;
    const CTexture* texture = material ? material->GetTexture() : nullptr;
    return texture ? texture->GetYScale() : 0.0;
}

bool CImage::Pick(IPickHelper* picker, double& depth, double& distance)
{
    const CFace* face = GetFace();
    if (!picker || !face)
        return false;
    const CPlane3d plane = GetTransform().MultiplyPlane(face->GetPlane());
    const CRay3d ray = picker->GetLocalRay();
    CPoint3d hit;
    if (!ray.Intersect(plane, hit))
        return false;
    distance = depth = ray.origin.DistanceTo(hit);
    return true;
}

CMaterial* CImage::FindMaterial() const
{
    const CFace* face = GetFace();
    CMaterial* material = face ? face->GetMaterial() : nullptr;
    const CTexture* texture = material ? material->GetTexture() : nullptr;
    auto* manager = material ? dynamic_cast<CMaterialManager*>(material->GetParent()) : nullptr;
    const CDib* image = texture ? texture->GetImage() : nullptr;
    if (!manager || !image)
        return nullptr;
    std::unique_ptr<IEntityIterator> materials(manager->CreateIterator());
    CEntity* entity = nullptr;
    while (materials->Next(entity)) {
        auto* candidate = dynamic_cast<CMaterial*>(entity);
        const CTexture* candidateTexture = candidate ? candidate->GetTexture() : nullptr;
        if (candidateTexture && candidateTexture->GetImage() == image)
            return candidate;
    }
    return nullptr;
}

CString CImage::MaterialNameFromFile(const CString& fileName)
{
    std::wstring name(fileName.GetString());
    const auto notSpace = [](wchar_t c) { return !std::iswspace(static_cast<wint_t>(c)); };
    name.erase(name.begin(), std::find_if(name.begin(), name.end(), notSpace));
    name.erase(std::find_if(name.rbegin(), name.rend(), notSpace).base(), name.end());
    // Names stored in models come from Windows, but either separator may occur.
    const size_t folder = name.find_last_of(L"\\/");
    if (folder != std::wstring::npos)
        name.erase(0, folder + 1);
    const size_t extension = name.rfind(L'.');
    if (extension != std::wstring::npos)
        name.erase(extension);
    return name.empty() ? CString(L"Image") : CString(name.c_str());
}

CMaterial* CImage::CreateMaterial() const
{
    const CFace* face = GetFace();
    const CMaterial* source = face ? face->GetMaterial() : nullptr;
    const CTexture* texture = source ? source->GetTexture() : nullptr;
    auto* manager = source ? dynamic_cast<CMaterialManager*>(source->GetParent()) : nullptr;
    if (!texture || !manager)
        return nullptr;
    auto* material = new CMaterial;
    material->SetType(source->GetType());
    material->SetColor(source->GetColor());
    material->SetTransparency(source->GetTransparency());
    material->SetUseTransparency(source->UsesTransparency());
    material->SetColorizeType(source->GetColorizeType());
    CString name = MaterialNameFromFile(texture->GetFileName());
    if (manager->FindMaterialByName(name))
        name = manager->MakeUniqueMaterialName(name);
    material->SetName(name);
    auto* copy = new CTexture;
    copy->SetXScale(texture->GetXScale() * GetTransform().GetXScale());
    copy->SetYScale(texture->GetYScale() * GetTransform().GetYScale());
    copy->SetAverageColor(texture->GetAverageColor());
    copy->SetFileName(texture->GetFileName());
    copy->SetImage(texture->GetImage());
    material->SetTexture(copy);
    manager->AddMaterial(material);
    return material;
}
