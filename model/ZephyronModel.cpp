#include "model/ZephyronModel.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <set>
#include <sys/stat.h>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "components/Dimension.h"
#include "components/DimensionStyle.h"
#include "components/TextStyle.h"
#include "components/ZpFont.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/BackReferenceIndex.h"
#include "database/ComponentBehavior.h"
#include "database/ContributorManager.h"
#include "database/CurrentArchivePath.h"
#include "database/CurrentModel.h"
#include "database/DefinitionList.h"
#include "database/EntityDisposal.h"
#include "database/FontManager.h"
#include "database/IDrawingBase.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/OptionsManager.h"
#include "database/Texture.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "database/VersionMap.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/File.h"
#include "platform/mfc/MessageBox.h"
#include "settings/BackgroundImage.h"
#include "settings/PageList.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/Style.h"
#include "settings/ViewPage.h"
#include "settings/Watermark.h"
#include "settings/WatermarkList.h"
#include "settings/WatermarkManager.h"
#include "settings/ZephyronPage.h"
#include "settings/ZphStyle.h"
#include "settings/ZphStyleManager.h"
#include "support/NotificationCenter.h"
#include "support/StringUtils.h"
#include "support/TypedValue.h"
#include "topology/ComponentCS.h"
#include "topology/CurveFixupList.h"
#include "topology/SectionPlane.h"
#include "topology/Vertex.h"
#include "topology/ZphCS.h"

IMPLEMENT_SERIAL(CZephyronModel, CObject, VERSIONABLE_SCHEMA | 22)

