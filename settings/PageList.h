#pragma once
// CPageList: the model's ordered scene list with its selected scene. The list is the scenes'
// parent and erases them when it is cleared; as an entity container it adds and removes
// without notifications.

#include <vector>

#include "database/Entity.h"
#include "database/EntityContainer.h"

class CZephyronPage;

class CPageList : public CEntity, public IEntityContainer {
    DECLARE_SERIAL(CPageList)
public:
    CPageList() = default;
    explicit CPageList(IModelContext* model) : m_model(model) {}
    // The same scene pointers, model and selection; the copy (an undo snapshot) owns none of
    // the scenes.
    CPageList(const CPageList& other);
    // Frees the scenes the list owns.
    ~CPageList() override;
    CPageList& operator=(const CPageList&) = delete;

    // The entity record, a count and that many scenes, then the selected scene (or null). Each
    // scene read is attached to the model, adopted and announced (code 0). A record that fails
    // gives the scenes it took in back.
    void Serialize(CArchive& ar) override;
    // Clear, then the entity's erase.
    void Erase() override;
    CEntity* CreateCopy() const override;
    // The scenes, not the selection.
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityPageList; }

    // Null on an empty list, whatever was selected.
    CZephyronPage* GetSelectedPage() const;
    // Selects a listed scene, clears the selection otherwise; posts code 3 with the scene either
    // way.
    void SetSelectedPage(CZephyronPage* page);
    int IndexOf(const CZephyronPage* page) const;
    CZephyronPage* GetPageAt(int index) const;
    // Before the index (appended for a negative one or one past the end); attaches, adopts and
    // announces the scene (code 0). The position used.
    int InsertPage(CZephyronPage* page, int index);
    // Clears the selection; a non-empty list announces its first scene (code 5), erases every
    // scene and empties.
    void Clear();
    const std::vector<CZephyronPage*>& GetPages() const { return m_pages; }
    IModelContext* GetListModel() const { return m_model; }

    int GetCount() const override { return static_cast<int>(m_pages.size()); }
    bool IsEmpty() const override { return m_pages.empty(); }
    bool Contains(const CEntity* entity) const override;
    void Add(CEntity* entity) override;
    bool Remove(CEntity* entity) override;
    // Announces the first scene (code 5) and empties the list without erasing; keeps the
    // selection.
    void RemoveAll() override;
    CEntity* GetAt(int index) const override;
    IEntityIterator* CreateIterator() override;

private:
    void ReadRecord(CArchive& ar);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);

    std::vector<CZephyronPage*> m_pages;
    CZephyronPage* m_selected = nullptr;
    IModelContext* m_model = nullptr;
    bool m_ownsPages = true;
};
