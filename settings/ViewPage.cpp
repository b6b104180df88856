#include "settings/ViewPage.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveRecords.h"
#include "database/ArchiveSchema.h"
#include "database/DrawingElement.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/Layer.h"
#include "database/PageOptions.h"
#include "database/SlideshowOptions.h"
#include "database/Validity.h"
#include "image/ImageRep.h"
#include "platform/mfc/Archive.h"
#include "settings/BackgroundImage.h"
#include "settings/RenderingOptions.h"
#include "settings/SceneModel.h"
#include "settings/ShadowInfo.h"
#include "settings/ViewDefinition.h"
#include "settings/WatermarkList.h"
#include "settings/WatermarkManager.h"
#include "settings/ZphStyle.h"
#include "settings/ZphStyleManager.h"
#include "support/NotificationCenter.h"
#include "topology/SectionPlane.h"
#include "topology/ZphCS.h"

IMPLEMENT_SERIAL(CViewPage, CZephyronPage, VERSIONABLE_SCHEMA | 11)

namespace {

// Times this close to 0 mean no transition; this close to -1, the default.
constexpr double kTimeTolerance = 0.001;

template <class T>
T* CopyOf(const T* entity)
{
    return entity ? static_cast<T*>(entity->CreateCopy()) : nullptr;
}

// An owned settings object of the scene, made when missing, with the scene as its parent.
template <class T>
T& Ensure(COwnedPart<T>& part, CEntity* owner)
{
    if (!part) {
        part.Reset(new T);
        part->SetParent(owner);
    }
    return *part.Get();
}

ISceneTransitionFactory* g_transitionFactory = nullptr;

void PostPageActivation(int code)
{
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kPageActivationNotification, &code);
}

bool IsValidTime(double time)
{
    return std::isfinite(time) && (time >= -kTimeTolerance || std::fabs(time + 1.0) < kTimeTolerance);
}

}  // namespace

CViewPage::CViewPage() = default;

CViewPage::CViewPage(const CString& name, const CString& description, uint32_t flags)
    : CZephyronPage(name, description), m_flags(flags)
{}

CViewPage::CViewPage(const CViewPage& other)
    : CZephyronPage(other),
      m_flags(other.m_flags),
      m_camera(other.m_camera),
      m_hidden(other.m_hidden),
      m_style(other.m_style),
      m_layers(other.m_layers),
      m_sectionPlanes(other.m_sectionPlanes),
      m_includedInAnimation(other.m_includedInAnimation),
      m_tabLabel(other.m_tabLabel),
      m_transitionTime(other.m_transitionTime),
      m_delayTime(other.m_delayTime),
      m_photoFlag(other.m_photoFlag),
      m_listensToModel(false)
{
    m_options.Reset(CopyOf(other.m_options.Get()));
    m_shadows.Reset(CopyOf(other.m_shadows.Get()));
    m_axes.Reset(CopyOf(other.m_axes.Get()));
    for (CEntity* part : {static_cast<CEntity*>(m_options.Get()), static_cast<CEntity*>(m_shadows.Get()),
                          static_cast<CEntity*>(m_axes.Get())}) {
        if (part)
            part->SetParent(this);
    }
}

CViewPage::~CViewPage()
{
    ReleaseContents();
}

void CViewPage::ReleaseContents()
{
    m_options.Reset();
    m_shadows.Reset();
    m_axes.Reset();
    m_style = nullptr;
    if (CBackgroundImage* photo = std::exchange(m_photo, nullptr))
        photo->ReleaseUse();
    m_sceneImage.reset();
}

void CViewPage::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CZephyronPage::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
    });
}

void CViewPage::ReadRecord(CArchive& ar)
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CViewPage));
    ar >> m_flags;
    if (m_flags & kStoresCamera)
        m_camera.ReadEmbedded(ar, v < 7);
    ReadSettings(ar, v);

    m_hidden.clear();
    if (m_flags & kStoresHiddenElements) {
        const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
        for (int32_t i = 0; i < count; ++i) {
            if (CDrawingElement* element = ReadUnownedReference<CDrawingElement>(ar))
                m_hidden.insert(element);
        }
    }
    m_layers.clear();
    if (v >= 1 && (m_flags & kStoresLayers)) {
        const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
        for (int32_t i = 0; i < count; ++i) {
            if (CLayer* layer = ReadUnownedReference<CLayer>(ar))
                m_layers.push_back(layer);
        }
    }
    ReadSectionPlanes(ar, v);
    ReadTail(ar, v);
}

