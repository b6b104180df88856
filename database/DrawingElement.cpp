#include "database/DrawingElement.h"

#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/IComponent.h"
#include "database/IInstancePath.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IRenderingOptions.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"

IMPLEMENT_SERIAL(CDrawingElement, CEntity, VERSIONABLE_SCHEMA | 9)

using orbisk::utils::CColor;

namespace {

constexpr uint32_t kClearedAfterReading = 0x1FC0;  // bits 6 to 12

IModelContext* ModelOrCurrent(const CEntity& entity)
{
    IModelContext* model = entity.GetModel();
    return model ? model : GetCurrentModel();
}

CLayerManager* LayerManagerOf(const IModelContext* model)
{
    return model ? model->GetLayerManager() : nullptr;
}

const IRenderingOptions* OptionsOf(IModelView* view)
{
    return view ? view->GetRenderingOptions() : nullptr;
}

bool IsNoColor(const CColor& color)
{
    return color == CColor();
}

}  // namespace

CDrawingElement::CDrawingElement()
{
    CLayerManager* manager = LayerManagerOf(GetCurrentModel());
    CLayer* current = manager ? manager->GetCurrentLayer() : nullptr;
    if (!CLayer::IsDefaultLayer(current))
        m_layer = current;
}

CDrawingElement::CDrawingElement(const CDrawingElement& other)
    : CEntity(other),
      m_flags(other.m_flags & kPersistentBits),
      m_material(other.m_material),
      m_layer(other.m_layer)
{}

void CDrawingElement::Serialize(CArchive& ar)
{
    SerializeGuarded(
        ar,
        [&] {
            CEntity::Serialize(ar);
            if (ar.IsLoading())
                ReadRecord(ar);
            else
                WriteRecord(ar);
        },
        // The material counted this element as a user.
        [&] {
            if (CMaterial* material = std::exchange(m_material, nullptr))
                material->RemoveUse(false);
            m_layer = nullptr;
        });
}

void CDrawingElement::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CDrawingElement));
    ReadMaterial(ar, schema);
    auto readBit = [&](uint32_t bit) {
        bool on = false;
        ar >> on;
        SetBit(m_flags, bit, on);
    };
    if (schema >= 1)
        readBit(kHidden);
    if (schema >= 6) {
        readBit(kCastsShadows);
        readBit(kSecondShadow);
    }
    if (schema >= 7)
        readBit(kSoft);
    if (schema >= 8)
        readBit(kSmooth);
    else
        SetBit(m_flags, kSmooth, (m_flags & kSoft) != 0);
    if (schema >= 9)
        readBit(kSecondHighlight);
    if (schema == 2) {
        bool hasMaterial = false;
        ar >> hasMaterial;
        if (hasMaterial) {
            bool madeHere = false;
            CMaterial* dropped = ReadReference<CMaterial>(ar, madeHere);
            if (madeHere)
                KeepUnownedObject(dropped);
        }
    } else if (schema >= 4) {
        m_layer = ReadUnownedReference<CLayer>(ar);
    }
    m_flags &= ~kClearedAfterReading;
}

void CDrawingElement::ReadMaterial(CArchive& ar, int32_t schema)
{
    if (schema == 2)
        return;
    if (schema >= 5) {
        m_material = ReadUnownedReference<CMaterial>(ar);
        if (m_material)
            m_material->AddUse(false);
        return;
    }
    CColor color;
    orbisk::utils::operator>>(ar, color);
    SetMaterialFromColor(color, false);
}

void CDrawingElement::WriteRecord(CArchive& ar) const
{
    ar << static_cast<const CObject*>(m_material);
    for (uint32_t bit : {kHidden, kCastsShadows, kSecondShadow, kSoft, kSmooth})
        ar << ((m_flags & bit) != 0);
    const int format = GetSaveFormat();
    if (format >= 5000 && format <= 8000)
        ar << ((m_flags & kSecondHighlight) != 0);
    ar << static_cast<const CObject*>(m_layer);
}

