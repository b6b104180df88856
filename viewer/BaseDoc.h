#pragma once
// CBaseDoc: the document base shared with the model code. It embeds the model for the whole
// run, listens to the model database so that caches that follow the model (section cuts,
// averaged normals, shadow lists, definition identities) are dropped when an operation ends,
// and follows the display settings' notifications for the same reason.
//
// It also owns the tool manager of its windows: the manager works on the embedded model,
// listens to its database and selection, and becomes the process-wide manager whenever the
// document becomes current.

#include <cstdint>

#include "database/DBListener.h"
#include "model/ZephyronModel.h"
#include "support/Observer.h"
#include "tools/ToolManager.h"

class CBaseDoc : public CDBListener, public orbisk::utils::IObserver {
public:
    // Operation types whose operations leave the averaged-normal cache alone.
    static constexpr int kNormalCacheKeptTypeA = 89;
    static constexpr int kNormalCacheKeptTypeB = 93;

    // Flags of an operation's end.
    enum : uint32_t {
        kEndInvalidateBounds = 0x01,
        kEndUpdateViews = 0x02,
        kEndKeepDefinitionIdentity = 0x04,
        kEndKeepPurgeable = 0x08,
        kEndKeepUnused = 0x10,
        kEndClearAllStamps = 0x20,
        kEndDropThumbnails = 0x40,
        kEndComponentsChanged = 0x80,
    };
    // Kinds of an operation's end besides CDBListener's committed and discarded ones.
    static constexpr int kEndRedone = 1;
    // The tool that colours by layer; it ends when colour by layer is switched on elsewhere.
    static constexpr int kLayerColorToolId = 21255;

    CBaseDoc();
    ~CBaseDoc() override;
    CBaseDoc(const CBaseDoc&) = delete;
    CBaseDoc& operator=(const CBaseDoc&) = delete;

    CZephyronModel& GetModel() { return m_model; }
    const CZephyronModel& GetModel() const { return m_model; }
    CToolManager& GetToolManager() { return m_toolManager; }

    // CDBListener.
    void OnOperationStart(int, int typeCode) override;
    void OnOperationEnd(int kind, int typeCode, uint32_t flags) override;
    void OnEntityErased(CEntity* entity) override;
    void OnElementRemoved(CEntity* entity, IEntityContainer* container) override;
    void OnOperationReset(int, int, uint32_t) override;

    // The embedded model becomes the current one, with its undo manager and options, and the
    // tool manager the process-wide one.
    virtual void MakeCurrent();
    virtual void UpdateAllViews() {}
    // Clears the tools, the selection (unannounced) and the model.
    virtual void DeleteContents();
    // Drops the cut slice of every active section plane.
    virtual void ClearSectionSlices();

    // The view commands "Section Planes" and "Section Cuts".
    void ToggleSectionPlanes();
    void ToggleSectionCuts();

    void OnNotification(const char* name, void* payload) override;

protected:
    // The shadow settings' display lists and the free edges kept for them.
    void DropShadowCaches();

private:
    void ResetActiveNormalCache(bool hold);

    // The model first: the tool manager works on it and goes before it.
    CZephyronModel m_model;
    CToolManager m_toolManager;
};
