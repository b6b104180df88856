#include "database/Layer.h"

#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/EntityDisposal.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"
#include "support/NotificationCenter.h"

IMPLEMENT_SERIAL(CLayer, CEntity, VERSIONABLE_SCHEMA | 2)

using orbisk::utils::CColor;

namespace {

const CString kMaterialName(L"Layer");
const CString kMaterialNamePrefix(L"Layer_");

bool IsValidBehavior(uint32_t behavior)
{
    return behavior == 0 || behavior == CLayer::kVisibleInNewScene || behavior == CLayer::kHiddenInNewScene;
}

}  // namespace

void PostLayerNotification(int32_t code, CLayer* layer)
{
    CLayerNotificationInfo info{code, layer};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Layer Changed", &info);
}

CLayer::CLayer() : m_material(new CMaterial(kMaterialName, true))
{
    m_material->SetParent(this);
}

CLayer::CLayer(const CLayer& other)
    : CEntity(other),
      m_name(other.m_name),
      m_hidden(other.m_hidden),
      m_material(other.m_material),
      m_behavior(other.m_behavior)
{}

const CString& CLayer::GetDefaultLayerName()
{
    static const CString name(L"Layer0");
    return name;
}

bool CLayer::IsDefaultLayer(const CLayer* layer)
{
    return !layer || layer->m_name == GetDefaultLayerName();
}

CString CLayer::GetLayerName(const CLayer* layer)
{
    return IsDefaultLayer(layer) ? GetDefaultLayerName() : layer->m_name;
}

void CLayer::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CLayer::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CLayer));
    ar >> m_name >> m_hidden;
    if (schema == 0) {
        CColor color;
        ar >> color;
        m_material->SetColor(color);
        bool madeHere = false;
        CMaterial* dropped = ReadReference<CMaterial>(ar, madeHere);
        if (madeHere)
            KeepUnownedObject(dropped);
    } else {
        m_material->Serialize(ar);
    }
    m_behavior = 0;
    if (schema >= 2)
        ar >> m_behavior;
}

void CLayer::WriteRecord(CArchive& ar)
{
    ar << m_name << m_hidden;
    m_material->Serialize(ar);
    ar << m_behavior;
}

void CLayer::Erase()
{
    MarkChanged();
    m_material.Erase();
    CEntity::Erase();
}

CEntity* CLayer::CreateCopy() const
{
    return new CLayer(*this);
}

void CLayer::SwapContents(CEntity& other)
{
    auto& that = static_cast<CLayer&>(other);
    CEntity::SwapContents(other);
    std::swap(m_name, that.m_name);
    std::swap(m_hidden, that.m_hidden);
    std::swap(m_behavior, that.m_behavior);
    m_material.Swap(that.m_material);
    PostLayerNotification(CLayerNotificationInfo::kSwapped, this);
}

void CLayer::SetName(const CString& name)
{
    if (name == m_name)
        return;
    MarkChanged();
    m_name = name;
    m_material->SetName(kMaterialNamePrefix + name);
}

void CLayer::SetHidden(bool hidden)
{
    if (hidden == m_hidden)
        return;
    MarkChanged();
    m_hidden = hidden;
}

bool CLayer::IsVisible(bool forNewScene) const
{
    bool hidden = m_hidden;
    if (forNewScene) {
        if (m_behavior & kHiddenInNewScene)
            hidden = true;
        if (m_behavior & kVisibleInNewScene)
            hidden = false;
    }
    return (m_behavior & kInvertHidden) ? hidden : !hidden;
}

bool CLayer::MatchesSceneDefault(const CLayer* layer, int mode)
{
    // Behaviour bit 0 turns the visibility test into "is hidden", so the test answers true
    // exactly in the default state.
    return !layer || layer->IsVisible(mode != 0);
}

void CLayer::SetColor(CColor color)
{
    if (color.GetPacked() == 0)
        return;
    MarkChanged();
    m_material->SetColor(color);
}

void CLayer::SetBehavior(uint32_t behavior)
{
    if (behavior == m_behavior)
        return;
    MarkChanged();
    m_behavior = behavior;
}

int CLayer::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CLayer), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CLayer::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    if (level != kValidityCheckIgnoringIds && m_name.IsEmpty()) {
        AppendValidityMessage("The name for %s is not valid\n", DescribeEntity(this).GetString());
        return 2;
    }
    int remembered = 0;
    CMaterial* material = m_material.Get();
    if (!material || !material->IsKindOf(RUNTIME_CLASS(CMaterial))) {
        AppendValidityMessage("The material for %s is not valid\n", DescribeEntity(this).GetString());
        return RecordValidity(material, 3, map);
    }
    if (map) {
        const int result = material->CheckValidity(level, map);
        if (result >= 2)
            return RecordValidity(material, result, map);
        remembered = result;
    }
    if (level != kValidityCheckIgnoringIds && !IsValidBehavior(m_behavior)) {
        AppendValidityMessage("The behavior for %s is not valid", DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            m_behavior = 0;
        } else {
            remembered = 1;
        }
    }
    return remembered;
}
