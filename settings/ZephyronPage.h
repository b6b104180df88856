#pragma once
// CZephyronPage: the base entity of every scene (a page in the class names and the model file):
// a name, a description and the scene notifications. The scene list (CPageList) holds the
// scenes of a model; CViewPage stores the camera and settings a scene shows.
//
// "Page Notification" (CPageNotification) tells of scenes added to a list (code 0), a selection
// set (3), a list being emptied (5), and a scene about to be shown (7) and shown (6). Codes 0,
// 3 and 5 and "Activate Page" (the scene itself as payload) are silent while page notifications
// are suppressed, as they are while a model file is read. "PageFrameNotification" steps scene
// transitions and is always posted.

#include <cstdint>

#include "database/DBListener.h"
#include "database/Entity.h"

class CPageList;
class CZephyronPage;
class IAnimation;
class IModelView;

// How the scene tab strip shows a scene.
class ITabInfo {
public:
    virtual ~ITabInfo() = default;
    virtual const CString& GetTabLabel() = 0;
    // The description when it is not empty, else the name.
    virtual const CString& GetDescriptionOrName() = 0;
};

inline constexpr char kPageNotification[] = "Page Notification";
inline constexpr char kActivatePageNotification[] = "Activate Page";
inline constexpr char kPageFrameNotification[] = "PageFrameNotification";

enum PageNotificationCode : int32_t {
    kPageAdded = 0,
    kPageSelected = 3,
    kPageListEmptied = 5,
    kPageShown = 6,
    kPageAboutToShow = 7,
};

struct CPageNotification {
    int32_t code;
    CZephyronPage* page;
    int32_t unused;
};

struct CPageFrameNotification {
    CZephyronPage* from;
    CZephyronPage* to;
    double fraction;
};

class CZephyronPage : public CEntity, public CDBListener, public ITabInfo {
    DECLARE_SERIAL(CZephyronPage)
public:
    CZephyronPage() = default;
    CZephyronPage(const CString& name, const CString& description);
    // Name, description and model; not registered as a listener.
    CZephyronPage(const CZephyronPage& other);
    CZephyronPage& operator=(const CZephyronPage&) = delete;
    ~CZephyronPage() override;

    // The entity record when the file's CEntity schema is not 0, then name and description.
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityZephyronPage; }

    // Posts "Activate Page" unless page notifications are suppressed.
    virtual void Activate(IModelView* view);
    // The animated passage from the previous scene into this one; none here.
    virtual IAnimation* CreateTransition(IModelView* view, CZephyronPage* previous);
    virtual bool IsIncludedInAnimation() const { return true; }
    // Whether the scene listens to its model's database.
    virtual bool ListensToModel() const { return false; }

    const CString& GetTabLabel() override { return m_name; }
    const CString& GetDescriptionOrName() override
    {
        return m_description.IsEmpty() ? m_name : m_description;
    }

    const CString& GetName() const { return m_name; }
    void SetName(const CString& name) { m_name = name; }
    const CString& GetDescription() const { return m_description; }
    void SetDescription(const CString& description) { m_description = description; }

    IModelContext* GetPageModel() const { return m_model; }
    // Attaches the scene; a scene that listens registers with the model's undo manager, which
    // keeps the model's listeners.
    void SetModel(IModelContext* model);

private:
    void Unregister();

    CString m_name;
    CString m_description;
    IModelContext* m_model = nullptr;
    bool m_registered = false;
};

// "Page Notification" {code, scene, 0}, unless suppressed.
void PostPageNotification(CZephyronPage* page, int32_t code);
// Returns the previous value.
bool SetPageNotificationsSuppressed(bool suppressed);
bool ArePageNotificationsSuppressed();
void PostPageFrameNotification(CZephyronPage* from, CZephyronPage* to, double fraction);
// The list the scene is in (its parent), or null.
CPageList* GetPageListOf(const CZephyronPage* page);
void SelectPageInItsList(CZephyronPage* page);
// The scene's position in its list; -1 for null or a scene in no list.
int GetPageIndex(const CZephyronPage* page);
