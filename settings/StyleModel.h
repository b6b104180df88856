#pragma once
// What styles and watermarks need of the model that owns them and of its scenes: the model's
// own display settings, its watermark manager and style manager, and the scenes of its scene
// list. The model object implements IStyleModel and the scene implements IStyledScene; code
// without a model argument (XML readers, the style manager of a copy) reaches the current
// model's through GetCurrentStyleModel.

#include <vector>

class CRenderingOptions;
class CWatermarkManager;
class CZphStyle;
class CZphStyleManager;

// A scene as the style manager sees it.
class IStyledScene {
public:
    virtual ~IStyledScene() = default;

    // The scene stores its own style and display settings (its flag 0x02).
    virtual bool StoresStyleAndOptions() const = 0;
    // The scene's own display settings; null when it has none.
    virtual CRenderingOptions* GetSceneOptions() const = 0;
    // The style the scene shows: one the style manager lists, or null.
    virtual CZphStyle* GetSceneStyle() const = 0;
    // The scene refers to the style; the style manager keeps owning it.
    virtual void SetSceneStyle(CZphStyle* style) = 0;
};

class IStyleModel {
public:
    virtual ~IStyleModel() = default;

    // The model's own display settings (the ones that announce their changes); null when the
    // model has none.
    virtual CRenderingOptions* GetModelOptions() const = 0;
    virtual CWatermarkManager* GetWatermarkManager() const = 0;
    virtual CZphStyleManager* GetStyleManager() const = 0;
    // The scenes of the scene list in list order, and the list's selected scene (null when
    // none).
    virtual std::vector<IStyledScene*> GetStyledScenes() const = 0;
    virtual IStyledScene* GetSelectedStyledScene() const = 0;
};

// The current model (database/CurrentModel.h) when it is an IStyleModel, else null.
IStyleModel* GetCurrentStyleModel();
