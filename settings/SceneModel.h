#pragma once
// What showing a scene needs of its model beyond styles and watermarks: the camera and the
// current background photo, the shadow settings, the drawing axes, and the parts of the
// component tree a scene can switch (active section planes, hidden top-level elements, layer
// visibility). The model object implements ISceneModel; a scene reaches it through the model it
// is attached to.
//
// Scene transitions are animations of the navigation layer, which this layer cannot name: the
// layer that can make them installs an ISceneTransitionFactory.

#include <set>
#include <vector>

#include "settings/StyleModel.h"

class CBackgroundImage;
class CCamera;
class CDrawingElement;
class CLayer;
class CSectionPlane;
class CShadowInfo;
class CViewPage;
class CZphCS;
class IAnimation;
class IModelView;

class ISceneModel : public IStyleModel {
public:
    // What a scene captures of the model.
    virtual const CCamera& GetCamera() const = 0;
    // The current photo; null when none.
    virtual CBackgroundImage* GetBackgroundImage() const = 0;
    // Null when the model has none.
    virtual CShadowInfo* GetShadowInfo() const = 0;
    // The active section plane of the root component and of every component definition in use.
    virtual std::vector<CSectionPlane*> GetActiveSectionPlanes() const = 0;
    // The hidden top-level drawing elements of the root component.
    virtual std::set<CDrawingElement*> GetHiddenElements() const = 0;
    // The layers that do not match their scene default for the layer mode
    // (CLayer::MatchesSceneDefault).
    virtual std::vector<CLayer*> GetLayersDifferingFromDefault(int layerMode) const = 0;

    // What showing a scene switches.
    // Copies the camera into the model's.
    virtual void SetCamera(const CCamera& camera) = 0;
    // The photo (or null) becomes the model's current one: a use of the new one is added and
    // the old one's released.
    virtual void SetBackgroundImage(CBackgroundImage* photo) = 0;
    // Frees the cached display lists of the model's shadow settings, copies these in and posts
    // "ShadowNotification" code 6.
    virtual void SetShadowInfo(const CShadowInfo& shadows) = 0;
    // Null when the model has none.
    virtual CZphCS* GetDrawingAxes() const = 0;
    // Deactivates every active section plane of the model (the root component's and those of
    // the component definitions in use), then makes each of these the active one of its parent.
    virtual void ActivateSectionPlanes(const std::vector<CSectionPlane*>& planes) = 0;
    // Shows every hidden top-level drawing element of the root component, then hides these.
    virtual void SetHiddenElements(const std::set<CDrawingElement*>& hidden) = 0;
    // Sets every layer that does not match its scene default (layer mode 0) back to the
    // default, then each of these to the opposite of its default.
    virtual void SetLayersDifferingFromDefault(const std::vector<CLayer*>& layers) = 0;
};

class ISceneTransitionFactory {
public:
    virtual ~ISceneTransitionFactory() = default;
    // The animated passage in the view from the previous scene (null when it is not a
    // CViewPage) into the next one, lasting that many seconds.
    virtual IAnimation* CreateSceneTransition(IModelView* view, CViewPage* previous, CViewPage* next,
                                              double seconds) = 0;
};

// Installs the factory (null: scenes have no transitions); returns the previous one.
ISceneTransitionFactory* SetSceneTransitionFactory(ISceneTransitionFactory* factory);
ISceneTransitionFactory* GetSceneTransitionFactory();
