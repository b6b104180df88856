#pragma once
// A recording test double of the model view: it answers the queries through which drawing
// elements decide visibility and colour (editing exclusion, the active instance path, the
// inherited layer and material, the rendering options) from its public fields, records the
// colours it is given, and does nothing for every other operation.

#include <vector>

#include "database/IModelView.h"

class RecordingView : public IModelView {
public:
    // Elements that the component-editing mode hides.
    std::vector<const CDrawingElement*> excluded;
    IInstancePath* path = nullptr;
    CLayer* inheritedLayer = nullptr;
    CMaterial* inheritedMaterial = nullptr;
    IRenderingOptions* options = nullptr;
    // Every colour set, in order.
    std::vector<CColor> colors;

    bool IsHiddenByEditing(CDrawingElement* element) override;
    void SetColor(CColor color) override { colors.push_back(color); }
    IInstancePath* GetInstancePath() override { return path; }
    CLayer* GetLayer() override { return inheritedLayer; }
    CMaterial* GetMaterial() override { return inheritedMaterial; }
    IRenderingOptions* GetRenderingOptions() override { return options; }

    void PushTransform(const orbisk::geometry::CTransform3d&, bool) override {}
    void PopTransform(bool) override {}
    bool HasElements() override { return {}; }
    orbisk::geometry::CTransform3d GetTransform() override { return {}; }
    orbisk::geometry::CTransform3d GetInverseTransform() override { return {}; }
    orbisk::geometry::CPoint3d GetEyePoint() override { return {}; }
    orbisk::geometry::CVector3d GetViewDirection() override { return {}; }
    void SetEyeAndDirection(const orbisk::geometry::CPoint3d&, const orbisk::geometry::CVector3d&) override {}
    orbisk::geometry::IGeomFilter* GetGeometryFilter() override { return nullptr; }
    void ClearGeometryFilters() override {}
    void PushGeometryFilter(orbisk::geometry::IGeomFilter*) override {}
    void PopGeometryFilter() override {}
    void PushSectionPlane(CSectionPlane*, bool) override {}
    int PopSectionPlane(bool) override { return {}; }
    void SetDrawFlags(bool) override {}
    CSectionPlaneStack* GetSectionPlaneStack() override { return nullptr; }
    CZephyronModel* PrepareFrame(int, int) override { return nullptr; }
    CZephyronModel* GetModel() override { return nullptr; }
    IModelContext* GetModelContext() override { return nullptr; }
    void SetModel(CZephyronModel*) override {}
    const CViewDefinition* GetViewDefinition() const override { return nullptr; }
    CViewDefinition* GetViewDefinition() override { return nullptr; }
    void SetViewportSize(int, int) override {}
    void GetViewportSize(int&, int&) override {}
    CPoint2d& TilePixelToImagePixel(CPoint2d& out, const CPoint2d&) override { return out; }
    CPoint2d& ImagePixelToTilePixel(CPoint2d& out, const CPoint2d&) override { return out; }
    void SetFrustumWindow(double, double, double, double) override {}
    bool GetFrustumWindow(double&, double&, double&, double&) override { return {}; }
    CRay3d& GetPickRay(CRay3d& out, const int[2]) override { return out; }
    double PixelsToModel(int, const CPoint3d&) override { return {}; }
    double SetPixelSizeScale(double) override { return {}; }
    double GetPixelSizeScale() override { return {}; }
    CVector3d& PixelsToLocalSize(CVector3d& out, int, const CPoint3d&) override { return out; }
    bool ModelToScreen(const CPoint3d&, CPoint3d&) override { return {}; }
    bool ScreenToModel(const CPoint3d&, CPoint3d&) override { return {}; }
    int GetDrawPurpose() override { return {}; }
    unsigned GetFeatures() override { return {}; }
    unsigned PushFeatures(unsigned) override { return {}; }
    unsigned PopFeatures() override { return {}; }
    bool IsFullDetail() override { return {}; }
    int GetDegradationLevel() override { return {}; }
    bool IsDrawingSuppressed() override { return {}; }
    double GetLastFrameTime() override { return {}; }
    double GetFrameTime() override { return {}; }
    double GetAverageFrameTime() override { return {}; }
    void SetFrameDelay(double) override {}
    void SetCamera(const CCamera&, double) override {}
    bool IsHardwareAccelerated() override { return {}; }
    bool DrawsEdges() override { return {}; }
    bool DrawsStrokeEdges() override { return {}; }
    void DrawStrokePolyline(const std::vector<CEntity*>&, bool) override {}
    void DrawStyledLine(const CPoint3d&, const CPoint3d&, const CColor&, const double&,
                        const unsigned short&) override
    {}
    void DrawLine(const CPoint3d&, const CPoint3d&) override {}
    void DrawLineWithArrows(const CPoint3d&, const CPoint3d&, CColor, unsigned short, bool, bool) override {}
    void DrawBoxEdgesFacing(const CBoundingBox3d&, const CPoint3d&, CColor, CColor, double,
                            unsigned short) override
    {}
    void DrawBox(const CBoundingBox3d&, double) override {}
    void DrawInfiniteLine(const CLine3d&, unsigned short, bool, CColor, double) override {}
    void DrawText3D(CZpFont*, const CPoint3d&, const wchar_t*, int, int, const CColor*, bool, bool, bool,
                    const CPlane3d*, bool, IGLTextCache*) override
    {}
    void DrawScreenText(int, int, const wchar_t*) override {}
    void BeginPrimitive(int) override {}
    void EndPrimitive() override {}
    void Vertex(double, double, double) override {}
    void Vertex(const double /*point*/[3]) override {}
    void SetDepthFunc(unsigned int) override {}
    void ResetDrawState() override {}
    void SetLineWidth(double) override {}
    double GetLineWidth() override { return {}; }
    void SetLineStipple(unsigned short) override {}
    unsigned short GetLineStipple() override { return {}; }
    bool IsStippled() override { return {}; }
    bool SetLighting(bool) override { return {}; }
    void PushPolygonOffset(bool, float, float) override {}
    void PopPolygonOffset() override {}
    void SetColorRGBA(double, double, double, double) override {}
    CColor& GetColor(CColor& out) override { return out; }
    int BindMaterial(CMaterial*, int, int) override { return {}; }
    bool SetMaterialColor(CMaterial*, const CColor&, unsigned int, bool) override { return {}; }
    void MakeCurrent() override {}
    void PushInstance(CComponentInstance*) override {}
    void PopInstance() override {}
    int GetInstanceDepth() override { return {}; }
    bool IsFaded() override { return {}; }
    void FadeColor(CColor&) override {}
    int GetDrawMode() override { return {}; }
    void PushDrawMode(int) override {}
    void PopDrawMode() override {}
    void PushDrawModeForModel(CZephyronModel*) override {}
    void PopDrawModeForModel() override {}
    double GetLineWidthScale() override { return {}; }
    void SetLineWidthScale(double) override {}
    bool UsesDisplayLists() override { return {}; }
    void SetUsesDisplayLists(bool) override {}
    bool IsDetailControlEnabled() override { return {}; }
    void SetDetailControlEnabled(bool) override {}
    bool IsBatchDrawing() override { return {}; }
    void SetBatchDrawing(bool) override {}
    void PushLayer(CLayer*) override {}
    void PopLayer() override {}
    bool PushMaterial(CMaterial*) override { return {}; }
    bool PopMaterial() override { return {}; }
    CZphStyle* GetActiveStyle() override { return nullptr; }
    void GetEdgeColor(CColor&) override {}
    void GetBackgroundColor(CColor&) override {}
    void GetAxisColor(CColor&, int) override {}
    CColor& GetColorByAxis(CColor& out, CPoint3d, CPoint3d) override { return out; }
    void SetupFog(bool) override {}
    void ResetOpenGL() override {}
    void GetDPI(int /*out*/[2]) override {}
    bool IsOffscreenFlag() override { return {}; }
    void SetOffscreenFlag(bool) override {}
    CZpFont* GetTextFont() override { return nullptr; }
    int GetDrawingMode() override { return {}; }
    orbisk::NPREdgeSettings* GetStrokeEdgeSettings() override { return nullptr; }
    void NextItemColor(CColor&) override {}
    CItemBuffer* GetItemBuffer() override { return nullptr; }
    int GetTransparencyMode() override { return {}; }
    bool IsDrawingModeFixed() override { return {}; }
    void SetDrawingModeFixed(bool) override {}
    bool CanUseItemBuffer() override { return {}; }
    bool PrepareItemBuffer() override { return {}; }
};

inline bool RecordingView::IsHiddenByEditing(CDrawingElement* element)
{
    for (const CDrawingElement* hidden : excluded) {
        if (hidden == element)
            return true;
    }
    return false;
}
