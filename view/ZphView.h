#pragma once
// CZphView: the model view. It holds one model (counted reference), one view definition and
// one OpenGL context, and implements the three drawing interfaces: the drawing sink through
// CDrawingBase, the interface every entity draws through (IModelView) and the view interface of
// windows, tools and commands (IZphView).
//
// What it does here: hosting the model and the GL context; the draw mode of component editing;
// the projection, lights, clear colour and fog of a frame; the immediate drawing layer (a
// shadow copy of the GL state it sets, so that redundant calls are skipped and consecutive
// primitives of one kind share one glBegin); the level of detail with its restore timer; the
// camera history through its delegate; profile values and process-wide drawing switches.
//
// Window services (invalidation, capture, tooltips, the animation timer) do nothing here; the
// window views override them. The scene-graph renderer is not part of this view yet: with the
// scene-graph switch on, the frame runs the chain of draw stages, whose legacy stages draw the
// model immediately.
//
// Conventions: window pixels have x to the right and y downward from the viewport's top edge;
// GL rows count from the bottom. Colours whose four bytes are 0 are "unset" and never sent to
// GL. Times are seconds.

#include <cstdint>
#include <memory>
#include <vector>

#include "components/InstancePath.h"
#include "database/IZphView.h"
#include "settings/GLTextCache.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "view/DrawingBase.h"
#include "view/LevelOfDetailHelper.h"
#include "view/MeasurementText.h"

class CBackgroundImage;
class CShadowInfo;
class CToolManager;
class CWatermark;
class CZphViewDelegate;
class IGLContext;
namespace zephyron::graphics {
class RenderPipeline;
}
namespace orbisk::imageutils {
class ImageRep;
}

// Process-wide drawing switches.
// The scene-graph road of window views (off: every frame is drawn immediately).
bool IsSceneGraphEnabled();
void SetSceneGraphEnabled(bool on);
// The same for offscreen views.
bool IsOffscreenSceneGraphEnabled();
void SetOffscreenSceneGraphEnabled(bool on);
// 0, 1 or 2; slow frames are reported only while it is non-zero.
int GetFastFeedback();
void SetFastFeedback(int value);
bool IsDeveloperModeEnabled();
void SetDeveloperModeEnabled(bool on);
// Navigation: the wheel zooms the other way unless the preference is set; the level-of-detail
// features that navigation draws with (1 at start).
bool IsWheelDirectionPreferenceSet();
void SetWheelDirectionPreference(bool on);
unsigned GetNavigationFeatures();
void SetNavigationFeatures(unsigned features);

// Saves and clears scene-graph switches for a scope; Restore (also at its end) sets back on
// each switch that was on.
class SceneGraphSuspender {
public:
    SceneGraphSuspender(bool main, bool offscreen);
    ~SceneGraphSuspender() { Restore(); }
    SceneGraphSuspender(const SceneGraphSuspender&) = delete;
    SceneGraphSuspender& operator=(const SceneGraphSuspender&) = delete;
    bool Restore();

private:
    bool m_restoreMain = false;
    bool m_restoreOffscreen = false;
};

// The vector of a signed axis index: -3..3 for -z, -y, -x, zero, x, y, z.
orbisk::geometry::CVector3d AxisVector(int index);

class CZphView : public IZphView, public CDrawingBase {
public:
    using ImageRep = orbisk::imageutils::ImageRep;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using CTransform3d = orbisk::geometry::CTransform3d;
    using CColor = orbisk::utils::CColor;

    // The draw modes of component editing.
    enum DrawMode { kDrawNormal = 0, kDrawEdited = 1, kDrawOtherInstance = 2, kDrawOutside = 3 };

    // Reads the profile values; makes no GL call. The clocks time frames (steady) and camera
    // changes (wall) and must outlive the view.
    explicit CZphView(const IClock& frameClock = SteadyClock(), const IClock& wallClock = WallClock());
    ~CZphView() override;
    CZphView(const CZphView&) = delete;
    CZphView& operator=(const CZphView&) = delete;

    // IDrawingBase: both end the open primitive first.
    void PushTransform(const CTransform3d& t, bool applyToGL) override;
    void PopTransform(bool applyToGL) override;

