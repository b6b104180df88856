#pragma once
// IZphView: the view interface of windows, tools and commands. Beside the drawing interface it
// gives selection filters built from window rectangles, camera operations and the camera
// history, window services (which a plain model view answers with nothing), animation
// hosting and the set-up of the projection. It sits with the model because the components'
// recursive draw walks take it; the model view implements it.
//
// Window rectangles are window pixels (x right, y down from the viewport's top edge).

#include "database/IModelView.h"
#include "platform/mfc/String.h"
#include "platform/win32/WinTypes.h"

class IAnimation;
class IEntityIterator;

class IZphView : public virtual IModelView {
public:
    // Selection filters, pushed on the drawing sink's filter stack.
    // Window selection: only what lies wholly inside the rectangle passes.
    virtual void PushWindowFilter(double left, double right, double top, double bottom) = 0;
    // Picking: what crosses a square of size pixels centred on the pixel.
    virtual void PushApertureFilter(const int pixel[2], int size) = 0;
    // Crossing selection: what lies inside or crosses the rectangle.
    virtual void PushCrossingWindowFilter(double left, double right, double top, double bottom) = 0;
    virtual void PushSelectAllFilter() = 0;

    // Camera operations.
    virtual bool ZoomAt(const int pixel[2], double factor) = 0;
    virtual bool ChangeFieldOfView(double factor) = 0;
    virtual void ZoomWindow(const int corner1[2], const int corner2[2]) = 0;
    // Null fits the whole model.
    virtual void ZoomExtents(IEntityIterator* entities) = 0;
    virtual void SetPerspective(bool on) = 0;
    // The camera history: a change is captured when it begins and recorded when it ends;
    // type 0 changes are never merged with the one before.
    virtual void BeginCameraChange() = 0;
    virtual void EndCameraChange(int type) = 0;
    virtual void CancelCameraChange() = 0;
    virtual void ResetCameraHistory() = 0;

    virtual void SetDrawPurpose(int purpose) = 0;
    virtual void EmptyHookA(int) = 0;
    virtual void EmptyHookB(int) = 0;
    // Returns the previous value.
    virtual bool SetAutopanEnabled(bool enabled) = 0;

    // Window services.
    virtual void Invalidate(bool erase) = 0;
    virtual void ClientToScreen(POINT& point) = 0;
    virtual void ScreenToClient(POINT& point) = 0;
    virtual void SetCapture() = 0;
    virtual bool Bake2DPanZoom(int x, int y) = 0;
    virtual void DrawXorRectangle(const RECT& /*rectangle*/) {}
    virtual void ShowTooltipAt(const POINT& point, CString text, int index) = 0;
    virtual void ShowTooltip(CString text, int index) = 0;
    virtual void HideTooltip(int index) = 0;
    // The caret goes to the end of the text.
    virtual CString& SetMeasurementText(const wchar_t* text) = 0;

    // Level of detail and frame times.
    virtual bool IsFrameSlow() = 0;
    virtual void ResetFrameTimes() = 0;
    virtual void EmptyHookC() = 0;
    virtual void ReleaseAnimationAndScene() = 0;
    virtual int ZeroQueryA() = 0;
    virtual bool GetViewFlag() = 0;
    virtual void SetViewFlag(bool flag) = 0;

    // Animation hosting: a view runs at most one animation.
    virtual IAnimation* SetAnimation(IAnimation* animation) = 0;
    virtual bool IsAnimationRunning() = 0;
    virtual IAnimation* GetAnimation() = 0;
    virtual void PauseAnimation(bool pause) = 0;
    virtual bool IsAnimationPaused() = 0;

    // Copies the view's camera into the model.
    virtual void CommitCamera() = 0;
    // Depth range, viewport, projection and model-view matrices of a frame.
    virtual void SetupProjection() = 0;
    // The depth range from the model's bounds alone.
    virtual void UpdateDepthRange() = 0;
    virtual void RenderModelThumbnails(int size, int flags) = 0;
    virtual bool SuppressesToolDrawing() = 0;
    virtual bool SaveViewImage(const wchar_t* path, int width, int height, int renderOption, int quality,
                               bool thickLines, bool supersample) = 0;
    virtual bool SaveScreenImage(const wchar_t* path, int quality) = 0;
    // The bracket in which tools draw into the view between frames.
    virtual void BeginOverlayDraw(bool modelCoordinates) = 0;
    virtual void EndOverlayDraw(bool modelCoordinates) = 0;
    virtual int ZeroQueryB() = 0;
    virtual int ZeroQueryC() = 0;
    // 0 plain, 1 first back-edge pass, 2 hidden pass, 4 last pass.
    virtual void SetToolOverlayState(int state) = 0;
    virtual int GetToolOverlayState() = 0;
};
