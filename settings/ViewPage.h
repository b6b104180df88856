#pragma once
// CViewPage: the scene of a model, a saved view. A flags word says what the scene stores: the
// camera with its background photo, the style with the scene's display settings, the shadow
// settings, the drawing axes, the hidden top-level elements, the layers whose visibility
// differs from their default, and the active section planes.
//
// The scene owns its display settings, shadow settings and axes, counts a use of its photo and
// owns the picture stored with it; the style, the hidden elements, the layers and the section
// planes belong to the model.

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "database/OwnedPart.h"
#include "settings/Camera.h"
#include "settings/StyleModel.h"
#include "settings/ZephyronPage.h"

namespace orbisk::imageutils {
class ImageRep;
}
class CBackgroundImage;
class CDrawingElement;
class CLayer;
class CRenderingOptions;
class CSectionPlane;
class CShadowInfo;
class CWatermark;
class CZphCS;
class CZphStyle;
class ISceneModel;

class CViewPage : public CZephyronPage, public IStyledScene {
    DECLARE_SERIAL(CViewPage)
public:
    enum Flags : uint32_t {
        kStoresCamera = 0x01,
        kStoresStyle = 0x02,
        kStoresShadows = 0x04,
        kStoresAxes = 0x08,
        kStoresHiddenElements = 0x10,
        kStoresLayers = 0x20,
        kStoresSectionPlanes = 0x40,
    };
    // Transition and delay times below 0 stand for the defaults of the slideshow.
    static constexpr double kDefaultTime = -1.0;

    CViewPage();
    CViewPage(const CString& name, const CString& description, uint32_t flags);
    // New copies of the owned settings, the style shared; no photo, no picture, not listening.
    CViewPage(const CViewPage& other);
    CViewPage& operator=(const CViewPage&) = delete;
    ~CViewPage() override;

    // By the class version (1 to 12): the scene base; the flags; then what they name (the camera
    // inline below 7; the style from 10; the shadows' switch from 2); the layers from 1; one
    // section plane at 4, a counted list from 5; the animation flag from 3; the watermark switch
    // 6 to 10; the times from 8 and 9; the photo from 10; the photo flag and picture from 12.
    // A section plane whose reading fails fails the record.
    void Serialize(CArchive& ar) override;
    void Erase() override;
    // The stored camera moves with the model.
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    // The base part, then everything the scene stores; the animation flag, the times and the
    // photo flag stay.
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityViewPage; }

    // Copies into the model exactly what the flags name, in this order: camera and photo;
    // display settings between "Page Activation Notification" 0 and 1, then the style and the
    // style's watermarks; shadow settings; axes; section planes; hidden elements; layers. Then
    // "Activate Page". Nothing without a model.
    void Activate(IModelView* view) override;
    // Made by the installed transition factory, with the default time of the scene options for
    // a negative one; null without a transition or a factory.
    IAnimation* CreateTransition(IModelView* view, CZephyronPage* previous) override;
    // The stored camera; a photo with an offset fills the view, unless the camera already has
    // its own 2D pan and zoom.
    CCamera GetActivationCamera(IModelView* view) const;
    // The scene's own settings take its style again (the style manager's working copy when the
    // scene shows the selected style), silently and without watermarks.
    void RefreshFromStyle();
    // The watermarks of the scene's style, or none.
    void GetStyleWatermarks(std::vector<CWatermark*>& watermarks) const;
    // The model's watermark manager takes the style's watermarks.
    virtual void ApplyWatermarks();
    // Captures the model's current state into what the scene stores and the mask names: the
    // camera (the given one, else the model's) with the model's photo; the display settings
    // (the given ones, else the model's) with the selected style; the shadow settings; the
    // axes; the active section planes; the hidden top-level elements; the layers that do not
    // match their scene default for the layer mode. Nothing without a model.
    void Update(ISceneModel* model, const CCamera* camera, const CRenderingOptions* options, uint32_t mask,
                int layerMode);
    // Update with the view's model, camera and display settings.
    void UpdateFromView(IModelView* view, uint32_t mask, int layerMode);

    // CDBListener: erased entities leave the scene's lists; a cleared model empties them.
    void OnEntityErased(CEntity* entity) override;
    void OnModelCleared(IModelContext* model) override;

    // IStyledScene.
    bool StoresStyleAndOptions() const override { return (m_flags & kStoresStyle) != 0; }
    CRenderingOptions* GetSceneOptions() const override { return m_options.Get(); }
    CZphStyle* GetSceneStyle() const override { return m_style; }
    void SetSceneStyle(CZphStyle* style) override { m_style = style; }

    bool IsIncludedInAnimation() const override { return m_includedInAnimation; }
    bool ListensToModel() const override { return m_listensToModel; }
    virtual bool IsUnrestricted() const { return !m_restricted; }
    // False while the scene options switch transitions off, without camera, style, shadows or
    // section planes to move between, and for a time of 0; a negative time is the default one.
    virtual bool HasTransition() const;

    // The name, in parentheses for a scene left out of the slideshow.
    const CString& GetTabLabel() override;

    // Frees the owned settings and picture, forgets the style and releases the photo.
    void ReleaseContents();

    uint32_t GetFlags() const { return m_flags; }
    const CCamera& GetCamera() const { return m_camera; }
    CZphStyle* GetStyle() const { return m_style; }
    CRenderingOptions* GetRenderingOptions() const { return m_options.Get(); }
    CShadowInfo* GetShadowInfo() const { return m_shadows.Get(); }
    CZphCS* GetAxes() const { return m_axes.Get(); }
    const std::set<CDrawingElement*>& GetHiddenElements() const { return m_hidden; }
    const std::vector<CLayer*>& GetLayers() const { return m_layers; }
    const std::vector<CSectionPlane*>& GetSectionPlanes() const { return m_sectionPlanes; }
    double GetTransitionTime() const { return m_transitionTime; }
    double GetDelayTime() const { return m_delayTime; }
    // How long the slideshow stays on the scene: its own delay, or the slideshow's default for
    // no scene or a negative delay.
    static double GetDelayTime(const CViewPage* scene);
    CBackgroundImage* GetBackgroundImage() const { return m_photo; }
    bool GetPhotoFlag() const { return m_photoFlag; }
    const orbisk::imageutils::ImageRep* GetSceneImage() const { return m_sceneImage.get(); }

private:
    void ReadRecord(CArchive& ar);
    void ReadSettings(CArchive& ar, int32_t v);
    void ReadSectionPlanes(CArchive& ar, int32_t v);
    void ReadTail(CArchive& ar, int32_t v);
    void ActivateStyle(ISceneModel& model);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);

    uint32_t m_flags = 0;
    CCamera m_camera;
    std::set<CDrawingElement*> m_hidden;
    CZphStyle* m_style = nullptr;
    COwnedPart<CRenderingOptions> m_options;
    COwnedPart<CShadowInfo> m_shadows;
    COwnedPart<CZphCS> m_axes;
    std::vector<CLayer*> m_layers;
    std::vector<CSectionPlane*> m_sectionPlanes;
    bool m_includedInAnimation = true;
    CString m_tabLabel;
    double m_transitionTime = kDefaultTime;
    double m_delayTime = kDefaultTime;
    CBackgroundImage* m_photo = nullptr;
    bool m_photoFlag = true;
    std::unique_ptr<orbisk::imageutils::ImageRep> m_sceneImage;
    bool m_listensToModel = true;
    bool m_restricted = false;
};