    // IModelView.
    CZephyronModel* PrepareFrame(int swapBuffers, int extra) override;
    CZephyronModel* GetModel() override { return m_model; }
    IModelContext* GetModelContext() override;
    void SetModel(CZephyronModel* model) override;
    const CViewDefinition* GetViewDefinition() const override { return &m_viewDefinition; }
    CViewDefinition* GetViewDefinition() override { return &m_viewDefinition; }
    void SetViewportSize(int, int) override {}
    void GetViewportSize(int& width, int& height) override;
    CPoint2d& TilePixelToImagePixel(CPoint2d& out, const CPoint2d& in) override { return out = in; }
    CPoint2d& ImagePixelToTilePixel(CPoint2d& out, const CPoint2d& in) override { return out = in; }
    void SetFrustumWindow(double, double, double, double) override {}
    bool GetFrustumWindow(double& left, double& right, double& bottom, double& top) override;
    CRay3d& GetPickRay(CRay3d& out, const int pixel[2]) override;
    double PixelsToModel(int pixels, const CPoint3d& at) override;
    double SetPixelSizeScale(double scale) override;
    double GetPixelSizeScale() override { return m_pixelSizeScale; }
    CVector3d& PixelsToLocalSize(CVector3d& out, int pixels, const CPoint3d& at) override;
    bool ModelToScreen(const CPoint3d& local, CPoint3d& out) override;
    bool ScreenToModel(const CPoint3d& window, CPoint3d& out) override;
    int GetDrawPurpose() override { return m_drawPurpose; }
    unsigned GetFeatures() override { return m_detail->GetEffectiveFeatures(); }
    unsigned PushFeatures(unsigned mask) override { return m_detail->PushFeatures(mask); }
    unsigned PopFeatures() override { return m_detail->PopFeatures(); }
    bool IsFullDetail() override { return m_detail->IsFullDetail(); }
    int GetDegradationLevel() override { return static_cast<int>(m_detail->GetDegradationLevel()); }
    bool IsDrawingSuppressed() override { return false; }
    double GetLastFrameTime() override { return m_detail->GetLastFrameTime(); }
    double GetFrameTime() override { return m_fullDetailFrameTime; }
    double GetAverageFrameTime() override;
    void SetFrameDelay(double seconds) override;
    void SetCamera(const CCamera& camera, double seconds) override;
    bool IsHardwareAccelerated() override;
    bool DrawsEdges() override;
    bool DrawsStrokeEdges() override;
    void DrawStrokePolyline(const std::vector<CEntity*>& points, bool widthFloor) override;
    void DrawStyledLine(const CPoint3d& from, const CPoint3d& to, const CColor& color, const double& width,
                        const unsigned short& stipple) override;
    void DrawLine(const CPoint3d& from, const CPoint3d& to) override;
    void DrawLineWithArrows(const CPoint3d& from, const CPoint3d& to, CColor color, unsigned short stipple,
                            bool arrowAtStart, bool arrowAtEnd) override;
    void DrawBoxEdgesFacing(const CBoundingBox3d& box, const CPoint3d& eye, CColor front, CColor back,
                            double width, unsigned short stipple) override;
    void DrawBox(const CBoundingBox3d& box, double width) override;
    void DrawInfiniteLine(const CLine3d& line, unsigned short stipple, bool bothDirections, CColor color,
                          double width) override;
    void DrawText3D(CZpFont* font, const CPoint3d& anchor, const wchar_t* text, int alignment,
                    int justification, const CColor* color, bool outline, bool drawText, bool screenFacing,
                    const CPlane3d* plane, bool keepReadable, IGLTextCache* cache) override;
    void DrawScreenText(int x, int y, const wchar_t* text) override;
    void BeginPrimitive(int kind) override;
    void EndPrimitive() override;
    void Vertex(double x, double y, double z) override;
    void Vertex(const double point[3]) override;
    void SetDepthFunc(unsigned int function) override;
    void ResetDrawState() override;
    void SetLineWidth(double pixels) override;
    double GetLineWidth() override { return m_lineWidth; }
    void SetLineStipple(unsigned short pattern) override;
    unsigned short GetLineStipple() override { return m_stipple; }
    bool IsStippled() override { return m_stipple != 0; }
    bool SetLighting(bool on) override;
    void PushPolygonOffset(bool enable, float factor, float units) override;
    void PopPolygonOffset() override;
    void SetColorRGBA(double red, double green, double blue, double alpha) override;
    void SetColor(CColor color) override;
    CColor& GetColor(CColor& out) override { return out = m_color; }
    int BindMaterial(CMaterial* material, int a, int b) override;
    bool SetMaterialColor(CMaterial* material, const CColor& color, unsigned int face, bool flag) override;
    void MakeCurrent() override;
    void PushInstance(CComponentInstance* instance) override;
    void PopInstance() override;
    int GetInstanceDepth() override { return m_instancePath.GetSize(); }
    CInstancePath* GetInstancePath() override { return &m_instancePath; }
    bool IsFaded() override;
    void FadeColor(CColor& color) override;
    bool IsHiddenByEditing(CDrawingElement* element) override;
    int GetDrawMode() override { return m_drawModes.empty() ? 0 : m_drawModes.back(); }
    void PushDrawMode(int mode) override { m_drawModes.push_back(mode); }
    void PopDrawMode() override;
    void PushDrawModeForModel(CZephyronModel* model) override;
    void PopDrawModeForModel() override { PopDrawMode(); }
    double GetLineWidthScale() override { return m_lineWidthScale; }
    void SetLineWidthScale(double scale) override { m_lineWidthScale = scale; }
    bool UsesDisplayLists() override { return m_displayListsEnabled; }
    void SetUsesDisplayLists(bool on) override { m_displayListsEnabled = on; }
    bool IsDetailControlEnabled() override { return m_detailControlEnabled; }
    void SetDetailControlEnabled(bool on) override { m_detailControlEnabled = on; }
    bool IsBatchDrawing() override { return m_batchDrawing; }
    void SetBatchDrawing(bool on) override { m_batchDrawing = on; }
    CLayer* GetLayer() override { return m_layers.empty() ? nullptr : m_layers.back(); }
    void PushLayer(CLayer* layer) override { m_layers.push_back(layer); }
    void PopLayer() override;
    bool PushMaterial(CMaterial* material) override;
    bool PopMaterial() override;
    CMaterial* GetMaterial() override { return m_materials.empty() ? nullptr : m_materials.back(); }
    CRenderingOptions* GetRenderingOptions() override;
    CZphStyle* GetActiveStyle() override;
    void GetEdgeColor(CColor& out) override;
    void GetBackgroundColor(CColor& out) override;
    void GetAxisColor(CColor& out, int kind) override;
    CColor& GetColorByAxis(CColor& out, CPoint3d start, CPoint3d end) override;
    void SetupFog(bool on) override;
    void ResetOpenGL() override;
    void GetDPI(int out[2]) override;
    bool IsOffscreenFlag() override { return false; }
    void SetOffscreenFlag(bool) override {}
    CZpFont* GetTextFont() override { return m_textFont; }
    int GetDrawingMode() override { return m_drawingMode; }
    orbisk::NPREdgeSettings* GetStrokeEdgeSettings() override;
    void NextItemColor(CColor& out) override;
    CItemBuffer* GetItemBuffer() override;
    int GetTransparencyMode() override { return m_transparencyMode; }
    bool IsDrawingModeFixed() override { return m_drawingModeFixed; }
    void SetDrawingModeFixed(bool fixed) override;
    bool CanUseItemBuffer() override;
    bool PrepareItemBuffer() override;

