#pragma once
// BasicTestModel: a model as the model database reaches it (model/IModelContext.h) that answers
// from its public fields: the notification switch, the model-level check (which it counts), the
// back-reference index, the selection, the file version, the model properties and the
// dropped-object pool. It has no root component, no managers, no rendering options and no
// object factory; TestModel (ManagerDoubles.h) adds them.

#include <memory>

#include "model/AttributeNamed.h"
#include "model/BackReferenceIndex.h"
#include "model/CurrentModel.h"
#include "model/DroppedObjectPool.h"
#include "model/IModelContext.h"
#include "model/SelectionSet.h"
#include "model/VersionInfo.h"

class BasicTestModel : public IModelContext {
public:
    BasicTestModel();
    // Frees the dropped objects (with the model current) when a derived model has not.
    ~BasicTestModel() override;
    BasicTestModel(const BasicTestModel&) = delete;
    BasicTestModel& operator=(const BasicTestModel&) = delete;

    bool AreNotificationsSuspended() const override { return notificationsSuspended; }
    CBackReferenceIndex& GetBackReferenceIndex() override;
    int CheckValidity(int level, bool remember) override;
    CUndoManager* GetUndoManager() const override { return undoManager; }
    CEntity* GetRootComponent() const override { return nullptr; }
    CLayerManager* GetLayerManager() const override { return nullptr; }
    CMaterialManager* GetMaterialManager() const override { return nullptr; }
    CFontManager* GetFontManager() const override { return nullptr; }
    IRenderingOptions* GetRenderingOptions() const override { return nullptr; }
    void SetMipmapping(bool on) override
    {
        mipmapping = on;
        ++mipmappingSets;
    }
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
    CUndoManager* undoManager = nullptr;
    // The switch as the options last handed it over, and how often they did.
    bool mipmapping = false;
    int mipmappingSets = 0;

private:
    // First, so that it goes last: the members below are entities that look for it.
    CDroppedObjectPool m_dropped;
    std::unique_ptr<CBackReferenceIndex> m_index;

public:
    CSelectionSet selection;
    CVersionInfo version;
    CAttributeNamed properties{L"ModelProperties"};
};