namespace {

constexpr char kDeleteModelNotification[] = "DeleteModelNotification";
constexpr char kModelMipmapChangedNotification[] = "ModelMipmapChangedNotification";

// Where the "GeoReference" defaults put a model that has no shadow settings: Boulder,
// Colorado, in degrees, west negative.
constexpr double kDefaultLongitude = -105.2705;
constexpr double kDefaultLatitude = 40.0150;

// Version values from which the fields below appear in files.
constexpr int32_t kValueWithGuid = 1046;
constexpr int32_t kValueWithVersionMap = 1022;
constexpr int32_t kValueWithRenderingOptions = 1023;
constexpr int32_t kValueWithOlderScenes = 1043;
constexpr int32_t kValueWithOldTexts = 1047;
constexpr int32_t kValueWithOldMaterials = 1054;
constexpr int32_t kValueWithBehavior = 1055;
constexpr int32_t kValueWithDescription = 1059;
constexpr int32_t kValueWithDrawingAxes = 1154;
constexpr int32_t kValueWithSixteenValues = 1199;

// The loading archive's buffer and the growth step of its list of objects read.
constexpr unsigned kArchiveBufferSize = 4096;
constexpr int kArchiveLoadGrowth = 2048;

bool IsModelHeader(const CString& header)
{
    return header == L"Zephyron Model" || header == L"Plumora page";
}

// Reads the header string; false when it cannot be read or is not a model's.
bool ReadModelHeader(CArchive& ar)
{
    CString header;
    try {
        ar >> header;
    } catch (const CArchiveException&) {
        return false;
    }
    return IsModelHeader(header);
}

void ReadGuid(CArchive& ar, orbisk::utils::CGuid& guid)
{
    ar >> guid.value.Data1 >> guid.value.Data2 >> guid.value.Data3;
    for (uint8_t& byte : guid.value.Data4)
        ar >> byte;
}

void SkipString(CArchive& ar)
{
    CString dropped;
    ar >> dropped;
}

// The map of field 6: an empty one in files older than maps.
CVersionMap* ReadVersionMap(CArchive& ar, int32_t value)
{
    if (value < kValueWithVersionMap)
        return new CVersionMap;
    CVersionMap* map = nullptr;
    ar >> map;
    // A file without its map reads as one whose every class is at schema 0.
    return map ? map : new CVersionMap;
}

// Installs a file's version map for its lifetime, and uninstalls (frees) it at the end,
// also when reading throws.
class CInstalledVersionMap {
public:
    explicit CInstalledVersionMap(CVersionMap* map) { SetCurrentVersionMap(map); }
    ~CInstalledVersionMap() { SetCurrentVersionMap(nullptr); }
    CInstalledVersionMap(const CInstalledVersionMap&) = delete;
    CInstalledVersionMap& operator=(const CInstalledVersionMap&) = delete;
};

// Drops an image that holds no image bytes (the caller's reference with it). Its reference goes to the
// model's pool, since a later record may still name the image by back reference.
void DropEmptyImage(CDib*& image)
{
    if (image && !image->HasData()) {
        KeepUnownedObject(image);
        image->Release();
        image = nullptr;
    }
}

// An image reference; the caller gets one reference of its own.
CDib* ReadImage(CArchive& ar)
{
    bool madeHere = false;
    CDib* image = ReadReference<CDib>(ar, madeHere);
    if (image)
        image->AddRef();
    DropEmptyImage(image);
    return image;
}

int64_t FileModificationTime(const CString& path)
{
    struct stat status {};
    const std::string native = orbisk::utils::ToUtf8(path.GetString());
    if (::stat(native.c_str(), &status) != 0)
        return 0;
    return static_cast<int64_t>(status.st_mtime);
}

// Images the model holds, each with the owner that would take a shared replacement.
struct HeldImage {
    CDib* image;
    CEntity* owner;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and lifetime.

CZephyronModel::CZephyronModel()
{
    CreateSubObjects();
    ResetCamera();
    m_undoManager = std::make_unique<CUndoManager>(this, kUndoDepthLimit);
    if (!GetCurrentUndoManager())
        SetCurrentUndoManager(m_undoManager.get());
    if (CLayerManager* layers = GetLayerManager())
        layers->SetNotificationsEnabled(true);
    m_selection.ResumeNotifications(false);
    m_undoManager->AddListener(m_contributors.get());
    m_undoManager->AddListener(this);
}

CZephyronModel::~CZephyronModel()
{
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kDeleteModelNotification, this);
    if (m_undoManager)
        m_undoManager->BroadcastModelDeleted(this);
    DestroySubObjects();
    m_thumbnail.Reset();
    m_secondImage.Reset();
    m_undoManager.reset();
    m_backReferences.reset();
    FreeDroppedObjects();
    if (GetCurrentModel() == this)
        SetCurrentModel(nullptr);
}

int32_t CZephyronModel::Release()
{
    if (m_refCount == 0) {
        std::fputs("CZephyronModel::Release called with reference count == 0\n", stdout);
        return 0;
    }
    const int32_t count = --m_refCount;
    if (count == 0) {
        CSuspendUndo unrecorded;
        delete this;
    }
    return count;
}

void CZephyronModel::CreateSubObjects()
{
    CCurrentModelScope current(this);
    CSuspendUndo unrecorded;
    if (!m_root)
        m_root = new CComponent;
    if (!m_behavior)
        m_behavior = new CComponentBehavior(this);
    if (!m_drawingAxes)
        m_drawingAxes = new CZphCS;
    if (!m_componentAxes)
        m_componentAxes = new CComponentCS(0, false, true, false, 1.0 / 15.0);
    if (!m_renderingOptions)
        m_renderingOptions = new CRenderingOptions;
    if (!m_shadowInfo)
        m_shadowInfo = new CShadowInfo;
    if (!m_optionsManager)
        m_optionsManager = CreateOptionsManager();
    if (!m_pageList)
        m_pageList = new CPageList(this);
    if (!m_watermarkManager)
        m_watermarkManager = new CWatermarkManager(this);
    if (!m_styleManager)
        m_styleManager = new CZphStyleManager(this);
    if (!m_fontManager)
        m_fontManager = new CFontManager(m_root);
    if (!m_dimensionStyle)
        m_dimensionStyle = new CDimensionStyle(this);
    if (!m_textStyle)
        m_textStyle = new CTextStyle(this);
    if (!m_contributors)
        m_contributors = std::make_unique<CContributorManager>(this);
    m_root->SetOwnerModel(this);
    m_shadowInfo->SetOwner(this);
    m_renderingOptions->SetOwner(this);
}

void CZephyronModel::DestroySubObjects()
{
    CCurrentModelScope current(this);
    CSuspendUndo unrecorded;
    auto destroy = [](auto*& part) {
        if (!part)
            return;
        DeleteUnrecorded(part);
        part = nullptr;
    };
    destroy(m_attributes);
    destroy(m_pageList);
    destroy(m_styleManager);
    destroy(m_watermarkManager);
    destroy(m_shadowInfo);
    destroy(m_renderingOptions);
    m_optionsManager.reset();
    destroy(m_componentAxes);
    destroy(m_drawingAxes);
    destroy(m_behavior);
    if (m_dimensionStyle)
        m_dimensionStyle->SetFont(nullptr, false);
    destroy(m_dimensionStyle);
    if (m_textStyle) {
        m_textStyle->SetFont(nullptr, false);
        m_textStyle->SetSecondFont(nullptr, false);
    }
    destroy(m_textStyle);
    destroy(m_root);
    destroy(m_fontManager);
    if (m_backgroundImage) {
        m_backgroundImage->ReleaseUse();
        m_backgroundImage = nullptr;
    }
    if (m_contributors) {
        if (m_undoManager)
            m_undoManager->RemoveListener(m_contributors.get());
        m_contributors.reset();
    }
    if (m_undoManager)
        m_undoManager->RemoveListener(this);
}

void CZephyronModel::FreeDroppedObjects()
{
    if (m_dropped.IsEmpty())
        return;
    CCurrentModelScope current(this);
    CSuspendUndo unrecorded;
    m_dropped.Free();
    if (m_dimensionStyle)
        m_dimensionStyle->SetDefaultFont();
    if (m_textStyle)
        m_textStyle->SetDefaultFont();
}

void CZephyronModel::Clear()
{
    CCurrentModelScope current(this);
    CSuspendUndo unrecorded;
    if (m_undoManager) {
        m_undoManager->BroadcastModelCleared(this);
        m_undoManager->Clear();
    }
    const bool contributorsWereEnabled = m_contributors ? m_contributors->SetEnabled(false) : false;
    CloseAllInstances();
    m_selection.Clear(false);
    CEntity::ResetIdCounter();

    if (m_pageList)
        m_pageList->Clear();
    if (m_styleManager)
        m_styleManager->RemoveAllStyles();
    if (m_watermarkManager)
        m_watermarkManager->DeleteAll();
    if (m_shadowInfo)
        m_shadowInfo->SetDefaults();
    if (m_renderingOptions)
        m_renderingOptions->SetDefaults();
    if (m_componentAxes)
        m_componentAxes->GetDisplay().ResetDefaults();
    if (m_drawingAxes)
        m_drawingAxes->Reset();
    if (m_behavior)
        m_behavior->ResetBehavior();
    if (m_styleManager)
        m_styleManager->RebuildStyles();
    if (m_root)
        m_root->Reset();
    // The styles' fonts may be ones the last read dropped from the font manager: let go of them
    // before the pool frees them, and give the styles their defaults again afterwards.
    if (m_dimensionStyle)
        m_dimensionStyle->SetFont(nullptr, false);
    if (m_textStyle) {
        m_textStyle->SetFont(nullptr, false);
        m_textStyle->SetSecondFont(nullptr, false);
    }

    m_guid = {};
    m_sixteenValues.fill(0);
    if (m_attributes) {
        DeleteUnrecorded(m_attributes);
        m_attributes = nullptr;
    }
    m_thumbnail.Reset();
    m_secondImage.Reset();
    m_backReferences.reset();
    if (m_backgroundImage) {
        m_backgroundImage->ReleaseUse();
        m_backgroundImage = nullptr;
    }
    ResetCamera();
    // Whatever the last read dropped goes with its contents.
    m_dropped.Free();
    m_version = CVersionInfo();
    m_storedValue = 0;
    m_trailingValue = 0;
    m_status = kModelRead;
    m_mipmaps = true;
    if (m_contributors) {
        m_contributors->ResetCounter();
        m_contributors->SetEnabled(contributorsWereEnabled);
    }
    m_changeCount = 0;
}

void CZephyronModel::ResetCamera()
{
    using orbisk::geometry::CPoint3d;
    using orbisk::geometry::CVector3d;
    m_camera.Set(CPoint3d(0, 0, 500), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), 1.0, 1000.0, true, 30.0, 133.0);
    m_camera.Set2DPanZoom(false, 1.0, 0.0, 0.0);
    m_camera.SetImageAspect(0.0);
}

