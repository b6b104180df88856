#pragma once
// CZephyronModel: the model, the one object that owns everything read from a model file: the
// root component with all geometry, the display and shadow settings, scenes, styles,
// watermarks, fonts, the dimension and text styles, the drawing and component axes, the
// options, the camera, the preview images, the selection, the undo manager, and the objects
// that reading dropped. It is what entities reach as their model (IModelContext), what styles
// reach as theirs (IStyleModel), and it makes the objects that the model database needs but
// cannot make itself (cameras, fonts).
//
// Reading a file (Serialize on a loading archive, LoadFromFile) fills it; Clear returns it to a
// new, empty model. It is reference counted when shared on the heap (AddRef / Release); the
// document keeps one as a member for the whole run.
//
// Storing is not offered: the viewer never writes a model file, and Serialize on a storing
// archive raises the archive exception.

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "components/IEditingContext.h"
#include "components/InstancePath.h"
#include "database/DBListener.h"
#include "database/Dib.h"
#include "database/DroppedObjectPool.h"
#include "database/IModelContext.h"
#include "database/IObjectFactory.h"
#include "database/ISectionPlaneHolder.h"
#include "database/SelectionSet.h"
#include "database/VersionInfo.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"
#include "settings/Camera.h"
#include "settings/SceneModel.h"
#include "support/Guid.h"

class CAttributeContainer;
class CAttributeNamed;
class CBackgroundImage;
class CComponent;
class CComponentBehavior;
class CComponentCS;
class CComponentDefinition;
class CContributorManager;
class CDefinitionList;
class CDimensionStyle;
class CDrawingElement;
class CFontManager;
class COptionsManager;
class CPageList;
class CRenderingOptions;
class CShadowInfo;
class CTextStyle;
class CUndoManager;
class CWatermarkManager;
class CZphCS;
class CZphStyleManager;
class IDrawingBase;

// Status of the last read.
enum ModelReadStatus : int32_t {
    kModelRead = 0,
    kNotAModelFile = 1,
    kNeedsNewerProgram = 2,
};

// Result codes of the file-open preview.
enum ModelPreviewResult : int {
    kPreviewRead = 0,         // the thumbnail, or none stored in a format that has one
    kPreviewCannotOpen = 1,   // the file cannot be opened
    kPreviewNotAModel = 2,    // not a model, an incompatible map, or an empty thumbnail
    kPreviewNoThumbnail = 3,  // the file's format stores no thumbnail
    kPreviewFailed = 4,       // an exception before the description was read
};

