#include "settings/ZephyronPage.h"

#include <utility>

#include "database/ArchiveSchema.h"
#include "database/IModelContext.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "platform/mfc/Archive.h"
#include "settings/PageList.h"
#include "support/NotificationCenter.h"

IMPLEMENT_SERIAL(CZephyronPage, CEntity, VERSIONABLE_SCHEMA | 1)

namespace {

bool g_pageNotificationsSuppressed = false;

void Post(const char* name, void* payload)
{
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(name, payload);
}

}  // namespace

CZephyronPage::CZephyronPage(const CString& name, const CString& description)
    : m_name(name), m_description(description)
{}

CZephyronPage::CZephyronPage(const CZephyronPage& other)
    : CEntity(other),
      CDBListener(other),
      ITabInfo(other),
      m_name(other.m_name),
      m_description(other.m_description),
      m_model(other.m_model)
{}

CZephyronPage::~CZephyronPage()
{
    Unregister();
}

void CZephyronPage::Unregister()
{
    if (!m_registered)
        return;
    m_registered = false;
    if (CUndoManager* listeners = m_model ? m_model->GetUndoManager() : nullptr)
        listeners->RemoveListener(this);
}

void CZephyronPage::Serialize(CArchive& ar)
{
    if (GetClassVersion(RUNTIME_CLASS(CEntity)) != 0 || !ar.IsLoading())
        CEntity::Serialize(ar);
    if (ar.IsLoading())
        ar >> m_name >> m_description;
    else
        ar << m_name << m_description;
}

CEntity* CZephyronPage::CreateCopy() const
{
    return new CZephyronPage(*this);
}

void CZephyronPage::SwapContents(CEntity& other)
{
    auto& that = static_cast<CZephyronPage&>(other);
    CEntity::SwapContents(other);
    std::swap(m_name, that.m_name);
    std::swap(m_description, that.m_description);
}

int CZephyronPage::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CZephyronPage), map, [&] { return CEntity::CheckValidity(level, map); },
        [] { return 0; });
}

void CZephyronPage::Activate(IModelView*)
{
    if (!g_pageNotificationsSuppressed)
        Post(kActivatePageNotification, this);
}

IAnimation* CZephyronPage::CreateTransition(IModelView*, CZephyronPage*)
{
    return nullptr;
}

void CZephyronPage::SetModel(IModelContext* model)
{
    if (model == m_model)
        return;
    Unregister();
    m_model = model;
    if (!ListensToModel())
        return;
    if (CUndoManager* listeners = m_model ? m_model->GetUndoManager() : nullptr) {
        listeners->AddListener(this);
        m_registered = true;
    }
}

void PostPageNotification(CZephyronPage* page, int32_t code)
{
    if (g_pageNotificationsSuppressed)
        return;
    CPageNotification payload{code, page, 0};
    Post(kPageNotification, &payload);
}

bool SetPageNotificationsSuppressed(bool suppressed)
{
    return std::exchange(g_pageNotificationsSuppressed, suppressed);
}

bool ArePageNotificationsSuppressed()
{
    return g_pageNotificationsSuppressed;
}

void PostPageFrameNotification(CZephyronPage* from, CZephyronPage* to, double fraction)
{
    CPageFrameNotification payload{from, to, fraction};
    Post(kPageFrameNotification, &payload);
}

CPageList* GetPageListOf(const CZephyronPage* page)
{
    if (!page)
        return nullptr;
    return dynamic_cast<CPageList*>(page->GetParent());
}

void SelectPageInItsList(CZephyronPage* page)
{
    if (CPageList* list = GetPageListOf(page))
        list->SetSelectedPage(page);
}

int GetPageIndex(const CZephyronPage* page)
{
    const CPageList* list = GetPageListOf(page);
    return list ? list->IndexOf(page) : -1;
}