void CZephyronModel::OnOperationEnd(int resultKind, int, uint32_t)
{
    // Kinds: 0 committed, 3 redone, 2 undone.
    if (resultKind == 0 || resultKind == 3)
        ++m_changeCount;
    else if (resultKind == 2 && m_changeCount > 0)
        --m_changeCount;
}

// ---------------------------------------------------------------------------------------------
// Reading.

void CZephyronModel::Serialize(CArchive& ar)
{
    if (!ar.IsLoading())
        AfxThrowArchiveException(CArchiveException::readOnly);
    CCurrentModelScope current(this);
    m_status = kModelRead;
    CCurrentArchivePathScope archivePath(ar.GetFile() ? ar.GetFile()->GetFilePath() : CString());
    CSuspendUndo unrecorded;
    orbisk::utils::CNotificationSuspender quiet;
    try {
        ReadModel(ar);
    } catch (...) {
        // Curves a broken record left waiting would otherwise be processed by the next read, and
        // no edge counts them yet.
        CCurveFixupList::Abandon();
        throw;
    }
}

void CZephyronModel::ReadModel(CArchive& ar)
{
    if (!ReadModelHeader(ar)) {
        m_status = kNotAModelFile;
        return;
    }
    m_version.Serialize(ar);
    CurrentFileVersion().Copy(m_version);
    const int32_t value = m_version.GetValue();
    if (value >= kValueWithGuid) {
        ReadGuid(ar, m_guid);
        SkipString(ar);
    }
    uint32_t creationTime = 0;
    ar >> creationTime;

    std::unique_ptr<CVersionMap> map(ReadVersionMap(ar, value));
    if (IsVersionMapIncompatible(map.get())) {
        m_status = kNeedsNewerProgram;
        return;
    }
    CInstalledVersionMap installed(map.release());
    const auto f = static_cast<uint32_t>(GetClassVersion(RUNTIME_CLASS(CZephyronModel)));
    ReadAfterMap(ar, value, f);
    RepairAfterReading();
}

void CZephyronModel::ReadAfterMap(CArchive& ar, int32_t value, uint32_t f)
{
    if (f >= 7) {
        int32_t dropped[2];
        ar >> dropped[0] >> dropped[1];
    }
    if (f >= 18)
        ar >> m_storedValue;
    if (f >= 4) {
        m_thumbnail.Reset();
        CDib* thumbnail = ReadImage(ar);
        m_thumbnail = CDibRef(thumbnail);
        if (thumbnail)
            thumbnail->Release();
        ar >> m_thumbnailFlag;
    }
    if (value >= kValueWithBehavior)
        m_behavior->Serialize(ar);
    CString description;
    if (value >= kValueWithDescription)
        ar >> description;
    if (f >= 21) {
        m_optionsManager->Serialize(ar);
        bool madeHere = false;
        CAttributeContainer* attributes = ReadReference<CAttributeContainer>(ar, madeHere);
        if (attributes && !madeHere)
            AfxThrowArchiveException(CArchiveException::badIndex);
        if (m_attributes)
            DeleteUnrecorded(m_attributes);
        m_attributes = attributes;
        CDib* second = ReadImage(ar);
        m_secondImage = CDibRef(second);
        if (second)
            second->Release();
    } else {
        m_secondImage.Reset();
    }
    if (!description.IsEmpty())
        SetDescription(description);

    m_camera.ReadEmbedded(ar, f <= 10);
    if (value >= kValueWithRenderingOptions)
        m_renderingOptions->Serialize(ar);

    // Loose vertices of old files: read and not kept.
    const int32_t vertexCount = ReadItemCount(ar, kMinObjectReferenceBytes);
    for (int32_t i = 0; i < vertexCount; ++i) {
        bool madeHere = false;
        CObject* vertex = ReadObjectReference(ar, RUNTIME_CLASS(CVertex), madeHere);
        if (madeHere)
            KeepUnownedObject(vertex);
    }
    // The oldest files list their elements before there were components.
    if (f == 0)
        m_root->ReadEntityList(ar);
    if (f >= 17) {
        int32_t check = 0;
        ar >> check;
    }
    if (f >= 1)
        ReadRootComponent(ar);
    // The display settings keep no shadow switch of their own: the shadow settings' record holds
    // whether shadows show, so there is nothing to copy across after it.
    if (f >= 2)
        m_shadowInfo->Serialize(ar);
    if (f >= 12)
        m_pageList->Serialize(ar);
    else if (value >= kValueWithOlderScenes)
        ReadOlderScenes(ar);
    if (value >= kValueWithOldTexts && f < 6) {
        const int32_t count = ReadItemCount(ar, 1);
        for (int32_t i = 0; i < count; ++i)
            SkipString(ar);
    }
    if (value >= kValueWithOldMaterials && f < 3)
        ReadOldMaterials(ar);
    if (value >= kValueWithDrawingAxes)
        m_drawingAxes->Serialize(ar);
    if (value >= kValueWithSixteenValues) {
        for (int32_t& stored : m_sixteenValues)
            ar >> stored;
    }
    if (f >= 5 && f <= 20)
        m_optionsManager->Serialize(ar);
    if (f >= 8) {
        m_dimensionStyle->Serialize(ar);
        // Dimensions of that first form carry no style of their own.
        if (GetClassVersion(RUNTIME_CLASS(CDimension)) == 0)
            m_root->ApplyDimensionStyle(m_dimensionStyle);
    }
    if (f >= 10)
        m_textStyle->Serialize(ar);
    if (f >= 9)
        m_fontManager->Serialize(ar);
    if (f == 13 || f >= 15)
        ReadBackgroundImage(ar);
    if (m_textStyle)
        m_textStyle->EnsureFont();
    if (f >= 14)
        m_styleManager->Serialize(ar);
    else
        m_styleManager->RebuildStyles();
    if (f >= 16) {
        // Reading the watermarks announces them, which would mark the styles modified.
        const bool modified = m_styleManager->IsModified();
        m_watermarkManager->Serialize(ar);
        m_styleManager->SetModified(modified);
    }
    ReadTrailer(ar, f);
}

