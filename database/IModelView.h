#pragma once
// IModelView: the interface through which every entity draws. Beside the drawing sink it
// gives the model and the view definition, pixel and model conversions, level-of-detail
// queries, the OpenGL primitive and state operations, the component-editing state and the
// style and colour queries. It sits with the model, whose entities draw through it; the views
// implement it.
//
// Conventions: colours are 32-bit RGBA; pixel positions are window pixels; "local" points are
// in the coordinates of the innermost pushed transformation. GL enums are passed as unsigned
// int so that this header needs no GL header.

#include <vector>

#include "database/IDrawingBase.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/Line3d.h"
#include "geometry/Plane3d.h"
#include "geometry/Point2d.h"
#include "geometry/Ray3d.h"
#include "support/Color.h"

class CCamera;
class CComponentInstance;
class CDrawingElement;
class CEntity;
class IGLTextCache;
class CItemBuffer;
class CLayer;
class CMaterial;
class CViewDefinition;
class CZephyronModel;
class CZpFont;
class CZphStyle;
class IInstancePath;
class IModelContext;
class IRenderingOptions;
namespace orbisk {
class NPREdgeSettings;
}

class IModelView : public virtual IDrawingBase {
public:
    using CPoint2d = orbisk::geometry::CPoint2d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using CRay3d = orbisk::geometry::CRay3d;
    using CLine3d = orbisk::geometry::CLine3d;
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CBoundingBox3d = orbisk::geometry::CBoundingBox3d;
    using CColor = orbisk::utils::CColor;

    // Readies the model and the scene-graph scene for a frame.
    virtual CZephyronModel* PrepareFrame(int a, int b) = 0;
    virtual CZephyronModel* GetModel() = 0;
    // The same model as the floors under the model object reach it; null without a model.
    virtual IModelContext* GetModelContext() = 0;
    virtual void SetModel(CZephyronModel* model) = 0;
    virtual const CViewDefinition* GetViewDefinition() const = 0;
    virtual CViewDefinition* GetViewDefinition() = 0;
    virtual void SetViewportSize(int width, int height) = 0;
    virtual void GetViewportSize(int& width, int& height) = 0;
    virtual CPoint2d& TilePixelToImagePixel(CPoint2d& out, const CPoint2d& in) = 0;
    virtual CPoint2d& ImagePixelToTilePixel(CPoint2d& out, const CPoint2d& in) = 0;
    virtual void SetFrustumWindow(double left, double right, double bottom, double top) = 0;
    // True when an explicit window is set.
    virtual bool GetFrustumWindow(double& left, double& right, double& bottom, double& top) = 0;
    virtual CRay3d& GetPickRay(CRay3d& out, const int pixel[2]) = 0;
    // The model length that the pixels cover at a local point; 0 for 0 or fewer pixels.
    virtual double PixelsToModel(int pixels, const CPoint3d& at) = 0;
    // Returns the previous scale.
    virtual double SetPixelSizeScale(double scale) = 0;
    virtual double GetPixelSizeScale() = 0;
    virtual CVector3d& PixelsToLocalSize(CVector3d& out, int pixels, const CPoint3d& at) = 0;
    // Window pixels and depth 0..1; false when the point cannot be projected.
    virtual bool ModelToScreen(const CPoint3d& local, CPoint3d& out) = 0;
    virtual bool ScreenToModel(const CPoint3d& window, CPoint3d& out) = 0;
    virtual int GetDrawPurpose() = 0;

    // Level of detail: feature masks, 511 being full detail.
    virtual unsigned GetFeatures() = 0;
    virtual unsigned PushFeatures(unsigned mask) = 0;
    virtual unsigned PopFeatures() = 0;
    virtual bool IsFullDetail() = 0;
    virtual int GetDegradationLevel() = 0;
    virtual bool IsDrawingSuppressed() = 0;
    // Seconds.
    virtual double GetLastFrameTime() = 0;
    virtual double GetFrameTime() = 0;
    virtual double GetAverageFrameTime() = 0;
    virtual void SetFrameDelay(double seconds) = 0;
    // Above 0.1 seconds the camera moves there in an animated transition.
    virtual void SetCamera(const CCamera& camera, double seconds) = 0;
    virtual bool IsHardwareAccelerated() = 0;
    virtual bool DrawsEdges() = 0;
    virtual bool DrawsStrokeEdges() = 0;

    // The elements' positions are the polyline's vertices, in local coordinates.
    virtual void DrawStrokePolyline(const std::vector<CEntity*>& points, bool widthFloor) = 0;
    virtual void DrawStyledLine(const CPoint3d& from, const CPoint3d& to, const CColor& color,
                                const double& width, const unsigned short& stipple) = 0;
    virtual void DrawLine(const CPoint3d& from, const CPoint3d& to) = 0;
    virtual void DrawLineWithArrows(const CPoint3d& from, const CPoint3d& to, CColor color,
                                    unsigned short stipple, bool arrowAtStart, bool arrowAtEnd) = 0;
    virtual void DrawBoxEdgesFacing(const CBoundingBox3d& box, const CPoint3d& eye, CColor front, CColor back,
                                    double width, unsigned short stipple) = 0;
    virtual void DrawBox(const CBoundingBox3d& box, double width) = 0;
    virtual void DrawInfiniteLine(const CLine3d& line, unsigned short stipple, bool bothDirections,
                                  CColor color, double width) = 0;
    // The eight values between text and cache reach the font unchanged; a null cache makes the
    // font use a temporary one.
    virtual void DrawText3D(CZpFont* font, const CPoint3d& anchor, const wchar_t* text, int alignment,
                            int justification, const CColor* color, bool outline, bool drawText,
                            bool screenFacing, const CPlane3d* plane, bool keepReadable,
                            IGLTextCache* cache) = 0;
    virtual void DrawScreenText(int x, int y, const wchar_t* text) = 0;