void CViewPage::ReadSettings(CArchive& ar, int32_t v)
{
    if (m_flags & kStoresStyle) {
        Ensure(m_options, this).Serialize(ar);
        if (v >= 10)
            m_style = ReadUnownedReference<CZphStyle>(ar);
    }
    if (m_flags & kStoresShadows) {
        CShadowInfo& shadows = Ensure(m_shadows, this);
        shadows.Serialize(ar);
        if (v >= 2)
            shadows.SetShadowsShownSilently(ReadValue<bool>(ar));
    }
    if (m_flags & kStoresAxes) {
        Ensure(m_axes, this).Serialize(ar);
        const bool axesShown = ReadValue<bool>(ar);
        if (m_options)
            m_options->SetAxesShown(axesShown);
    }
}

void CViewPage::ReadSectionPlanes(CArchive& ar, int32_t v)
{
    m_sectionPlanes.clear();
    if (!(m_flags & kStoresSectionPlanes) || v < 4)
        return;
    // A section plane whose record fails leaves the archive at an unknown place: the exception
    // goes on and fails the scene.
    const int32_t count = v == 4 ? 1 : ReadItemCount(ar, kMinObjectReferenceBytes);
    for (int32_t i = 0; i < count; ++i) {
        CSectionPlane* plane = ReadUnownedReference<CSectionPlane>(ar);
        if (plane && (v == 4 || plane->GetParent()))
            m_sectionPlanes.push_back(plane);
    }
}

void CViewPage::ReadTail(CArchive& ar, int32_t v)
{
    if (v >= 3)
        ar >> m_includedInAnimation;
    if (v >= 6 && v <= 10) {
        const bool watermarksShown = ReadValue<bool>(ar);
        if (m_options)
            m_options->SetDisplayWatermarks(watermarksShown);
    }
    m_transitionTime = v >= 8 ? ReadValue<double>(ar) : kDefaultTime;
    m_delayTime = v >= 9 ? ReadValue<double>(ar) : kDefaultTime;
    if (v >= 10) {
        if (CBackgroundImage* photo = ReadUnownedReference<CBackgroundImage>(ar)) {
            if (CBackgroundImage* old = std::exchange(m_photo, photo))
                old->ReleaseUse();
            // A photo no one holds yet is the scene's: its last released use erases it.
            if (!photo->GetParent())
                photo->SetParent(this);
            photo->AddUse();
            m_camera.Set2DPanZoom(true, m_camera.Get2DScale(), m_camera.Get2DOffsetX(),
                                  m_camera.Get2DOffsetY());
            m_camera.SetImageAspect(photo->ComputeAspect());
        }
    }
    if (v < 12) {
        if (m_photo)
            m_photoFlag = false;
        return;
    }
    ar >> m_photoFlag;
    m_sceneImage.reset();
    if (!ReadValue<bool>(ar))
        return;
    auto image = std::make_unique<orbisk::imageutils::ImageRep>();
    ReadImageRecord(ar, *image);
    // A picture that does not decode is dropped.
    if (image->IsValid())
        m_sceneImage = std::move(image);
}

void CViewPage::Erase()
{
    MarkChanged();
    ReleaseContents();
    CEntity::Erase();
}

void CViewPage::Transform(const orbisk::geometry::CTransform3d& transform)
{
    if (m_flags & kStoresCamera)
        m_camera.Transform(transform);
}

CEntity* CViewPage::CreateCopy() const
{
    return new CViewPage(*this);
}

bool CViewPage::HasTransition() const
{
    if (!CPageOptions::GetShowTransition())
        return false;
    const uint32_t moving = kStoresCamera | kStoresStyle | kStoresShadows | kStoresSectionPlanes;
    return (m_flags & moving) != 0 && std::fabs(m_transitionTime) >= kTimeTolerance;
}

const CString& CViewPage::GetTabLabel()
{
    m_tabLabel = m_includedInAnimation ? GetName() : CString(L"(") + GetName() + L")";
    return m_tabLabel;
}

int CViewPage::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CViewPage), map, [&] { return CZephyronPage::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CViewPage::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    int result = 0;
    struct Part {
        CEntity* entity;
        const CRuntimeClass* runtimeClass;
        const char* message;
    };
    const Part parts[] = {
        {m_options.Get(), RUNTIME_CLASS(CRenderingOptions), "The rendering options for %s are not valid\n"},
        {m_shadows.Get(), RUNTIME_CLASS(CShadowInfo), "The shadow info for %s is not valid\n"},
        {m_axes.Get(), RUNTIME_CLASS(CZphCS), "The ZphCS info for %s is not valid\n"},
        {m_photo, RUNTIME_CLASS(CBackgroundImage), "The background image for %s is not valid\n"},
    };
    for (const Part& part : parts) {
        if (!part.entity)
            continue;
        if (!part.entity->IsKindOf(part.runtimeClass)) {
            AppendValidityMessage(part.message, DescribeEntity(this).GetString());
            return 3;
        }
        const int partResult = part.entity->CheckValidity(level, map);
        if (partResult > 1)
            return partResult;
        result = std::max(result, partResult);
    }
    if (level != kValidityCheckIgnoringIds && !m_camera.IsValid()) {
        AppendValidityMessage("The vamera for %s is not valid\n", DescribeEntity(this).GetString());
        return 2;
    }
    for (auto [time, message] : {std::pair{&m_transitionTime, "The transition time for %s is not valid"},
                                 std::pair{&m_delayTime, "The delay time for %s is not valid"}}) {
        if (level == kValidityCheckIgnoringIds || IsValidTime(*time))
            continue;
        AppendValidityMessage(message, DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            *time = kDefaultTime;
        } else {
            result = std::max(result, 1);
        }
    }
    return result;
}