void CZephyronModel::ReadRootComponent(CArchive& ar)
{
    CCurveFixupList::Clear();
    m_root->Serialize(ar);
    CCurveFixupList::Process(true, true);
}

void CZephyronModel::ReadOlderScenes(CArchive& ar)
{
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CObject* object = ReadObjectReference(ar, RUNTIME_CLASS(CZephyronPage), madeHere);
        auto* scene = dynamic_cast<CZephyronPage*>(object);
        if (!scene)
            continue;
        if (scene->GetParent() || !madeHere) {
            // A scene listed twice stays at its first place.
            continue;
        }
        m_pageList->InsertPage(scene, -1);
    }
    m_pageList->SetSelectedPage(nullptr);
}

void CZephyronModel::ReadOldMaterials(CArchive& ar)
{
    auto* legacy = new CMaterialManager;
    try {
        legacy->Serialize(ar);
    } catch (...) {
        DeleteUnrecorded(legacy);
        throw;
    }
    m_root->GetMaterialManager()->MergeLegacyManager(legacy);
}

void CZephyronModel::ReadBackgroundImage(CArchive& ar)
{
    bool madeHere = false;
    CBackgroundImage* photo = ReadReference<CBackgroundImage>(ar, madeHere);
    if (m_backgroundImage) {
        m_backgroundImage->ReleaseUse();
        m_backgroundImage = nullptr;
    }
    if (!photo)
        return;
    if (madeHere)
        KeepUntilAdopted(photo);
    m_backgroundImage = photo;
    m_backgroundImage->AddUse();
    m_backgroundImage->ApplyAspectToCamera(m_camera);
}

void CZephyronModel::ReadTrailer(CArchive& ar, uint32_t f)
{
    if (f >= 20) {
        ar >> m_trailingValue;
    } else if (f == 19) {
        uint8_t byte = 0;
        ar >> byte;
        m_trailingValue = byte ? 0 : 2;
    } else {
        m_trailingValue = 0;
    }
    if (f >= 22) {
        bool mipmaps = true;
        ar >> mipmaps;
        m_mipmaps = mipmaps;
    } else {
        m_mipmaps = f == 21;
    }
}

void CZephyronModel::RepairAfterReading()
{
    RefreshScenePhotos();
    ShareDuplicateImages();
    SetCurrentVersionMap(nullptr);
    m_root->ApplyLegacyTransforms();
    EnsureGeoReferenceDefaults();
}

bool CZephyronModel::LoadFromFile(const CString& path)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite))
        return false;
    try {
        CArchive ar(&file, CArchive::load, kArchiveBufferSize);
        ar.SetLoadParams(kArchiveLoadGrowth);
        if (file.GetLength() != 0)
            Serialize(ar);
        ar.Close();
        file.Close();
        if (m_contributors)
            m_contributors->OnModelLoaded();
        m_path = path;
        return true;
    } catch (const CException& e) {
        file.Abort();
        auto* archiveError = dynamic_cast<const CArchiveException*>(&e);
        if (!archiveError || archiveError->m_cause != CArchiveException::none)
            AfxMessageBox(e.GetErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
    }
    {
        CCurrentModelScope current(this);
        CSuspendUndo unrecorded;
        if (m_root)
            m_root->ReleaseCurves();
    }
    Clear();
    m_path.Empty();
    SetCurrentVersionMap(nullptr);
    return false;
}

int CZephyronModel::ReadFileHeader(CArchive& ar, CDib*& thumbnail, CString& description)
{
    thumbnail = nullptr;
    // Unlike opening, a preview tells a header it cannot read (the preview fails) from one that
    // reads but names no model.
    CString header;
    ar >> header;
    if (!IsModelHeader(header))
        return kPreviewNotAModel;
    CVersionInfo version;
    version.Serialize(ar);
    const int32_t value = version.GetValue();
    if (value >= kValueWithGuid) {
        orbisk::utils::CGuid guid;
        ReadGuid(ar, guid);
        SkipString(ar);
    }
    uint32_t creationTime = 0;
    ar >> creationTime;
    std::unique_ptr<CVersionMap> map(ReadVersionMap(ar, value));
    if (IsVersionMapIncompatible(map.get()))
        return kPreviewNotAModel;
    CInstalledVersionMap installed(map.release());
    const auto f = static_cast<uint32_t>(GetClassVersion(RUNTIME_CLASS(CZephyronModel)));
    int32_t dropped = 0;
    if (f >= 7)
        ar >> dropped >> dropped;
    if (f >= 18)
        ar >> dropped;
    int result = kPreviewNoThumbnail;
    if (f >= 4) {
        bool madeHere = false;
        thumbnail = ReadReference<CDib>(ar, madeHere);
        if (thumbnail)
            thumbnail->AddRef();
        bool flag = false;
        ar >> flag;
        result = thumbnail && !thumbnail->HasData() ? kPreviewNotAModel : kPreviewRead;
    }
    if (value >= kValueWithBehavior) {
        CSuspendUndo unrecorded;
        CComponentBehavior behavior;
        behavior.Serialize(ar);
    }
    if (value >= kValueWithDescription)
        ar >> description;
    // An empty thumbnail goes only now: until reading ends, a later record may refer back to it.
    if (thumbnail && !thumbnail->HasData()) {
        thumbnail->Release();
        thumbnail = nullptr;
    }
    return result;
}