    // IZphView.
    void PushWindowFilter(double left, double right, double top, double bottom) override;
    void PushApertureFilter(const int pixel[2], int size) override;
    void PushCrossingWindowFilter(double left, double right, double top, double bottom) override;
    void PushSelectAllFilter() override;
    bool ZoomAt(const int pixel[2], double factor) override;
    bool ChangeFieldOfView(double factor) override;
    void ZoomWindow(const int corner1[2], const int corner2[2]) override;
    void ZoomExtents(IEntityIterator* entities) override;
    void SetPerspective(bool on) override;
    void BeginCameraChange() override;
    void EndCameraChange(int type) override;
    void CancelCameraChange() override;
    void ResetCameraHistory() override;
    void SetDrawPurpose(int purpose) override { m_drawPurpose = purpose; }
    void EmptyHookA(int) override {}
    void EmptyHookB(int) override {}
    bool SetAutopanEnabled(bool enabled) override;
    void Invalidate(bool) override {}
    void ClientToScreen(POINT&) override {}
    void ScreenToClient(POINT&) override {}
    void SetCapture() override {}
    bool Bake2DPanZoom(int x, int y) override;
    void ShowTooltipAt(const POINT&, CString, int) override {}
    void ShowTooltip(CString, int) override {}
    void HideTooltip(int) override {}
    CString& SetMeasurementText(const wchar_t* text) override;
    bool IsFrameSlow() override;
    void ResetFrameTimes() override;
    void EmptyHookC() override {}
    void ReleaseAnimationAndScene() override;
    int ZeroQueryA() override { return 0; }
    bool GetViewFlag() override { return m_viewFlag; }
    void SetViewFlag(bool flag) override { m_viewFlag = flag; }
    IAnimation* SetAnimation(IAnimation* animation) override;
    bool IsAnimationRunning() override { return m_animation && !m_animationPaused; }
    IAnimation* GetAnimation() override { return m_animation; }
    void PauseAnimation(bool pause) override;
    bool IsAnimationPaused() override { return m_animationPaused; }
    void CommitCamera() override;
    void SetupProjection() override;
    void UpdateDepthRange() override;
    void RenderModelThumbnails(int size, int flags) override;
    bool SuppressesToolDrawing() override { return false; }
    bool SaveViewImage(const wchar_t* path, int width, int height, int renderOption, int quality,
                       bool thickLines, bool supersample) override;
    bool SaveScreenImage(const wchar_t* path, int quality) override;
    void BeginOverlayDraw(bool modelCoordinates) override;
    void EndOverlayDraw(bool modelCoordinates) override;
    int ZeroQueryB() override { return 0; }
    int ZeroQueryC() override { return 0; }
    void SetToolOverlayState(int state) override { m_toolOverlayState = state; }
    int GetToolOverlayState() override { return m_toolOverlayState; }