void CViewPage::SwapContents(CEntity& other)
{
    auto& that = static_cast<CViewPage&>(other);
    CZephyronPage::SwapContents(other);
    std::swap(m_flags, that.m_flags);
    CCamera::SwapCameras(m_camera, that.m_camera);
    m_options.Swap(that.m_options);
    std::swap(m_style, that.m_style);
    m_shadows.Swap(that.m_shadows);
    m_axes.Swap(that.m_axes);
    std::swap(m_sectionPlanes, that.m_sectionPlanes);
    std::swap(m_hidden, that.m_hidden);
    std::swap(m_layers, that.m_layers);
    std::swap(m_tabLabel, that.m_tabLabel);
    std::swap(m_photo, that.m_photo);
    std::swap(m_sceneImage, that.m_sceneImage);
    for (CViewPage* page : {this, &that}) {
        for (CEntity* part :
             {static_cast<CEntity*>(page->m_options.Get()), static_cast<CEntity*>(page->m_shadows.Get()),
              static_cast<CEntity*>(page->m_axes.Get())}) {
            if (part)
                part->SetParent(page);
        }
    }
}

void CViewPage::Activate(IModelView* view)
{
    auto* model = dynamic_cast<ISceneModel*>(GetPageModel());
    if (!model)
        return;
    if (m_flags & kStoresCamera) {
        model->SetCamera(GetActivationCamera(view));
        model->SetBackgroundImage(m_photo);
    }
    if (m_flags & kStoresStyle)
        ActivateStyle(*model);
    if ((m_flags & kStoresShadows) && m_shadows)
        model->SetShadowInfo(*m_shadows.Get());
    if (m_flags & kStoresAxes) {
        CZphCS* axes = model->GetDrawingAxes();
        if (m_axes && axes)
            axes->CopyFrame(*m_axes.Get());
    }
    if (m_flags & kStoresSectionPlanes)
        model->ActivateSectionPlanes(m_sectionPlanes);
    if (m_flags & kStoresHiddenElements)
        model->SetHiddenElements(m_hidden);
    if (m_flags & kStoresLayers)
        model->SetLayersDifferingFromDefault(m_layers);
    CZephyronPage::Activate(view);
}

void CViewPage::ActivateStyle(ISceneModel& model)
{
    // The style manager stops following the model's settings while they are replaced, so that
    // the copy does not mark the active style modified setting by setting.
    PostPageActivation(0);
    CRenderingOptions* options = model.GetModelOptions();
    if (options && m_options)
        options->Assign(*m_options.Get());
    PostPageActivation(1);
    if (CZphStyleManager* manager = model.GetStyleManager()) {
        if (m_style && m_style == manager->GetSelectedStyle())
            manager->ApplyStyle(manager->GetActiveStyle(), &model);
        else
            manager->SelectStyle(m_style, true);
    }
    ApplyWatermarks();
}

IAnimation* CViewPage::CreateTransition(IModelView* view, CZephyronPage* previous)
{
    if (!g_transitionFactory || !HasTransition())
        return nullptr;
    const double seconds = m_transitionTime < 0.0 ? CPageOptions::GetTransitionTime() : m_transitionTime;
    return g_transitionFactory->CreateSceneTransition(view, dynamic_cast<CViewPage*>(previous), this,
                                                      seconds);
}

CCamera CViewPage::GetActivationCamera(IModelView* view) const
{
    CCamera camera(m_camera);
    const CViewDefinition* definition = view ? std::as_const(*view).GetViewDefinition() : nullptr;
    if (!m_photo || !definition || !camera.Is2DPanZoomIdentity())
        return camera;
    const orbisk::geometry::CPoint3d& offset = m_photo->GetOffset();
    if (std::fabs(offset.x) <= kTimeTolerance && std::fabs(offset.y) <= kTimeTolerance &&
        std::fabs(offset.z) <= kTimeTolerance)
        return camera;
    const CBackgroundImage::PanZoom fit = m_photo->ComputeMatchedPanZoom(definition->GetAspect());
    camera.Set2DPanZoom(true, fit.scale, fit.offsetX, fit.offsetY);
    return camera;
}