int CZephyronModel::ReadPreview(const CString& path, CDib*& thumbnail, CString& description)
{
    thumbnail = nullptr;
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite))
        return kPreviewCannotOpen;
    try {
        CArchive ar(&file, CArchive::load, kArchiveBufferSize);
        return ReadFileHeader(ar, thumbnail, description);
    } catch (...) {
        // Any failure ends the preview with its code.
    }
    file.Abort();
    if (thumbnail) {
        thumbnail->Release();
        thumbnail = nullptr;
    }
    return kPreviewFailed;
}

bool IsDotRelativePath(const CString& path)
{
    return path.GetLength() >= 2 && path[0] == L'.' && path[1] == L'\\';
}

// ---------------------------------------------------------------------------------------------
// Model-level validity.

int CZephyronModel::CheckValidity(int level, bool remember)
{
    CValidityCheckScope checksOn;
    CCheckedObjectMap checked;
    CCheckedObjectMap* map = remember ? &checked : nullptr;
    int result = 0;
    struct Required {
        CEntity* part;
        const char* message;
    };
    const Required required[] = {
        {GetLayerManager(), "The Layer Manager for this model is not valid\n"},
        {GetMaterialManager(), "The Material Manager for this model is not valid\n"},
        {m_fontManager, "The Font Manager for this model is not valid\n"},
        {m_renderingOptions, "The Rendering Options for this model are not valid\n"},
        {m_shadowInfo, "The Shadow Info for this model is not valid\n"},
        {m_drawingAxes, "The Drawing Coordinate System for this model is not valid\n"},
    };
    for (const Required& part : required) {
        if (!part.part) {
            AppendValidityMessage(part.message);
            return 3;
        }
        result = std::max(result, part.part->CheckValidity(level, map));
    }
    std::vector<CEntity*> others = {m_root->GetDefinitionList(), m_root, m_pageList, m_watermarkManager,
                                    m_backgroundImage};
    for (CEntity* part : others) {
        if (part)
            result = std::max(result, part->CheckValidity(level, map));
    }
    // Results are ordered by severity (3 over 2 over 1 over 0), so the worst is the largest.
    if (level == kValidityCheckIgnoringIds && result != 3)
        return 0;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Accessors of IModelContext and IStyleModel.

CBackReferenceIndex& CZephyronModel::GetBackReferenceIndex()
{
    if (!m_backReferences)
        m_backReferences = std::make_unique<CBackReferenceIndex>();
    return *m_backReferences;
}

CEntity* CZephyronModel::GetRootComponent() const
{
    return m_root;
}

CLayerManager* CZephyronModel::GetLayerManager() const
{
    return m_root ? m_root->GetLayerManager() : nullptr;
}

CMaterialManager* CZephyronModel::GetMaterialManager() const
{
    return m_root ? m_root->GetMaterialManager() : nullptr;
}

IRenderingOptions* CZephyronModel::GetRenderingOptions() const
{
    return m_renderingOptions;
}

CEntity* CZephyronModel::GetTextStyleFont(int which) const
{
    if (!m_textStyle)
        return nullptr;
    return which == 0 ? m_textStyle->GetOwnFont() : m_textStyle->GetOwnSecondFont();
}

CEntity* CZephyronModel::GetDimensionStyleFont() const
{
    return m_dimensionStyle ? m_dimensionStyle->PeekFont() : nullptr;
}

CEntity* CZephyronModel::GetDimensionStyle() const
{
    return m_dimensionStyle;
}

std::vector<IStyledScene*> CZephyronModel::GetStyledScenes() const
{
    std::vector<IStyledScene*> scenes;
    if (!m_pageList)
        return scenes;
    for (CZephyronPage* page : m_pageList->GetPages()) {
        if (auto* scene = dynamic_cast<IStyledScene*>(page))
            scenes.push_back(scene);
    }
    return scenes;
}

IStyledScene* CZephyronModel::GetSelectedStyledScene() const
{
    return m_pageList ? dynamic_cast<IStyledScene*>(m_pageList->GetSelectedPage()) : nullptr;
}

std::vector<CSectionPlane*> CZephyronModel::GetActiveSectionPlanes() const
{
    std::vector<CSectionPlane*> planes;
    for (CDrawingElement* plane : CollectActiveSectionPlanes()) {
        if (auto* sectionPlane = dynamic_cast<CSectionPlane*>(plane))
            planes.push_back(sectionPlane);
    }
    return planes;
}

std::set<CDrawingElement*> CZephyronModel::GetHiddenElements() const
{
    std::set<CDrawingElement*> hidden;
    if (!m_root)
        return hidden;
    for (CDrawingElement* element : m_root->GetEntityList()) {
        if (element && (element->GetFlags() & CDrawingElement::kHidden))
            hidden.insert(element);
    }
    return hidden;
}

std::vector<CLayer*> CZephyronModel::GetLayersDifferingFromDefault(int layerMode) const
{
    std::vector<CLayer*> layers;
    CLayerManager* manager = GetLayerManager();
    for (int i = 0; manager && i < manager->GetCount(); ++i) {
        CLayer* layer = manager->GetLayerAt(i);
        if (layer && !CLayer::MatchesSceneDefault(layer, layerMode))
            layers.push_back(layer);
    }
    return layers;
}

void CZephyronModel::ActivateSectionPlanes(const std::vector<CSectionPlane*>& planes)
{
    ApplyActiveSectionPlanes(std::vector<CDrawingElement*>(planes.begin(), planes.end()));
}

void CZephyronModel::SetHiddenElements(const std::set<CDrawingElement*>& hidden)
{
    if (!m_root)
        return;
    for (CDrawingElement* element : m_root->GetEntityList()) {
        if (element->GetFlags() & CDrawingElement::kHidden)
            element->SetHidden(false);
    }
    for (CDrawingElement* element : hidden) {
        if (element && element->GetParent() == m_root)
            element->SetHidden(true);
    }
}

void CZephyronModel::SetLayersDifferingFromDefault(const std::vector<CLayer*>& layers)
{
    CLayerManager* manager = GetLayerManager();
    if (!manager)
        return;
    // Flipping the hidden flag turns a layer from its default to the opposite and back,
    // whatever its behaviour. Once every layer is back at its default, a scene's list names
    // exactly the layers to flip, each once.
    for (int i = 0; i < manager->GetCount(); ++i) {
        CLayer* layer = manager->GetLayerAt(i);
        if (layer && !CLayer::MatchesSceneDefault(layer, 0))
            layer->SetHidden(!layer->IsHidden());
    }
    for (CLayer* layer : layers) {
        if (layer && CLayer::MatchesSceneDefault(layer, 0))
            layer->SetHidden(!layer->IsHidden());
    }
}

std::unique_ptr<ICamera> CZephyronModel::CreateCamera()
{
    return std::make_unique<CCamera>();
}

CEntity* CZephyronModel::CreateFont(const CFontDescription& description)
{
    return new CZpFont(description);
}

// ---------------------------------------------------------------------------------------------
// Setters.

void CZephyronModel::SetShadowInfo(const CShadowInfo& shadows)
{
    if (!m_shadowInfo)
        return;
    m_shadowInfo->DeleteGroundShadowList();
    m_shadowInfo->DeleteVolumeList();
    m_shadowInfo->Assign(shadows);
    m_shadowInfo->AnnounceReplacedByModel();
}

void CZephyronModel::AssignRenderingOptions(const CRenderingOptions& options)
{
    if (m_renderingOptions)
        m_renderingOptions->Assign(options);
}

void CZephyronModel::SetDrawingAxes(const CZphCS& axes)
{
    if (m_drawingAxes)
        m_drawingAxes->CopyFrame(axes);
}

void CZephyronModel::SetThumbnail(CDib* image)
{
    if (image != m_thumbnail.Get())
        m_thumbnail.Reset(image);
}

void CZephyronModel::SetSecondImage(CDib* image)
{
    if (image != m_secondImage.Get())
        m_secondImage.Reset(image);
}

void CZephyronModel::SetBackgroundImage(CBackgroundImage* image)
{
    if (image)
        image->AddUse();
    if (m_backgroundImage)
        m_backgroundImage->ReleaseUse();
    m_backgroundImage = image;
}

void CZephyronModel::SetMipmapsEnabled(bool enabled)
{
    if (enabled == m_mipmaps)
        return;
    m_mipmaps = enabled;
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kModelMipmapChangedNotification, this);
}