    // A GL primitive kind; nothing when the same kind is already open.
    virtual void BeginPrimitive(int kind) = 0;
    virtual void EndPrimitive() = 0;
    virtual void Vertex(double x, double y, double z) = 0;
    virtual void Vertex(const double point[3]) = 0;
    // A GL comparison function.
    virtual void SetDepthFunc(unsigned int function) = 0;
    virtual void ResetDrawState() = 0;
    // Pixels, times the line-width scale, never below 1.
    virtual void SetLineWidth(double pixels) = 0;
    virtual double GetLineWidth() = 0;
    // 0 turns stippling off.
    virtual void SetLineStipple(unsigned short pattern) = 0;
    virtual unsigned short GetLineStipple() = 0;
    virtual bool IsStippled() = 0;
    virtual bool SetLighting(bool on) = 0;
    virtual void PushPolygonOffset(bool enable, float factor, float units) = 0;
    virtual void PopPolygonOffset() = 0;
    // Channels 0..1.
    virtual void SetColorRGBA(double red, double green, double blue, double alpha) = 0;
    virtual void SetColor(CColor color) = 0;
    virtual CColor& GetColor(CColor& out) = 0;
    virtual int BindMaterial(CMaterial* material, int a, int b) = 0;
    // face: a GL face enum.
    virtual bool SetMaterialColor(CMaterial* material, const CColor& color, unsigned int face, bool flag) = 0;
    virtual CMaterial* ResolveMaterial(CMaterial* material, int /*flag*/) { return material; }
    virtual bool FalseQueryA() { return false; }
    virtual void MakeCurrent() = 0;

    // Component editing.
    virtual void PushInstance(CComponentInstance* instance) = 0;
    virtual void PopInstance() = 0;
    virtual int GetInstanceDepth() = 0;
    virtual IInstancePath* GetInstancePath() = 0;
    virtual bool IsFaded() = 0;
    virtual void FadeColor(CColor& color) = 0;
    virtual bool IsHiddenByEditing(CDrawingElement* element) = 0;
    virtual int GetDrawMode() = 0;
    virtual void PushDrawMode(int mode) = 0;
    virtual void PopDrawMode() = 0;
    virtual void PushDrawModeForModel(CZephyronModel* model) = 0;
    virtual void PopDrawModeForModel() = 0;

    virtual double GetLineWidthScale() = 0;
    virtual void SetLineWidthScale(double scale) = 0;
    virtual bool UsesDisplayLists() = 0;
    virtual void SetUsesDisplayLists(bool on) = 0;
    virtual bool IsDetailControlEnabled() = 0;
    virtual void SetDetailControlEnabled(bool on) = 0;
    virtual bool IsBatchDrawing() = 0;
    virtual void SetBatchDrawing(bool on) = 0;

    // The layer and material that the instance walk hands to entities without their own.
    virtual CLayer* GetLayer() = 0;
    virtual void PushLayer(CLayer* layer) = 0;
    virtual void PopLayer() = 0;
    virtual bool PushMaterial(CMaterial* material) = 0;
    virtual bool PopMaterial() = 0;
    virtual CMaterial* GetMaterial() = 0;

    virtual IRenderingOptions* GetRenderingOptions() = 0;
    virtual CZphStyle* GetActiveStyle() = 0;
    virtual void GetEdgeColor(CColor& out) = 0;
    virtual void GetBackgroundColor(CColor& out) = 0;
    virtual void GetAxisColor(CColor& out, int kind) = 0;
    // start and end are local points.
    virtual CColor& GetColorByAxis(CColor& out, CPoint3d start, CPoint3d end) = 0;
    virtual void SetupFog(bool on) = 0;
    virtual void ResetOpenGL() = 0;
    virtual void GetDPI(int out[2]) = 0;
    virtual bool IsOffscreenFlag() = 0;
    virtual void SetOffscreenFlag(bool on) = 0;
    virtual CZpFont* GetTextFont() = 0;
    // 0 normal drawing, 1 item-buffer drawing, 2 item buffer ready.
    virtual int GetDrawingMode() = 0;
    virtual orbisk::NPREdgeSettings* GetStrokeEdgeSettings() = 0;
    virtual void NextItemColor(CColor& out) = 0;
    virtual CItemBuffer* GetItemBuffer() = 0;
    // 0 none, 1 X-ray, 2 transparency.
    virtual int GetTransparencyMode() = 0;
    virtual bool IsDrawingModeFixed() = 0;
    virtual void SetDrawingModeFixed(bool fixed) = 0;
    virtual bool CanUseItemBuffer() = 0;
    virtual bool PrepareItemBuffer() = 0;
};