void CDrawingElement::ForgetSharedParts()
{
    m_material = nullptr;
    m_layer = nullptr;
}

void CDrawingElement::Erase()
{
    if (m_material)
        m_material->RemoveUse(true);
    CEntity::Erase();
}

CEntity* CDrawingElement::CreateCopy() const
{
    return new CDrawingElement(*this);
}

void CDrawingElement::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto& element = static_cast<CDrawingElement&>(other);
    const uint32_t mine = m_flags & kPersistentBits;
    m_flags = (m_flags & ~kPersistentBits) | (element.m_flags & kPersistentBits);
    element.m_flags = (element.m_flags & ~kPersistentBits) | mine;
    std::swap(m_material, element.m_material);
    std::swap(m_layer, element.m_layer);
    m_flags &= ~kRunTimeBits;
}

int CDrawingElement::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CDrawingElement), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CDrawingElement::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    CEntity* parent = GetParent();
    if (parent && !parent->IsKindOf(RUNTIME_CLASS(CEntity))) {
        AppendValidityMessage("The parent of %s is not a CEntity\n", name.GetString());
        return RecordValidity(parent, 3, map);
    }
    if (m_material && !IsEntityOfType(m_material, kEntityMaterial)) {
        AppendValidityMessage("The material for %s is not a CMaterial\n", name.GetString());
        return RecordValidity(m_material, 3, map);
    }
    if (m_layer && !IsEntityOfType(m_layer, kEntityLayer)) {
        AppendValidityMessage("The layer for %s is not a CLayer\n", name.GetString());
        return RecordValidity(m_layer, 3, map);
    }
    if (!map)
        return 0;
    const int materialResult = CheckMaterialMembership(level, map);
    if (materialResult >= 2)
        return materialResult;
    const int layerResult = CheckLayerMembership(level, map);
    if (layerResult >= 2)
        return layerResult;
    return materialResult != 0 ? materialResult : layerResult;
}

int CDrawingElement::CheckMaterialMembership(int level, CCheckedObjectMap* map)
{
    IModelContext* model = GetModel();
    CMaterialManager* manager = m_material && model ? model->GetMaterialManager() : nullptr;
    if (!manager)
        return 0;
    const CString name = DescribeEntity(this);
    if (!IsEntityOfType(manager, kEntityMaterialManager)) {
        AppendValidityMessage("The model's material manager (accessed from %s) is not a CMaterialManager\n",
                              name.GetString());
        return RecordValidity(manager, 3, map);
    }
    if (manager->Contains(m_material))
        return 0;
    AppendValidityMessage("The material for %s not valid", name.GetString());
    if (!ShouldFix(level))
        return 1;
    MarkChanged();
    m_material = nullptr;
    return 0;
}

int CDrawingElement::CheckLayerMembership(int level, CCheckedObjectMap* map)
{
    IModelContext* model = GetModel();
    CLayerManager* manager = m_layer && model ? model->GetLayerManager() : nullptr;
    if (!manager)
        return 0;
    const CString name = DescribeEntity(this);
    if (!IsEntityOfType(manager, kEntityLayerManager)) {
        AppendValidityMessage("The model's layer manager (accessed from %s) is not a CLayerManager\n",
                              name.GetString());
        return RecordValidity(manager, 3, map);
    }
    if (manager->Contains(m_layer))
        return 0;
    AppendValidityMessage("The layer for %s not valid", name.GetString());
    if (!ShouldFix(level))
        return 1;
    MarkChanged();
    m_layer = nullptr;
    return 0;
}

void CDrawingElement::ReleaseGLResources() {}

void CDrawingElement::Draw(IModelView*) {}

bool CDrawingElement::Pick(IPickHelper*, double& depth, double& distance)
{
    depth = 0.0;
    distance = 0.0;
    return false;
}

void CDrawingElement::DrawShadowVolume(IModelView*, CShadowVolumeBuilder*) {}

void CDrawingElement::AddBoundsTransformed(const orbisk::geometry::CTransform3d&, CBoundingBox3d&) const {}