// ---------------------------------------------------------------------------------------------
// Properties.

CAttributeNamed* CZephyronModel::GetModelProperties() const
{
    if (!m_attributes)
        return nullptr;
    return dynamic_cast<CAttributeNamed*>(m_attributes->FindNamed(kEntityAttributeNamed, L"ModelProperties"));
}

CAttributeNamed& CZephyronModel::GetOrCreateModelProperties()
{
    if (CAttributeNamed* properties = GetModelProperties())
        return *properties;
    CSuspendUndo unrecorded;
    if (!m_attributes)
        m_attributes = new CAttributeContainer;
    auto* properties = new CAttributeNamed(L"ModelProperties");
    m_attributes->Add(properties);
    return *properties;
}

CString CZephyronModel::GetModelProperty(const CString& name) const
{
    const CAttributeNamed* properties = GetModelProperties();
    if (!properties)
        return CString();
    CString text;
    if (!properties->GetValue(name).TryGetString(text))
        return CString();
    return orbisk::utils::CompareNoCase(text.GetString(), L"NULL") == 0 ? CString() : text;
}

void CZephyronModel::SetModelProperty(const CString& name, const CString& text)
{
    CSuspendUndo unrecorded;
    GetOrCreateModelProperties().SetValue(name, orbisk::utils::CTypedValue(text));
}

CAttributeNamed* CZephyronModel::GetGeoReference() const
{
    CAttributeContainer* attributes = m_root ? m_root->GetAttributeContainer() : nullptr;
    if (!attributes)
        return nullptr;
    return dynamic_cast<CAttributeNamed*>(attributes->FindNamed(kEntityAttributeNamed, L"GeoReference"));
}

void CZephyronModel::EnsureGeoReferenceDefaults()
{
    CAttributeNamed* geo = GetGeoReference();
    if (!geo)
        return;
    using orbisk::utils::CTypedValue;
    CSuspendUndo unrecorded;
    auto ensure = [geo](const wchar_t* key, const CTypedValue& value) {
        if (geo->GetValue(key).IsEmpty())
            geo->SetValue(key, value);
    };
    ensure(L"UsesGeoReferencing", CTypedValue(true));
    ensure(L"LocationSource", CTypedValue(L"Terravista"));
    ensure(L"Longitude", CTypedValue(m_shadowInfo ? m_shadowInfo->GetLongitude() : kDefaultLongitude));
    ensure(L"Latitude", CTypedValue(m_shadowInfo ? m_shadowInfo->GetLatitude() : kDefaultLatitude));
}

// ---------------------------------------------------------------------------------------------
// The active path.

CDrawingElement* CZephyronModel::GetActiveInstance() const
{
    return m_activePath.IsEmpty() ? nullptr : m_activePath.GetInstance(m_activePath.GetSize() - 1);
}

CComponent* CZephyronModel::GetActiveComponent() const
{
    if (auto* instance = dynamic_cast<CComponentInstance*>(GetActiveInstance())) {
        if (CComponentDefinition* definition = instance->GetDefinition())
            return definition;
    }
    return m_root;
}

void CZephyronModel::AddToActiveComponent(CDrawingElement* entity)
{
    if (CComponent* component = GetActiveComponent())
        component->AddEntity(entity);
}

void CZephyronModel::CloseAllInstances()
{
    while (!m_activePath.IsEmpty())
        m_activePath.PopBack();
}

bool CZephyronModel::IsActivePath(const CInstancePath& path) const
{
    return &path == &m_activePath || path == m_activePath;
}

