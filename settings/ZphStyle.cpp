#include "settings/ZphStyle.h"

#include "database/ArchiveSchema.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/StyleRecord.h"
#include "settings/ZphStyleManager.h"

IMPLEMENT_SERIAL(CZphStyle, CEntity, VERSIONABLE_SCHEMA | 1)

CZphStyle::CZphStyle()
{
    orbisk::utils::CGuid guid;
    guid.Create();
    MarkChanged();
    m_guid = guid;
}

CZphStyle::CZphStyle(const CZphStyle& other) : CEntity(other), m_guid(other.m_guid), m_text(other.m_text)
{
    m_style.Reset();
    m_style.Assign(other.m_style);
}

CZphStyle::~CZphStyle() = default;

void CZphStyle::Assign(const CZphStyle& other)
{
    if (this == &other)
        return;
    m_guid = other.m_guid;
    m_text = other.m_text;
    m_style.Reset();
    m_style.Assign(other.m_style);
}

CEntity* CZphStyle::CreateCopy() const
{
    return new CZphStyle(*this);
}

CZphStyleManager* CZphStyle::GetManager() const
{
    CEntity* parent = GetParent();
    return parent && parent->IsKindOf(RUNTIME_CLASS(CZphStyleManager))
               ? static_cast<CZphStyleManager*>(parent)
               : nullptr;
}

void CZphStyle::SetName(const std::wstring& name)
{
    if (name == m_style.GetName())
        return;
    MarkChanged();
    m_style.SetName(name);
    if (CZphStyleManager* manager = GetManager())
        manager->PostStyleNotification(this, CStyleNotification::kChanged);
}

void CZphStyle::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto* that = dynamic_cast<CZphStyle*>(&other);
    if (!that)
        return;
    std::swap(m_guid, that->m_guid);
    std::swap(m_text, that->m_text);
    const orbisk::Style mine(m_style);
    m_style = that->m_style;
    that->m_style = mine;
    if (CZphStyleManager* manager = GetManager())
        manager->PostStyleNotification(this, CStyleNotification::kSwapped);
}

void CZphStyle::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (!ar.IsLoading()) {
            // Nothing in this program stores a style; the record is read only.
            AfxThrowArchiveException(CArchiveException::genericException);
        }
        GUID& guid = m_guid.value;
        ar >> guid.Data1 >> guid.Data2 >> guid.Data3;
        for (unsigned char& byte : guid.Data4)
            ar >> byte;
        m_style.Reset();
        CString text;
        ar >> text;
        m_text = text.GetString();
        ReadStyleRecord(ar, m_style);
    });
}

int CZphStyle::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CZphStyle), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] {
            if (!m_style.GetName().empty())
                return 0;
            AppendValidityMessage("The name for %s is not valid.\n", DescribeEntity(this).GetString());
            return 2;
        });
}