void CDrawingElement::AddScreenBounds(CBoundingBox3d&, IModelView*) const {}

void CDrawingElement::AddBounds(CBoundingBox3d& box) const
{
    AddBoundsTransformed(orbisk::geometry::CTransform3d(), box);
}

bool CDrawingElement::PassesCulling(IModelView*)
{
    return true;
}

CDrawingElement::CBoundingBox3d CDrawingElement::GetBounds() const
{
    CBoundingBox3d box;
    box.SetEmpty();
    AddBounds(box);
    return box;
}

bool CDrawingElement::IsVisible(IModelView* view)
{
    if (view && view->IsHiddenByEditing(this))
        return false;
    return IsSelected() || !IsHidden(view);
}

bool CDrawingElement::IsHidden(IModelView* view)
{
    if (!(m_flags & kHidden))
        return IsOnHiddenLayer(view);
    const IRenderingOptions* options = OptionsOf(view);
    if (options && options->IsHiddenGeometryShown())
        return IsOnHiddenLayer(view);
    return true;
}

bool CDrawingElement::IsOnHiddenLayer(IModelView* view)
{
    CLayer* layer = m_layer;
    if (!layer && view)
        layer = view->GetLayer();
    if (!layer)
        layer = GetDefaultLayer();
    return layer && layer->IsHidden();
}

int CDrawingElement::PickInside(IPickHelper*)
{
    return 0;
}

bool CDrawingElement::PickRay(IPickHelper*, const orbisk::geometry::CRay3d&, orbisk::geometry::CPoint3d&,
                              orbisk::geometry::CVector3d&, void*)
{
    return false;
}

bool CDrawingElement::IsPathSelected(IModelView* view)
{
    return HasInstanceOnPathWith(view, kSelected);
}

bool CDrawingElement::HasFlaggedInstanceOnPath(IModelView* view)
{
    return HasInstanceOnPathWith(view, kSecondHighlight);
}

bool CDrawingElement::HasHiddenInstanceOnPath(IModelView* view)
{
    return HasInstanceOnPathWith(view, kHidden);
}

bool CDrawingElement::HasInstanceOnPathWith(IModelView* view, uint32_t bit)
{
    const IInstancePath* path = view ? view->GetInstancePath() : nullptr;
    if (!path)
        return false;
    for (int i = path->GetSize() - 1; i >= 0; --i) {
        const CDrawingElement* instance = path->GetInstance(i);
        if (instance && (instance->m_flags & bit))
            return true;
    }
    return false;
}

void CDrawingElement::SetFlagBit4(bool on)
{
    SetPersistentBit(kSmooth, on);
}

void CDrawingElement::SetPersistentBit(uint32_t bit, bool on)
{
    if (((m_flags & bit) != 0) == on)
        return;
    MarkChanged();
    SetBit(m_flags, bit, on);
}

bool CDrawingElement::AcceptsMaterial() const
{
    return true;
}

CMaterial* CDrawingElement::GetMaterial() const
{
    return m_material;
}

void CDrawingElement::SetMaterial(CMaterial* material)
{
    if (!AcceptsMaterial() || material == m_material)
        return;
    MarkChanged();
    ReplaceMaterial(material, true);
}

void CDrawingElement::ReplaceMaterial(CMaterial* material, bool notify)
{
    if (m_material)
        m_material->RemoveUse(notify);
    m_material = material;
    if (m_material)
        m_material->AddUse(notify);
}

CMaterial* CDrawingElement::GetMaterialForView(IModelView* view)
{
    const IRenderingOptions* options = OptionsOf(view);
    if (options && options->IsColorByLayer()) {
        CLayer* layer = GetLayer();
        if (CLayer::IsDefaultLayer(layer) && view->GetLayer())
            layer = view->GetLayer();
        return layer ? layer->GetMaterial() : nullptr;
    }
    if (m_material)
        return m_material;
    return view ? view->GetMaterial() : nullptr;
}