bool CZephyronModel::IsDefinitionOnActivePath(const CEntity* object) const
{
    for (int i = 0; i < m_activePath.GetSize(); ++i) {
        auto* instance = dynamic_cast<CComponentInstance*>(m_activePath.GetInstance(i));
        if (instance && instance->GetDefinition() == object)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Section planes.

CDrawingElement* CZephyronModel::GetActiveSectionPlane() const
{
    CComponent* component = GetActiveComponent();
    return component ? component->GetActiveSectionPlane() : nullptr;
}

void CZephyronModel::SetActiveSectionPlane(CDrawingElement* plane)
{
    CComponent* component = GetActiveComponent();
    if (!component)
        return;
    component->SetActiveSectionPlane(plane);
}

std::vector<CDrawingElement*> CZephyronModel::CollectActiveSectionPlanes() const
{
    std::vector<CDrawingElement*> planes;
    if (!m_root)
        return planes;
    if (CDrawingElement* plane = m_root->GetActiveSectionPlane())
        planes.push_back(plane);
    CDefinitionList* definitions = m_root->GetDefinitionList();
    for (int i = 0; definitions && i < definitions->GetCount(); ++i) {
        auto* definition = dynamic_cast<CComponentDefinition*>(definitions->GetAt(i));
        if (!definition || definition->GetInstanceCount() == 0)
            continue;
        if (CDrawingElement* plane = definition->GetActiveSectionPlane())
            planes.push_back(plane);
    }
    return planes;
}

void CZephyronModel::ApplyActiveSectionPlanes(const std::vector<CDrawingElement*>& planes)
{
    if (!m_root)
        return;
    std::vector<CComponent*> components = {m_root};
    CDefinitionList* definitions = m_root->GetDefinitionList();
    for (int i = 0; definitions && i < definitions->GetCount(); ++i) {
        if (auto* definition = dynamic_cast<CComponent*>(definitions->GetAt(i)))
            components.push_back(definition);
    }
    for (CComponent* component : components) {
        if (component->GetActiveSectionPlane())
            component->SetActiveSectionPlane(nullptr);
    }
    for (CDrawingElement* plane : planes) {
        if (auto* owner = plane ? dynamic_cast<CComponent*>(plane->GetParent()) : nullptr)
            owner->SetActiveSectionPlane(plane);
    }
}

namespace {

// The components whose active planes clip what the active path shows: the one holding each
// instance of the path, outermost first, then, when asked, the active component itself.
std::vector<CComponent*> SectionClippingComponents(const CInstancePath& path, CComponent* root,
                                                   CComponent* active, bool includeActive)
{
    std::vector<CComponent*> components;
    for (int i = 0; i < path.GetSize(); ++i) {
        CDrawingElement* instance = path.GetInstance(i);
        auto* holder = instance ? dynamic_cast<CComponent*>(instance->GetParent()) : nullptr;
        components.push_back(holder ? holder : root);
    }
    if (includeActive)
        components.push_back(active);
    return components;
}

}  // namespace

void CZephyronModel::PushActivePathSectionPlanes(IDrawingBase* sink, bool clip, bool includeActive)
{
    if (!sink || !m_renderingOptions ||
        !(m_renderingOptions->GetSectionDisplay() & CRenderingOptions::kSectionCutsShown))
        return;
    for (CComponent* component :
         SectionClippingComponents(m_activePath, m_root, GetActiveComponent(), includeActive)) {
        if (auto* plane =
                dynamic_cast<CSectionPlane*>(component ? component->GetActiveSectionPlane() : nullptr))
            sink->PushSectionPlane(plane, clip);
    }
}

void CZephyronModel::PopActivePathSectionPlanes(IDrawingBase* sink, bool clip, bool includeActive)
{
    if (!sink || !m_renderingOptions ||
        !(m_renderingOptions->GetSectionDisplay() & CRenderingOptions::kSectionCutsShown))
        return;
    for (CComponent* component :
         SectionClippingComponents(m_activePath, m_root, GetActiveComponent(), includeActive)) {
        if (component && dynamic_cast<CSectionPlane*>(component->GetActiveSectionPlane()))
            sink->PopSectionPlane(clip);
    }
}

// ---------------------------------------------------------------------------------------------
// Shared images.

namespace {

// Every image the model holds with its owner, in the order in which equal images share the
// first one met.
std::vector<HeldImage> CollectHeldImages(const CZephyronModel& model)
{
    std::vector<HeldImage> held;
    auto add = [&held](CDib* image, CEntity* owner) {
        if (image)
            held.push_back({image, owner});
    };
    if (CMaterialManager* materials = model.GetMaterialManager()) {
        for (int i = 0; i < materials->GetCount(); ++i) {
            CMaterial* material = materials->GetMaterialAt(i);
            if (CTexture* texture = material ? material->GetTexture() : nullptr)
                add(texture->GetImage(), material);
        }
    }
    if (CLayerManager* layers = model.GetLayerManager()) {
        for (int i = 0; i < layers->GetCount(); ++i) {
            CLayer* layer = layers->GetLayerAt(i);
            CMaterial* material = layer ? layer->GetMaterial() : nullptr;
            if (CTexture* texture = material ? material->GetTexture() : nullptr)
                add(texture->GetImage(), material);
        }
    }
    std::set<CBackgroundImage*> photos;
    if (model.GetBackgroundImage())
        photos.insert(model.GetBackgroundImage());
    if (CPageList* pages = model.GetPageList()) {
        for (CZephyronPage* page : pages->GetPages()) {
            if (auto* scene = dynamic_cast<CViewPage*>(page); scene && scene->GetBackgroundImage())
                photos.insert(scene->GetBackgroundImage());
        }
    }
    for (CBackgroundImage* photo : photos)
        add(photo->GetImage(), photo);
    std::set<CWatermark*> watermarks;
    if (CWatermarkManager* manager = model.GetWatermarkManager())
        watermarks.insert(manager->GetEntries().begin(), manager->GetEntries().end());
    if (CZphStyleManager* styles = model.GetStyleManager()) {
        for (CZphStyle* style : styles->GetStyles()) {
            if (CWatermarkList* list = style ? style->GetStyle().GetWatermarkList() : nullptr)
                watermarks.insert(list->GetEntries().begin(), list->GetEntries().end());
        }
    }
    for (CWatermark* watermark : watermarks) {
        if (watermark)
            add(watermark->GetImage(), watermark);
    }
    return held;
}

void GiveImage(CEntity* owner, CDib* image)
{
    if (auto* material = dynamic_cast<CMaterial*>(owner)) {
        if (CTexture* texture = material->GetTexture())
            texture->SetImage(image);
    } else if (auto* photo = dynamic_cast<CBackgroundImage*>(owner)) {
        photo->SetImage(image);
    } else if (auto* watermark = dynamic_cast<CWatermark*>(owner)) {
        watermark->SetImage(image);
    }
}

}  // namespace

CDib* CZephyronModel::FindSharedImage(const CDib* image) const
{
    if (!image)
        return nullptr;
    for (const HeldImage& held : CollectHeldImages(*this)) {
        if (held.image == image || held.image->Equals(image))
            return held.image;
    }
    return nullptr;
}

CDib* CZephyronModel::LoadSharedImage(const CString& path, bool share)
{
    if (path.IsEmpty())
        return nullptr;
    auto* image = new CDib;
    image->AddRef();
    if (!image->LoadFile(std::wstring(path.GetString()))) {
        image->Release();
        return nullptr;
    }
    if (!share)
        return image;
    CDib* found = FindSharedImage(image);
    if (!found)
        return image;
    image->Release();
    found->AddRef();
    return found;
}

void CZephyronModel::ShareDuplicateImages()
{
    std::vector<HeldImage> held = CollectHeldImages(*this);
    std::vector<CDib*> replacement(held.size(), nullptr);
    for (size_t i = 0; i < held.size(); ++i) {
        if (replacement[i])
            continue;
        for (size_t j = i + 1; j < held.size(); ++j) {
            if (replacement[j])
                continue;
            if (held[j].image == held[i].image)
                replacement[j] = held[j].image;
            else if (held[j].image->Equals(held[i].image))
                replacement[j] = held[i].image;
        }
    }
    for (size_t i = 0; i < held.size(); ++i) {
        if (replacement[i] && replacement[i] != held[i].image)
            GiveImage(held[i].owner, replacement[i]);
    }
}

bool CZephyronModel::RefreshScenePhotos()
{
    bool changed = false;
    if (!m_pageList)
        return changed;
    for (CZephyronPage* page : m_pageList->GetPages()) {
        auto* scene = dynamic_cast<CViewPage*>(page);
        CBackgroundImage* photo = scene ? scene->GetBackgroundImage() : nullptr;
        if (!photo)
            continue;
        const CString path = CBackgroundImage::ResolveStoredPath(photo->GetPath(), CurrentArchivePath());
        const int64_t fileTime = path.IsEmpty() ? 0 : FileModificationTime(path);
        if (fileTime != photo->GetCurrentFileTime()) {
            photo->SetCurrentFileTime(fileTime);
            changed = true;
        }
        // Only a photo of mode 2 keeps its full image, taken when the file had GetFileTime.
        if (photo->GetMode() != 2 || fileTime == 0)
            continue;
        if (photo->GetImage() && photo->GetCurrentFileTime() <= photo->GetFileTime())
            continue;
        if (CDib* image = LoadSharedImage(path, true)) {
            photo->SetImage(image);
            image->Release();
        }
    }
    return changed;
}

// ---------------------------------------------------------------------------------------------
// GL resources.

void CZephyronModel::ReleaseGLResources()
{
    CSuspendUndo unrecorded;
    if (CMaterialManager* materials = GetMaterialManager())
        materials->ReleaseMaterialTextures();
    if (CLayerManager* layers = GetLayerManager())
        layers->ReleaseLayerTextures();
    if (m_styleManager)
        m_styleManager->ReleaseGLResources();
    if (m_fontManager)
        m_fontManager->ClearCacheHandles();
    if (m_root)
        m_root->ReleaseGLResources();
    if (m_shadowInfo) {
        m_shadowInfo->DeleteGroundShadowList();
        m_shadowInfo->DeleteVolumeList();
    }
    if (m_watermarkManager)
        m_watermarkManager->ReleaseGLResources();
}

// ---------------------------------------------------------------------------------------------
// Contributors.

CContributorIterator::CContributorIterator(const CZephyronModel& model)
    : m_definitions(model.GetRoot() ? model.GetRoot()->GetDefinitionList() : nullptr)
{
    Next();
}

CComponentDefinition* CContributorIterator::Current() const
{
    if (!m_definitions || m_index < 0)
        return nullptr;
    return dynamic_cast<CComponentDefinition*>(m_definitions->GetAt(m_index));
}

void CContributorIterator::Next()
{
    m_names.clear();
    m_namesLoaded = false;
    if (!m_definitions || m_index == -1) {
        m_index = -1;
        return;
    }
    for (int i = m_index + 1; i < m_definitions->GetCount(); ++i) {
        auto* definition = dynamic_cast<CComponentDefinition*>(m_definitions->GetAt(i));
        if (definition && !definition->IsInternal() &&
            CContributorManager::CountNicknamesOf(*definition) != 0) {
            m_index = i;
            return;
        }
    }
    m_index = -1;
}

CString CContributorIterator::GetName(int i)
{
    CComponentDefinition* definition = Current();
    if (!definition)
        return CString();
    if (!m_namesLoaded) {
        m_namesLoaded = true;
        const CContributorManager::ArrayRef nicknames = CContributorManager::GetNicknamesOf(*definition);
        if (nicknames) {
            for (auto value = nicknames->values.rbegin(); value != nicknames->values.rend(); ++value) {
                CString text;
                value->TryGetString(text);
                m_names.push_back(text);
            }
        }
    }
    return i >= 0 && i < static_cast<int>(m_names.size()) ? m_names[i] : CString();
}
