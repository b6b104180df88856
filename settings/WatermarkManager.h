#pragma once
// CWatermarkManager: the model's current watermarks, the ones the model view draws, in one
// ordered list: the background watermarks, one null entry (the separator), then the overlays.
// It holds one use of every watermark it lists. It is read from the model file, replaced when a
// scene or a style is applied (ReplaceAll) and emptied when the model is cleared (DeleteAll).
//
// As a database listener (while a model's undo manager has it registered) it posts "Watermark
// Notification" code 6 for a watermark changed inside an operation of type 2 or 3, and code 1
// for an erased one.

#include <cstdint>
#include <string>
#include <vector>

#include "database/DBListener.h"
#include "database/Entity.h"

class CWatermark;

class CWatermarkManager : public CEntity, public CDBListener {
    DECLARE_SERIAL(CWatermarkManager)
public:
    // Without a model: the manager of the file reader's factory.
    CWatermarkManager() = default;
    explicit CWatermarkManager(IModelContext* model) : m_model(model) {}
    CWatermarkManager(const CWatermarkManager&) = delete;
    CWatermarkManager& operator=(const CWatermarkManager&) = delete;
    // Releases the uses still held (the model normally empties the list first).
    ~CWatermarkManager() override;

    // The entity part, then the list (schema 1 first has a list of watermarks to forget). A
    // list of one entry gets its missing separator.
    void Serialize(CArchive& ar) override;
    // DeleteAll, then the base.
    void Erase() override;
    IModelContext* GetModel() const override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    CString GetClassName() const override { return "CWatermarkManager"; }
    int GetEntityType() const override { return kEntityWatermarkManager; }

    // Entries, separators included; GetAt is null outside the list and for a separator.
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    CWatermark* GetAt(int index) const;
    const std::vector<CWatermark*>& GetEntries() const { return m_entries; }

    // No listed watermark has the name, ignoring case.
    bool IsNameUnique(const std::wstring& name) const;
    // The first watermark of exactly this name, or null.
    CWatermark* FindByName(const std::wstring& name) const;
    // The first listed watermark IsEqual to the given one, or null.
    CWatermark* FindEqual(const CWatermark& watermark) const;
    // The name without its trailing digits, followed by the first number from 1 that gives a
    // unique name.
    std::wstring MakeUniqueName(const std::wstring& name) const;
    // The same over any list of watermarks.
    static std::wstring MakeUniqueName(const std::wstring& name, const std::vector<CWatermark*>& entries);

    // Takes the entries (in the list shape) in place of the current ones; watermarks in both
    // survive.
    void ReplaceAll(const std::vector<CWatermark*>& entries);
    // Releases every use and empties the list.
    void Clear();
    // Posts code 7 with the first entry (when there is one), then Clear.
    void DeleteAll();
    // Drops the GL texture of every listed watermark.
    void ReleaseGLResources();

    // CDBListener.
    void OnOperationStart(int, int typeCode) override;
    void OnOperationEnd(int, int, uint32_t) override;
    void OnEntityChanged(CEntity* entity) override;
    void OnEntityErased(CEntity* entity) override;

private:
    void ReadRecord(CArchive& ar);

    std::vector<CWatermark*> m_entries;
    IModelContext* m_model = nullptr;
    bool m_insideTypedOperation = false;
};

// The watermark manager of the current model, or null.
CWatermarkManager* GetCurrentWatermarkManager();

// Posts "Watermark Notification" with the code and the watermark.
void PostWatermarkNotification(int32_t code, CWatermark* watermark);
