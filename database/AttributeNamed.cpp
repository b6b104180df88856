#include "database/AttributeNamed.h"

#include <algorithm>

#include "database/ArchiveSchema.h"
#include "support/NotificationCenter.h"
#include "support/StringUtils.h"

IMPLEMENT_SERIAL(CAttributeNamed, CAttribute, VERSIONABLE_SCHEMA | 1)

using orbisk::utils::CTypedValue;

namespace {

constexpr const wchar_t* kDynamicAttributes = L"dynamic_attributes";

// The position of a code point in UTF-16 code-unit order: the units E000 to FFFF come after
// every supplementary character, which UTF-16 writes with leading units D800 to DBFF.
uint32_t Utf16Rank(wchar_t c)
{
    const auto value = static_cast<uint32_t>(c);
    return value >= 0xE000 && value <= 0xFFFF ? value + 0x110000 : value;
}

}  // namespace

bool CAttributeNamed::Utf16Less::operator()(const CString& a, const CString& b) const
{
    return std::lexicographical_compare(a.GetString(), a.GetString() + a.GetLength(), b.GetString(),
                                        b.GetString() + b.GetLength(),
                                        [](wchar_t x, wchar_t y) { return Utf16Rank(x) < Utf16Rank(y); });
}

void CAttributeNamed::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CAttribute::Serialize(ar);
        if (ar.IsLoading())
            ReadEntries(ar);
        else if (IsSaveFormat4000OrLater())
            WriteEntries(ar);
    });
}

void CAttributeNamed::ReadEntries(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CAttributeNamed));
    ar.ReadString(m_name);
    for (;;) {
        CString key;
        ar.ReadString(key);
        if (key.IsEmpty())
            break;
        CTypedValue value;
        ar >> value;
        m_dictionary.insert_or_assign(key, std::move(value));
    }
    if (schema > 0)
        ar >> m_secondValue;
}

void CAttributeNamed::WriteEntries(CArchive& ar) const
{
    ar.WriteString(m_name);
    for (const auto& [key, value] : m_dictionary) {
        ar.WriteString(key);
        ar << value;
    }
    ar.WriteString(CString());
    if (GetSaveFormat() >= 7000)
        ar << m_secondValue;
}

void CAttributeNamed::Erase()
{
    MarkChanged();
    m_dictionary.clear();
    CEntity::Erase();
}

void CAttributeNamed::Transform(const orbisk::geometry::CTransform3d& transform)
{
    bool marked = false;
    for (auto& [key, value] : m_dictionary) {
        if (!value.IsGeometric())
            continue;
        if (!marked) {
            MarkChanged();
            marked = true;
        }
        value.TransformBy(transform);
    }
}

CEntity* CAttributeNamed::CreateCopy() const
{
    return new CAttributeNamed(*this);
}

void CAttributeNamed::SwapContents(CEntity& other)
{
    CAttribute::SwapContents(other);
    if (auto* dictionary = dynamic_cast<CAttributeNamed*>(&other))
        std::swap(m_dictionary, dictionary->m_dictionary);
    CAttributeNamedNotification payload{0, this};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("AttributeNamed Notification",
                                                                       &payload);
}

int CAttributeNamed::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CAttributeNamed), map, [&] { return CAttribute::CheckValidity(level, map); },
        [] { return 0; });
}

bool CAttributeNamed::IsPersistent() const
{
    return GetSaveFormat() >= 7000 ||
           orbisk::utils::CompareNoCase(std::wstring_view(m_name.GetString(), m_name.GetLength()),
                                        kDynamicAttributes) != 0;
}

CTypedValue CAttributeNamed::GetValue(const CString& key) const
{
    auto found = m_dictionary.find(key);
    return found == m_dictionary.end() ? CTypedValue() : found->second;
}

void CAttributeNamed::SetValue(const CString& key, const CTypedValue& value)
{
    MarkChanged();
    m_dictionary.insert_or_assign(key, value);
}

CTypedValue CAttributeNamed::RemoveValue(const CString& key)
{
    auto found = m_dictionary.find(key);
    if (found == m_dictionary.end())
        return CTypedValue();
    MarkChanged();
    CTypedValue removed = std::move(found->second);
    m_dictionary.erase(found);
    return removed;
}
