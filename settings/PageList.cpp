#include "settings/PageList.h"

#include <algorithm>

#include "database/ArchiveReading.h"
#include "database/Validity.h"
#include "platform/mfc/Archive.h"
#include "settings/ZephyronPage.h"

IMPLEMENT_SERIAL(CPageList, CEntity, VERSIONABLE_SCHEMA | 1)

CPageList::CPageList(const CPageList& other)
    : CEntity(other),
      IEntityContainer(other),
      m_pages(other.m_pages),
      m_selected(other.m_selected),
      m_model(other.m_model),
      m_ownsPages(false)
{}

CPageList::~CPageList()
{
    if (!m_ownsPages)
        return;
    for (CZephyronPage* page : m_pages)
        delete page;
}

void CPageList::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
    });
}

void CPageList::ReadRecord(CArchive& ar)
{
    CRecordAdoptions adoptions(*this, [this](CEntity* entity) { Remove(entity); });
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CZephyronPage* page = ReadReference<CZephyronPage>(ar, madeHere);
        if (!page)
            continue;
        MarkChanged();
        page->SetModel(m_model);
        page->SetParent(this);
        m_pages.push_back(page);
        adoptions.Note(page, madeHere);
        PostPageNotification(page, kPageAdded);
    }
    bool madeHere = false;
    CZephyronPage* selected = ReadReference<CZephyronPage>(ar, madeHere);
    // A selection that is no listed scene belongs to nobody in this list.
    if (madeHere)
        KeepUntilAdopted(selected);
    adoptions.Keep();
    m_selected = selected;
}

void CPageList::Erase()
{
    Clear();
    CEntity::Erase();
}

CEntity* CPageList::CreateCopy() const
{
    return new CPageList(*this);
}

void CPageList::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    std::swap(m_pages, static_cast<CPageList&>(other).m_pages);
}

int CPageList::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CPageList), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CPageList::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    int result = 0;
    for (int i = GetCount() - 1; i >= 0; --i) {
        CZephyronPage* page = m_pages[static_cast<size_t>(i)];
        if (!page || !page->IsKindOf(RUNTIME_CLASS(CZephyronPage))) {
            AppendValidityMessage("The scene %d for %s is not valid\n", i, DescribeEntity(this).GetString());
            return 3;
        }
        const int pageResult = page->CheckValidity(level, map);
        if (pageResult > 1)
            return pageResult;
        result = std::max(result, pageResult);
    }
    if (m_selected) {
        if (!m_selected->IsKindOf(RUNTIME_CLASS(CZephyronPage))) {
            AppendValidityMessage("The selected scene for %s is not valid", DescribeEntity(this).GetString());
            return 3;
        }
        const int selectedResult = m_selected->CheckValidity(level, map);
        if (selectedResult > 1)
            return selectedResult;
        result = std::max(result, selectedResult);
    }
    return result;
}

CZephyronPage* CPageList::GetSelectedPage() const
{
    return m_pages.empty() ? nullptr : m_selected;
}

void CPageList::SetSelectedPage(CZephyronPage* page)
{
    m_selected = Contains(page) ? page : nullptr;
    PostPageNotification(page, kPageSelected);
}

int CPageList::IndexOf(const CZephyronPage* page) const
{
    if (!page)
        return -1;
    const auto found = std::find(m_pages.begin(), m_pages.end(), page);
    return found == m_pages.end() ? -1 : static_cast<int>(found - m_pages.begin());
}

CZephyronPage* CPageList::GetPageAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_pages[static_cast<size_t>(index)];
}

int CPageList::InsertPage(CZephyronPage* page, int index)
{
    MarkChanged();
    page->SetModel(m_model);
    page->SetParent(this);
    if (index < 0 || index >= GetCount())
        index = GetCount();
    m_pages.insert(m_pages.begin() + index, page);
    PostPageNotification(page, kPageAdded);
    return index;
}

void CPageList::Clear()
{
    m_selected = nullptr;
    if (m_pages.empty())
        return;
    MarkChanged();
    PostPageNotification(m_pages.front(), kPageListEmptied);
    // Taken out first: erasing a scene may delete it.
    const std::vector<CZephyronPage*> pages = std::move(m_pages);
    m_pages.clear();
    for (CZephyronPage* page : pages)
        page->Erase();
}

bool CPageList::Contains(const CEntity* entity) const
{
    const auto* page = dynamic_cast<const CZephyronPage*>(entity);
    return page && IndexOf(page) >= 0;
}

void CPageList::Add(CEntity* entity)
{
    auto* page = dynamic_cast<CZephyronPage*>(entity);
    if (!page)
        return;
    m_pages.push_back(page);
    page->SetParent(this);
}

bool CPageList::Remove(CEntity* entity)
{
    const int index = IndexOf(dynamic_cast<CZephyronPage*>(entity));
    if (index < 0)
        return false;
    m_pages.erase(m_pages.begin() + index);
    entity->SetParent(nullptr);
    return true;
}

void CPageList::RemoveAll()
{
    if (m_pages.empty())
        return;
    PostPageNotification(m_pages.front(), kPageListEmptied);
    m_pages.clear();
}

CEntity* CPageList::GetAt(int index) const
{
    return GetPageAt(index);
}

IEntityIterator* CPageList::CreateIterator()
{
    return new CContainerIterator(*this);
}