class CZephyronModel : public CObject,
                       public CDBListener,
                       public IModelContext,
                       public ISceneModel,
                       public IEditingContext,
                       public IObjectFactory,
                       public ISectionPlaneHolder {
    DECLARE_SERIAL(CZephyronModel)

public:
    static constexpr int kEntityType = 34;

    CZephyronModel();
    ~CZephyronModel() override;
    CZephyronModel(const CZephyronModel&) = delete;
    CZephyronModel& operator=(const CZephyronModel&) = delete;

    // The run-time class's factory makes models that start with a count of 1 like any other.
    int32_t AddRef() { return ++m_refCount; }
    // Deletes the model (with undo recording off) when the count reaches 0.
    int32_t Release();
    int32_t GetRefCount() const { return m_refCount; }

    // Reads a model file into this model (after Clear); see the status. Storing raises the
    // archive exception.
    void Serialize(CArchive& ar) override;
    virtual int GetEntityType() const { return kEntityType; }
    // Back to a new, empty model, without destroying it.
    virtual void Clear();

    // Reads a file outside the document: false when it cannot be opened or reading fails (the
    // model is then cleared). An empty file reads nothing and is no error.
    bool LoadFromFile(const CString& path);
    // The thumbnail and description of a file, for the file-open preview; never throws. The
    // caller owns the thumbnail (one reference).
    static int ReadPreview(const CString& path, CDib*& thumbnail, CString& description);
    static int ReadFileHeader(CArchive& ar, CDib*& thumbnail, CString& description);

    // 0 read, 1 not a model file, 2 needs a newer program.
    int32_t GetStatus() const { return m_status; }
    const CString& GetPath() const { return m_path; }
    // The document names the model after the file it was opened from.
    void SetPath(const CString& path) { m_path = path; }

    // Sub-objects.
    CComponent* GetRoot() const { return m_root; }
    CZphCS* GetDrawingAxes() const override { return m_drawingAxes; }
    CComponentCS* GetComponentAxes() const { return m_componentAxes; }
    const CCamera& GetCamera() const override { return m_camera; }
    CCamera& GetCamera() { return m_camera; }
    CRenderingOptions* GetOptions() const { return m_renderingOptions; }
    CShadowInfo* GetShadowInfo() const override { return m_shadowInfo; }
    COptionsManager* GetOptionsManager() const { return m_optionsManager.get(); }
    CPageList* GetPageList() const { return m_pageList; }
    CWatermarkManager* GetWatermarkManager() const override { return m_watermarkManager; }
    CZphStyleManager* GetStyleManager() const override { return m_styleManager; }
    CDimensionStyle* GetDimensionStyleObject() const { return m_dimensionStyle; }
    CTextStyle* GetTextStyle() const { return m_textStyle; }
    CComponentBehavior* GetComponentBehavior() const { return m_behavior; }
    CContributorManager* GetContributorManager() const { return m_contributors.get(); }
    CBackgroundImage* GetBackgroundImage() const override { return m_backgroundImage; }
    CAttributeContainer* GetAttributeContainer() const { return m_attributes; }
    CDib* GetThumbnail() const { return m_thumbnail.Get(); }
    CDib* GetSecondImage() const { return m_secondImage.Get(); }
    bool GetThumbnailFlag() const { return m_thumbnailFlag; }
    const orbisk::utils::CGuid& GetGuid() const { return m_guid; }
    const std::array<int32_t, 16>& GetSixteenValues() const { return m_sixteenValues; }
    int32_t GetStoredValue() const { return m_storedValue; }
    int32_t GetTrailingValue() const { return m_trailingValue; }
    bool AreMipmapsEnabled() const override { return m_mipmaps; }
    int32_t GetChangeCount() const { return m_changeCount; }
    CInstancePath& GetActivePath() override { return m_activePath; }

    // Setters.
    void SetCamera(const CCamera& camera) override { m_camera.Copy(camera); }
    // Frees the held settings' display lists, copies the given ones and announces them.
    void SetShadowInfo(const CShadowInfo& shadows) override;
    // One change notice per changed property.
    void AssignRenderingOptions(const CRenderingOptions& options);
    void SetDrawingAxes(const CZphCS& axes);
    // The model keeps a reference; null lets go of the held one.
    void SetThumbnail(CDib* image);
    void SetSecondImage(CDib* image);
    void SetBackgroundImage(CBackgroundImage* image) override;
    // Posts "ModelMipmapChangedNotification" when the switch changes.
    void SetMipmapsEnabled(bool enabled);
    // The camera a new model (and Clear) starts with.
    void ResetCamera();

    // The "ModelProperties" dictionary, or null.
    CAttributeNamed* GetModelProperties() const;
    // Empty when missing; "NULL" in any letter case reads as empty.
    CString GetModelProperty(const CString& name) const;
    void SetModelProperty(const CString& name, const CString& text);
    CString GetDescription() const { return GetModelProperty(L"Description"); }
    void SetDescription(const CString& text) { SetModelProperty(L"Description", text); }
    // The "GeoReference" dictionary of the root component, or null.
    CAttributeNamed* GetGeoReference() const;
    // Adds the entries a "GeoReference" dictionary lacks.
    void EnsureGeoReferenceDefaults();

    // Active path: the instances open for editing, outermost first.
    CDrawingElement* GetActiveInstance() const override;
    // The definition component of the active instance, else the root component.
    CComponent* GetActiveComponent() const override;
    void AddToActiveComponent(CDrawingElement* entity);
    void CloseAllInstances();
    bool IsActivePath(const CInstancePath& path) const;
    bool IsDefinitionOnActivePath(const CEntity* object) const;

    // Section planes.
    CDrawingElement* GetActiveSectionPlane() const override;
    void SetActiveSectionPlane(CDrawingElement* plane) override;
    std::vector<CDrawingElement*> CollectActiveSectionPlanes() const;
    void ApplyActiveSectionPlanes(const std::vector<CDrawingElement*>& planes);
    void PushActivePathSectionPlanes(IDrawingBase* sink, bool clip, bool includeActive);
    void PopActivePathSectionPlanes(IDrawingBase* sink, bool clip, bool includeActive);

    // Shared images: an image the model holds whose contents equal the given one, or null.
    CDib* FindSharedImage(const CDib* image) const;
    // A new image from the file (one reference for the caller), or an equal one the model
    // already holds (with a reference added) when share; null when loading fails.
    CDib* LoadSharedImage(const CString& path, bool share);
    // Reloads scene photos whose files changed; whether anything changed.
    bool RefreshScenePhotos();
    void ShareDuplicateImages();

    // Frees every display list and texture the model holds (before its GL context goes).
    void ReleaseGLResources();

    // IModelContext.
    bool AreNotificationsSuspended() const override { return m_notificationsSuspended; }
    void SetNotificationsSuspended(bool suspended) { m_notificationsSuspended = suspended; }
    CBackReferenceIndex& GetBackReferenceIndex() override;
    int CheckValidity(int level, bool remember) override;
    CUndoManager* GetUndoManager() const override { return m_undoManager.get(); }
    CEntity* GetRootComponent() const override;
    CLayerManager* GetLayerManager() const override;
    CMaterialManager* GetMaterialManager() const override;
    CFontManager* GetFontManager() const override { return m_fontManager; }
    IRenderingOptions* GetRenderingOptions() const override;
    void SetMipmapping(bool mipmapping) override { m_mipmaps = mipmapping; }
    CSelectionSet& GetSelection() override { return m_selection; }
    const CVersionInfo& GetVersion() const override { return m_version; }
    CAttributeNamed& GetOrCreateModelProperties() override;
    CEntity* GetTextStyleFont(int which) const override;
    CEntity* GetDimensionStyleFont() const override;
    CEntity* GetDimensionStyle() const override;
    IObjectFactory* GetObjectFactory() override { return this; }
    CDroppedObjectPool& GetDroppedObjects() override { return m_dropped; }

    // IStyleModel, under ISceneModel.
    CRenderingOptions* GetModelOptions() const override { return m_renderingOptions; }
    std::vector<IStyledScene*> GetStyledScenes() const override;
    IStyledScene* GetSelectedStyledScene() const override;

    // ISceneModel: what a scene captures and what showing one switches.
    std::vector<CSectionPlane*> GetActiveSectionPlanes() const override;
    std::set<CDrawingElement*> GetHiddenElements() const override;
    std::vector<CLayer*> GetLayersDifferingFromDefault(int layerMode) const override;
    void ActivateSectionPlanes(const std::vector<CSectionPlane*>& planes) override;
    void SetHiddenElements(const std::set<CDrawingElement*>& hidden) override;
    void SetLayersDifferingFromDefault(const std::vector<CLayer*>& layers) override;

    // IObjectFactory.
    std::unique_ptr<ICamera> CreateCamera() override;
    CEntity* CreateFont(const CFontDescription& description) override;

    // CDBListener: committed and redone operations count up, undone ones down.
    void OnOperationEnd(int resultKind, int typeCode, uint32_t flags) override;

private:
    void CreateSubObjects();
    void DestroySubObjects();
    void FreeDroppedObjects();

    void ReadModel(CArchive& ar);
    void ReadAfterMap(CArchive& ar, int32_t value, uint32_t f);
    void ReadRootComponent(CArchive& ar);
    void ReadOlderScenes(CArchive& ar);
    void ReadOldMaterials(CArchive& ar);
    void ReadBackgroundImage(CArchive& ar);
    void ReadTrailer(CArchive& ar, uint32_t f);
    void RepairAfterReading();

    // First, so that it goes last: everything below may refer to the objects it keeps.
    CDroppedObjectPool m_dropped;

    bool m_notificationsSuspended = false;
    CString m_path;
    CAttributeContainer* m_attributes = nullptr;
    CComponent* m_root = nullptr;
    CZphCS* m_drawingAxes = nullptr;
    CCamera m_camera;
    CRenderingOptions* m_renderingOptions = nullptr;
    CShadowInfo* m_shadowInfo = nullptr;
    std::unique_ptr<COptionsManager> m_optionsManager;
    CPageList* m_pageList = nullptr;
    CZphStyleManager* m_styleManager = nullptr;
    CWatermarkManager* m_watermarkManager = nullptr;
    orbisk::utils::CGuid m_guid;
    CComponentBehavior* m_behavior = nullptr;
    std::array<int32_t, 16> m_sixteenValues{};
    CDibRef m_thumbnail;
    CDibRef m_secondImage;
    bool m_thumbnailFlag = true;
    CDimensionStyle* m_dimensionStyle = nullptr;
    CTextStyle* m_textStyle = nullptr;
    CFontManager* m_fontManager = nullptr;
    CBackgroundImage* m_backgroundImage = nullptr;
    CVersionInfo m_version;
    int32_t m_storedValue = 0;
    int32_t m_trailingValue = 0;
    std::unique_ptr<CContributorManager> m_contributors;
    CComponentCS* m_componentAxes = nullptr;
    int32_t m_status = kModelRead;
    CInstancePath m_activePath;
    CSelectionSet m_selection;
    std::unique_ptr<CUndoManager> m_undoManager;
    std::unique_ptr<CBackReferenceIndex> m_backReferences;
    int32_t m_refCount = 1;
    bool m_mipmaps = true;
    int32_t m_changeCount = 0;
};

// True when the stored path begins with ".\" in any letter case: it is relative to the folder
// of the model file that names it.
bool IsDotRelativePath(const CString& path);

// Walks the component definitions of a model that carry contributor information.
class CContributorIterator {
public:
    explicit CContributorIterator(const CZephyronModel& model);

    bool IsAtEnd() const { return m_index == -1; }
    CComponentDefinition* Current() const;
    void Next();
    // The i-th name of the current definition (its nicknames, last stored first); empty out of
    // range.
    CString GetName(int i);

private:
    CDefinitionList* m_definitions = nullptr;
    int m_index = -2;
    std::vector<CString> m_names;
    bool m_namesLoaded = false;
};