void CViewPage::RefreshFromStyle()
{
    CZphStyleManager* manager = GetCurrentStyleManager();
    if (!manager || !m_style || !m_options || !(m_flags & kStoresStyle))
        return;
    auto* model = dynamic_cast<IStyleModel*>(GetPageModel());
    const CZphStyleManager* ownManager = model ? model->GetStyleManager() : manager;
    CZphStyle* style = ownManager && m_style == ownManager->GetSelectedStyle() && ownManager->GetActiveStyle()
                           ? ownManager->GetActiveStyle()
                           : m_style;
    orbisk::utils::CNotificationSuspender silence;
    manager->ApplyStyleToScene(style, *this, false, false);
}

void CViewPage::GetStyleWatermarks(std::vector<CWatermark*>& watermarks) const
{
    watermarks.clear();
    if (!m_style)
        return;
    if (const CWatermarkList* list = m_style->GetStyle().GetWatermarkList())
        watermarks = list->GetEntries();
}

void CViewPage::ApplyWatermarks()
{
    auto* model = dynamic_cast<IStyleModel*>(GetPageModel());
    CWatermarkManager* manager = model ? model->GetWatermarkManager() : nullptr;
    if (!manager)
        return;
    std::vector<CWatermark*> watermarks;
    GetStyleWatermarks(watermarks);
    manager->ReplaceAll(watermarks);
}

void CViewPage::Update(ISceneModel* model, const CCamera* camera, const CRenderingOptions* options,
                       uint32_t mask, int layerMode)
{
    if (!model)
        return;
    mask &= m_flags;
    if (mask & kStoresCamera) {
        m_camera.Copy(camera ? *camera : model->GetCamera());
        CBackgroundImage* photo = model->GetBackgroundImage();
        // The new use comes first: the photo may be the one the scene holds already.
        if (photo)
            photo->AddUse();
        if (CBackgroundImage* old = std::exchange(m_photo, photo))
            old->ReleaseUse();
    }
    if (mask & kStoresStyle) {
        if (const CRenderingOptions* source = options ? options : model->GetModelOptions())
            Ensure(m_options, this).Assign(*source);
        const CZphStyleManager* manager = model->GetStyleManager();
        m_style = manager ? manager->GetSelectedStyle() : nullptr;
    }
    if (mask & kStoresShadows) {
        if (const CShadowInfo* shadows = model->GetShadowInfo())
            Ensure(m_shadows, this).Assign(*shadows);
    }
    if (mask & kStoresAxes) {
        if (const CZphCS* axes = model->GetDrawingAxes())
            Ensure(m_axes, this).CopyFrame(*axes);
    }
    if (mask & kStoresSectionPlanes)
        m_sectionPlanes = model->GetActiveSectionPlanes();
    if (mask & kStoresHiddenElements)
        m_hidden = model->GetHiddenElements();
    if (mask & kStoresLayers)
        m_layers = model->GetLayersDifferingFromDefault(layerMode);
}

void CViewPage::UpdateFromView(IModelView* view, uint32_t mask, int layerMode)
{
    if (!view)
        return;
    const CViewDefinition* definition = std::as_const(*view).GetViewDefinition();
    const CCamera* camera = definition ? &definition->GetCamera() : nullptr;
    const auto* options = dynamic_cast<const CRenderingOptions*>(view->GetRenderingOptions());
    Update(dynamic_cast<ISceneModel*>(view->GetModelContext()), camera, options, mask, layerMode);
}

void CViewPage::OnEntityErased(CEntity* entity)
{
    if (m_hidden.empty() && m_layers.empty() && m_sectionPlanes.empty())
        return;
    if (entity->IsKindOf(RUNTIME_CLASS(CDrawingElement)))
        m_hidden.erase(static_cast<CDrawingElement*>(entity));
    if (entity->IsKindOf(RUNTIME_CLASS(CLayer)))
        std::erase(m_layers, static_cast<CLayer*>(entity));
    if (entity->IsKindOf(RUNTIME_CLASS(CSectionPlane)))
        std::erase(m_sectionPlanes, static_cast<CSectionPlane*>(entity));
}

void CViewPage::OnModelCleared(IModelContext*)
{
    m_hidden.clear();
    m_layers.clear();
    m_sectionPlanes.clear();
}

ISceneTransitionFactory* SetSceneTransitionFactory(ISceneTransitionFactory* factory)
{
    return std::exchange(g_transitionFactory, factory);
}

ISceneTransitionFactory* GetSceneTransitionFactory()
{
    return g_transitionFactory;
}

double CViewPage::GetDelayTime(const CViewPage* scene)
{
    return scene && scene->m_delayTime >= 0.0 ? scene->m_delayTime : CSlideshowOptions::GetSlideTime();
}