bool CDrawingElement::UsesDefaultLayer() const
{
    return m_layer == nullptr;
}

CLayer* CDrawingElement::GetLayer() const
{
    return m_layer ? m_layer : GetDefaultLayer();
}

CLayer* CDrawingElement::GetDefaultLayer() const
{
    CLayerManager* manager = LayerManagerOf(ModelOrCurrent(*this));
    return manager ? manager->GetDefaultLayer() : nullptr;
}

void CDrawingElement::SetLayer(CLayer* layer)
{
    CLayer* stored = CLayer::IsDefaultLayer(layer) ? nullptr : layer;
    if (stored == m_layer)
        return;
    MarkChanged();
    m_layer = stored;
}

bool CDrawingElement::EraseFrom(CEntity* component)
{
    IComponent* container = AsComponent(component);
    return container && container->EraseEntity(this);
}

void CDrawingElement::CopyDisplayProperties(CDrawingElement& other)
{
    for (uint32_t bit : {kHidden, kCastsShadows, kSecondShadow, kSoft})
        SetPersistentBit(bit, (other.m_flags & bit) != 0);
    SetFlagBit4((other.m_flags & kSmooth) != 0);
    SetMaterial(other.GetMaterial());
    SetLayer(other.GetLayer());
    m_secondFlags = (m_secondFlags & ~1u) | (other.m_secondFlags & 1u);
    m_flags = (m_flags & ~kCopiedDisplayBits) | (other.m_flags & kCopiedDisplayBits);
    CopyAttributesFrom(other, false);
}

void CDrawingElement::Explode(CEntity*, CEntitySet&) {}

bool CDrawingElement::CanExplode() const
{
    return false;
}

bool CDrawingElement::Accept(IEntityExportVisitor*)
{
    return true;
}

void CDrawingElement::InvalidateDisplay()
{
    ReleaseGLResources();
}

void CDrawingElement::UpdateDependents() {}

void CDrawingElement::SetDrawColor(IModelView* view, CColor color)
{
    if (view && !IsNoColor(color))
        view->SetColor(color);
}

void CDrawingElement::ApplyDrawColor(IModelView* view)
{
    SetDrawColor(view, GetColorForView(view));
}

CColor CDrawingElement::GetDefaultColor(const IRenderingOptions* options)
{
    return options ? options->GetEdgeColor() : CColor();
}

CColor CDrawingElement::GetColorForView(IModelView* view)
{
    const IRenderingOptions* options = OptionsOf(view);
    CColor color;
    if (UsesHighlightColor() && (IsSelected() || IsPathSelected(view))) {
        if (options) {
            const bool second = (m_flags & kSecondHighlight) || HasFlaggedInstanceOnPath(view);
            color = second ? options->GetLockedColor() : options->GetSelectedColor();
        }
    } else if (const CMaterial* material = GetMaterialForView(view)) {
        color = material->GetDisplayColor();
    }
    if (IsNoColor(color))
        color = GetDefaultColor(options);
    return color;
}

CColor CDrawingElement::GetSolidColor(const IColorContext* context)
{
    if (m_material && m_material->IsPlainColor())
        return m_material->GetColor();
    if (context)
        return context->GetOverrideColor();
    return CColor();
}

bool CDrawingElement::UsesHighlightColor() const
{
    return true;
}

CColor CDrawingElement::GetMaterialColor() const
{
    if (!m_material)
        return CColor();
    return m_material->IsPlainColor() ? m_material->GetColor() : m_material->GetDisplayColor();
}

void CDrawingElement::SetMaterialFromColor(CColor color, bool announce)
{
    if (IsNoColor(color) || !AcceptsMaterial())
        return;
    if (m_material && m_material->IsPlainColor() && m_material->GetColor() == color)
        return;
    IModelContext* model = GetCurrentModel();
    CMaterialManager* manager = model ? model->GetMaterialManager() : nullptr;
    if (!manager)
        return;
    if (announce)
        MarkChanged();
    ReplaceMaterial(manager->GetOrCreateColorMaterial(color), announce);
}