    // The model view's own operations.
    // Takes ownership; the old context is released first.
    void SetGLContext(IGLContext* context);
    void ReleaseGLContext();
    IGLContext* GetGLContext() const { return m_glContext.get(); }
    bool GetStrokeQualityFlag() const { return m_strokeQuality; }
    void SetStrokeQualityFlag(bool on) { m_strokeQuality = on; }
    // The fixed GL state of a context: light 0, normalised normals, depth test (less), smooth.
    void InitGLState();
    bool UseSceneGraph() { return IsSceneGraphEnabled(); }
    CShadowInfo* GetShadowInfo();
    void PushFrustumFilter();
    void PushExpandedFrustumFilter();
    bool IsPerspective() const { return m_viewDefinition.GetCamera().IsPerspective(); }
    bool CanSetTwoPointPerspective();
    bool IsTwoPointPerspective();
    void SwapBuffers();
    bool AreShadowsShown();
    bool DrawsGround();
    // Reads the back buffer into a 32-bit image of any size; false, with the image untouched,
    // for an image of another depth, without a context, or when the read fails.
    bool ReadPixels(ImageRep& image);
    void StartAnimationTimer() {}
    void StopAnimationTimer() {}
    // The tools of a window view's document; a plain model view has none.
    virtual CToolManager* GetToolManager() { return nullptr; }
    // The frame's last drawing before the swap: the active tool's overlay, in window views.
    virtual void DrawToolOverlay() {}
    void CreateTextFont();
    void ReleaseTextFont();
    void EmptyHookD() {}
    int GetStencilBits();
    bool HasStencil();
    bool FalseQueryB() { return false; }
    void SetClearColor(CRenderingOptions* options);
    bool ShadowsEnabled(bool force);
    bool ShowsViewName();
    void SetupLights(bool shadowsOn);
    void EmptyHookE() {}
    void GetClearColorValue(int& out);
    bool IsNorthShown();
    int GetShadowFaceValue();
    bool SceneAllowsWatermark(CWatermark* watermark);

