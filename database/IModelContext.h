#pragma once
// IModelContext: the model as the model database reaches it. Entities find their model through
// their parent chain (CEntity::GetModel), and code without a model argument, readers among
// them, works on the current model (database/CurrentModel.h). The model object implements this
// interface; the model database never names its class.
//
// What it gives: the switch that silences "EntityChanged", the back-reference index, the
// model-level check, the root component and the managers held under it, the rendering options
// and the mipmapping switch, the selection, the version of the program that wrote the file, the model
// properties, the fonts its styles hold, the factory of objects this layer cannot make itself, and the pool
// of objects that reading the model dropped.

class CAttributeNamed;
class CBackReferenceIndex;
class CDroppedObjectPool;
class CEntity;
class CFontManager;
class CLayerManager;
class CMaterialManager;
class CSelectionSet;
class CUndoManager;
class CVersionInfo;
class IObjectFactory;
class IRenderingOptions;

class IModelContext {
public:
    virtual ~IModelContext() = default;

    // While set, entity changes of this model post no "EntityChanged".
    virtual bool AreNotificationsSuspended() const = 0;
    // Created on first use.
    virtual CBackReferenceIndex& GetBackReferenceIndex() = 0;
    // The check of the whole model at a ValidityLevel; with remember, a map of the objects
    // checked is passed down, so that each is checked once. The worst result.
    virtual int CheckValidity(int level, bool remember) = 0;
    // Null when the model has none.
    virtual CUndoManager* GetUndoManager() const = 0;

    // The top of the component tree (an IComponent, database/IComponent.h), or null.
    virtual CEntity* GetRootComponent() const = 0;
    // Those of the root component; null without one.
    virtual CLayerManager* GetLayerManager() const = 0;
    virtual CMaterialManager* GetMaterialManager() const = 0;
    virtual CFontManager* GetFontManager() const = 0;
    // Null when the model has none.
    virtual IRenderingOptions* GetRenderingOptions() const = 0;
    // The model's texture-mipmapping switch, which option records of one schema carry.
    virtual void SetMipmapping(bool mipmapping) = 0;
    virtual bool AreMipmapsEnabled() const = 0;
    virtual CSelectionSet& GetSelection() = 0;
    // The version of the program that wrote the model's file.
    virtual const CVersionInfo& GetVersion() const = 0;
    // The "ModelProperties" dictionary, made with undo recording off when missing.
    virtual CAttributeNamed& GetOrCreateModelProperties() = 0;
    // The fonts that the text style (which: 0 its first, 1 its second) and the dimension style
    // already hold; null when the style or its font does not exist yet.
    virtual CEntity* GetTextStyleFont(int which) const = 0;
    virtual CEntity* GetDimensionStyleFont() const = 0;
    // The dimension style the model owns (the components' CDimensionStyle), or null when the
    // model has none.
    virtual CEntity* GetDimensionStyle() const { return nullptr; }

    // Null when the model makes no such objects.
    virtual IObjectFactory* GetObjectFactory() = 0;
    // Objects that reading this model dropped while the archive could still hand them out
    // again. The model frees them after its own contents, which may refer to them, while it is
    // the current model.
    virtual CDroppedObjectPool& GetDroppedObjects() = 0;
};
