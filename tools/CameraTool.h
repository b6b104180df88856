#pragma once
// CCameraTool: the base of every navigation tool. A drag in a model window becomes a camera
// change: each mouse move picks an operation from the tool's own operation, the held buttons
// and Shift and Ctrl, re-anchors (orbit centre or pivot at the pointer) when that operation
// changes during the drag, applies it to the view's camera, redraws and updates the
// measurements box. One drag is one step of the view's camera history.
//
// The camera frame is the view definition's: X right, Y up and Z from the scene toward the
// eye. Window pixels have y growing downward.

#include "geometry/Point3d.h"
#include "platform/mfc/String.h"
#include "tools/Tool.h"

class CCameraTool : public CTool {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;

    // Camera operations.
    enum Operation : int {
        kOrbit = 0,
        kPan = 1,
        kLookAround = 2,
        kWalk = 3,
        kZoom = 4,
        kFieldOfView = 5,
        kZoomWindow = 6,
    };
    // Kinds of the camera history.
    enum HistoryKind : int {
        kHistoryPlain = 0,
        kHistoryOrbit = 1,
        kHistoryPan = 2,
        kHistoryZoom = 3,
        kHistoryFieldOfView = 5
    };
    // Field-of-view limits, degrees, and the smallest change worth making.
    static constexpr double kMinFieldOfView = 1.0;
    static constexpr double kMaxFieldOfView = 120.0;
    static constexpr double kFieldOfViewTolerance = 0.001;

    explicit CCameraTool(int fixedOperation);
    ~CCameraTool() override;

    // The cursor of an operation; with Shift zoom and field of view swap.
    static int CursorForOperation(int operation, bool shift);

    // CTool.
    void OnNotification(const char* name, void* payload) override;
    void OnLButtonDown(int flags, int x, int y, IZphView* view) override;
    void OnLButtonUp(int flags, int x, int y, IZphView* view) override;
    void OnLButtonDblClk(int flags, int x, int y, IZphView* view) override;
    void OnMButtonDown(int flags, int x, int y, IZphView* view) override;
    void OnMButtonUp(int flags, int x, int y, IZphView* view) override;
    void OnMButtonDblClk(int flags, int x, int y, IZphView* view) override
    {
        OnLButtonDblClk(flags, x, y, view);
    }
    void OnMouseMove(int flags, int x, int y, IZphView* view) override;
    void OnMouseLeave(IZphView*) override {}
    bool OnKeyDown(int key, int repeat, int keyFlags, IZphView* view) override;
    bool OnKeyUp(int key, int repeat, int keyFlags, IZphView* view) override;
    bool PopOnCancel() override { return true; }
    void OnActivate() override;
    void OnDeactivate() override;
    void OnSuspend() override;
    void OnResume() override;
    int GetDetailLevel() override { return 1; }
    bool RefusesDuringOperation() override { return false; }
    bool CanBeReplacedBy(CTool* tool) override;
    // The camera context menu, unless the user switched it off.
    bool OnContextMenu(int flags, int x, int y, IZphView* view) override;

    // Camera-tool operations.
    virtual void UpdateStatusText();
    virtual CString GetStatusText() { return CString(); }
    virtual void UpdateValueBox(IZphView*) {}
    virtual void ComputeOrbitCenter(int x, int y, IZphView* view);
    virtual int GetHistoryKind() { return kHistoryPlain; }
    virtual void SetFieldOfView(IZphView*, double) {}

    // The operation for the flags; shows its cursor.
    int ChooseOperation(int flags);
    // The model point that pan and field-of-view changes keep in place: what lies under the
    // pixel, searched in ever larger apertures, else the model's centre on the pixel's ray.
    void ComputePivot(int x, int y, IZphView* view);
    // Dollies while the angle changes so that the view keeps its height at the pivot; false
    // when nothing changed.
    bool SetFieldOfViewKeepingPivot(double degrees, IZphView* view);

    int GetFixedOperation() const { return m_fixedOperation; }
    int GetCurrentOperation() const { return m_currentOperation; }
    bool IsDragging() const { return m_dragging; }
    const CPoint3d& GetPivot() const { return m_pivot; }
    const CPoint3d& GetOrbitCenter() const { return m_orbitCenter; }
    double GetTrackballRadius() const { return m_trackballRadius; }
    bool IsStartedFromWalk() const { return m_startedFromWalk; }

protected:
    void BeginDrag(int flags, int x, int y, IZphView* view);
    void EndDrag(int x, int y, IZphView* view);
    void Reanchor(int flags, int x, int y, IZphView* view);
    // Moves the camera so that the pivot's plane slides from pixel p to pixel q.
    void Pan(IZphView* view, int px, int py, int qx, int qy);
    void Orbit(IZphView* view, int x, int y);
    void Trackball(IZphView* view, int x, int y);
    void ComputeTrackballRadius(IZphView* view);
    void ObserveAnimations(bool on);
    // The drag's start and its last handled point, client pixels.
    void SetDragStart(int x, int y)
    {
        m_dragStartX = m_lastX = x;
        m_dragStartY = m_lastY = y;
    }
    void SetLastPoint(int x, int y)
    {
        m_lastX = x;
        m_lastY = y;
    }
    int GetDragStartX() const { return m_dragStartX; }
    int GetDragStartY() const { return m_dragStartY; }
    int GetLastX() const { return m_lastX; }
    int GetLastY() const { return m_lastY; }

    bool m_startedFromWalk = false;

private:
    int m_dragStartX = 0;
    int m_dragStartY = 0;
    int m_buttonUpX = 0;
    int m_buttonUpY = 0;
    int m_lastX = 0;
    int m_lastY = 0;
    bool m_dragging = false;
    bool m_middleWithLeftPans = true;
    double m_trackballRadius = 0.0;
    CPoint3d m_orbitCenter;
    CPoint3d m_pivot;
    int m_fixedOperation;
    int m_currentOperation;
    bool m_swapOrbitAndPan = false;
    bool m_observingAnimations = false;
};