    void StopAnimation();
    void SetRenderMode(int mode);
    void ApplyBackgroundAndFog();
    void SetRedrawFeatures(unsigned features) { m_redrawFeatures = features; }
    unsigned GetRedrawFeatures() const { return m_redrawFeatures; }
    void SetViewportRect(int x, int y, int width, int height);
    bool IsViewFromAbove();
    void ExtendBoundsForShadows(CBoundingBox3d& box);
    bool ShowsWatermarks(bool background);
    float GetContextScale();
    void SaveFastFeedbackPreference();
    void SaveMaxTextureSizePreference(int size);
    bool CanGoPrevious();
    bool CanGoNext();
    void PreviousView();
    void NextView();

    // Camera operations (ZphViewCamera.cpp). ShowStandardView answers true when the camera
    // already looked that way. GetPickPoint: the model point under the pixel, else the centre
    // of the model's bounds moved onto the pick ray.
    bool ShowStandardView(const CVector3d& direction, const CVector3d& up);
    void ViewTop();
    void ViewBottom();
    void ViewFront();
    void ViewBack();
    void ViewLeft();
    void ViewRight();
    void ViewIso();
    void CenterOnPixel(const int pixel[2]);
    void ToggleProjection(bool towardsPerspective);
    CPoint3d& GetPickPoint(CPoint3d& out, const int pixel[2]);
    void ZoomAboutPixel(const int pixel[2], double factor);
    void MouseWheelZoom(int flags, float amount, const int pixel[2]);
    void SetTwoPointPerspective();
    // Leaves two-point perspective for plain perspective, or enters it and brings up the pan
    // tool, with which a two-point view is moved.
    void ToggleTwoPointPerspective();
    // Window views bring up their document's pan tool; a plain model view has no tools.
    virtual void BringUpPanTool() {}
    // Reset: the whole frame of the photo (scale 1, no offsets); else the photo fills the view.
    void MatchPhotoCamera(bool reset);
    // Whether the 2D pan and zoom has moved away from what MatchPhotoCamera(reset) sets (by 0.001
    // or more); false without a photo or without the 2D pan and zoom.
    bool IsPhotoViewChanged(bool reset);
    // Zoom extents over the model's selection, including selected geometry that component
    // editing hides; nothing for an empty selection.
    void ZoomToSelection();

    // Drawing mode: 0 normal, 1 item-buffer drawing, 2 item buffer ready.
    void SetDrawingMode(int mode) { m_drawingMode = mode; }
    int GetFrameCount() const { return m_frameCount; }
    LevelOfDetailHelper& GetLevelOfDetail() { return *m_detail; }
    LODTimerCallback& GetDetailTimer() { return *m_detailTimer; }
    CZphViewDelegate& GetDelegate() { return *m_delegate; }
    CMeasurementText& GetMeasurementText() { return m_measurement; }
    CGLTextImageCache& GetTextImageCache() { return m_textCache; }
    // The frame's measured part: level-of-detail forcing and timing around the drawing, the
    // frame statistics and the restore timer.
    void BeginDetailFrame();
    void EndDetailFrame();

