#pragma once
// BareModelContext: a model as the model database reaches it (database/IModelContext.h) with nothing
// under it: no root component, no managers, no undo manager, no rendering options, no
// object factory. It answers
// from its public fields (the notification switch, the model-level check, which it counts, the
// selection, the file version, the model properties) and keeps a back-reference
// index and a dropped-object pool. Tests use the real model (model/ZephyronModel.h) unless they
// test the paths without those parts, count the checks, or record what the model is handed.

#include <memory>

#include "database/AttributeNamed.h"
#include "database/BackReferenceIndex.h"
#include "database/CurrentModel.h"
#include "database/DroppedObjectPool.h"
#include "database/IModelContext.h"
#include "database/SelectionSet.h"
#include "database/VersionInfo.h"

class BareModelContext : public IModelContext {
public:
    BareModelContext();
    // Frees the dropped objects with the model current.
    ~BareModelContext() override;
    BareModelContext(const BareModelContext&) = delete;
    BareModelContext& operator=(const BareModelContext&) = delete;

    bool AreNotificationsSuspended() const override { return notificationsSuspended; }
    CBackReferenceIndex& GetBackReferenceIndex() override;
    int CheckValidity(int level, bool remember) override;
    CUndoManager* GetUndoManager() const override { return nullptr; }
    CEntity* GetRootComponent() const override { return nullptr; }
    CLayerManager* GetLayerManager() const override { return nullptr; }
    CMaterialManager* GetMaterialManager() const override { return nullptr; }
    CFontManager* GetFontManager() const override { return nullptr; }
    IRenderingOptions* GetRenderingOptions() const override { return nullptr; }
    void SetMipmapping(bool) override {}
    bool AreMipmapsEnabled() const override { return true; }
    CSelectionSet& GetSelection() override { return selection; }
    const CVersionInfo& GetVersion() const override { return version; }
    CAttributeNamed& GetOrCreateModelProperties() override { return properties; }
    CEntity* GetTextStyleFont(int) const override { return nullptr; }
    CEntity* GetDimensionStyleFont() const override { return nullptr; }
    IObjectFactory* GetObjectFactory() override { return nullptr; }
    CDroppedObjectPool& GetDroppedObjects() override { return m_dropped; }

    bool HasBackReferenceIndex() const { return m_index != nullptr; }
    // As a model frees them: after its contents, with the model current.
    void FreeDroppedObjects();

    bool notificationsSuspended = false;
    // Answered by the model-level check.
    int validityResult = 0;
    int validityChecks = 0;
    bool checksWereOn = false;

private:
    // First, so that it goes last: the members below are entities that look for it.
    CDroppedObjectPool m_dropped;
    std::unique_ptr<CBackReferenceIndex> m_index;

public:
    CSelectionSet selection;
    CVersionInfo version;
    CAttributeNamed properties{L"ModelProperties"};
};