    // The frame (ZphViewFrame.cpp). DrawFrame draws one frame: camera, lights, clearing, then
    // the chain of draw stages when the scene-graph switch is on (and the drawing mode is not
    // 1), else the immediate frame routine; then the view name and the foreground watermarks.
    void DrawFrame(int swapBuffers, int extra);
    void DrawImmediateFrame(bool shadowsOn, bool stencilShadows);
    // One pass over the model's entities; the rendering options' draw pass tells which faces.
    void DrawModel();
    void DrawSelection();
    void DrawWatermarks(bool background);
    // The drawing steps that the immediate routine and the draw stages share.
    void DrawSkyOrGround(bool skyPass);
    void DrawBackgroundImage(bool drawImage, bool drawText);
    void DrawNorth(const CVector3d& direction);
    void DrawGroundPlane(bool flag);
    void DrawActivePath();
    // Masks the parts of the viewport outside the camera's fixed image aspect.
    void DrawCameraBars();
    void DrawViewName();
    // "Top", "Front", ... for the camera direction (translated); empty for other directions.
    CString GetViewName();
    void DrawModelRoot();
    void DrawModelStrokeEdges();
    void DrawModelAnnotations();
    void DrawDrawingAxes();
    void DrawEditedComponentAxes();
    zephyron::graphics::RenderPipeline& GetRenderPipeline();
    // Set by construction and Bake2DPanZoom: the model block is drawn only while it is set.
    bool GetModelFlag() const { return m_modelFlag; }
    void SetItemCounter(int value) { m_itemColorCounter = value; }
    bool IsHorizonBlended() const { return m_blendHorizon; }
    double GetHorizonBlend() const { return m_horizonBlend; }
    // Set while a tool draws into the front buffer: frames asked for meanwhile are dropped.
    static bool IsOverlayLocked();
    static void SetOverlayLocked(bool locked);

private:
    struct PolygonOffsetState {
        bool enabled;
        float factor;
        float units;
    };

    // The bounds a frame's depth range is fitted to; with the active path and the tool
    // (SetupProjection) or the model alone (UpdateDepthRange).
    CBoundingBox3d ProjectionBounds(bool withActivePath);
    // The point carried from local into model coordinates.
    CPoint3d ToModel(const CPoint3d& local);
    void DrawClippedToDepthRange(const CPoint3d& from, const CPoint3d& to);
    static void ApplyPolygonOffset(const PolygonOffsetState& state);
    // The model drawn by a view of its own into an offscreen context of that size, read back
    // top row first (BGRA); false when no context can be made or the read fails.
    bool RenderOffscreen(int width, int height, double lineWidthFactor, int overrideFlags, ImageRep& image);
    CLayer* GetDefaultLayer();

    std::unique_ptr<LODTimerCallback> m_detailTimer;
    std::unique_ptr<LevelOfDetailHelper> m_detail;
    bool m_detailControlEnabled = true;
    unsigned m_redrawFeatures = 0;
    CZephyronModel* m_model = nullptr;
    CViewDefinition m_viewDefinition;
    int m_drawPurpose = 0;
    double m_fullDetailFrameTime = 0.0;
    double m_totalFrameTime = 0.0;
    int m_frameCount = 0;
    bool m_batchDrawing = false;
    std::vector<CLayer*> m_layers;
    std::vector<CMaterial*> m_materials;
    std::vector<int> m_drawModes;
    CInstancePath m_instancePath;
    std::vector<PolygonOffsetState> m_polygonOffsets;
    CZpFont* m_textFont = nullptr;
    CGLTextImageCache m_textCache;

    // The shadow copy of the GL drawing state.
    bool m_lighting = false;
    int m_openPrimitive = -1;
    double m_lineWidth = 0.0;
    unsigned short m_stipple = 0;
    CColor m_color;
    double m_lineWidthScale = 1.0;

    bool m_displayListsEnabled = true;
    double m_pixelSizeScale = 1.0;
    int m_savedDrawPurpose = 0;
    std::unique_ptr<CZphViewDelegate> m_delegate;
    bool m_autopanEnabled = true;
    IAnimation* m_autopanAnimation = nullptr;
    CMeasurementText m_measurement;
    bool m_viewFlag = false;
    IAnimation* m_animation = nullptr;
    bool m_animationPaused = false;
    double m_frameDelay = 0.0;
    CColor m_materialColors[3];
    std::unique_ptr<IGLContext> m_glContext;
    double m_horizonBlend = 0.5;
    bool m_blendHorizon = true;
    bool m_modelFlag = true;
    int m_drawingMode = 0;
    int m_itemColorCounter = 0;
    bool m_strokeQuality = true;
    bool m_drawingModeFixed = false;
    int m_transparencyMode = 0;
    int m_toolOverlayState = 0;
    std::unique_ptr<zephyron::graphics::RenderPipeline> m_pipeline;
};
