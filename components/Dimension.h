#pragma once
// CDimension: the base of the dimensions a model file holds (entity type 12), linear (13) and
// radial (14). It keeps the user's text, which may hold the measurement placeholder "<>", the
// dimension's own font (null: the style's), the aligned-text flag and the arrow type taken from
// the style, and gives the subclasses the style, the font, the text shown and the text height.
//
// The dimension holds one counted use of its own font. Undo snapshots share the font without a
// use, and no dimension gives its use back when deleted: only erasing and replacing the font do.
//
// The subclasses override the virtual operations below; the base answers as an empty dimension
// (no plane but z = 0, located at the origin, associated, no measurement).

#include <cstdint>

#include "database/DrawingElement.h"
#include "database/IFontUser.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/Vector3d.h"
#include "platform/mfc/String.h"

class CDimensionStyle;
class CEntitySet;
class CMapPtrToPtr;
class CZpFont;
class IGLTextCache;
class IModelView;

class CDimension : public CDrawingElement, public IFontUser {
    DECLARE_SERIAL(CDimension)
public:
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CTransform3d = orbisk::geometry::CTransform3d;
    using CVector3d = orbisk::geometry::CVector3d;

    // Transform modes and kinds of TransformWithMode; Transform moves with kind 0, mode 2.
    enum { kTransformMoveAll = 2 };

    CDimension() = default;
    // Text, font pointer (without a use), aligned flag and arrow type; no text cache.
    CDimension(const CDimension& other);
    ~CDimension() override;
    CDimension& operator=(const CDimension&) = delete;

    // After the drawing element's record: the text (a stored backslash-n is a line break) and,
    // from schema 1 on, the font, the aligned flag and the arrow type. Writing stores the last
    // three only for save formats from 6000 on.
    void Serialize(CArchive& ar) override;
    // Gives the font's use back, then the drawing element's erase.
    void Erase() override;
    // A dropped element that the model's pool frees after its contents: what it names went with them.
    void ForgetSharedParts() override;
    void Transform(const CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityDimension; }
    // The distance along the pick ray to the dimension's plane.
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    // Empties the text cache; the cache object stays for the next draw.
    void ReleaseGLResources() override;
    // The frame every dimension draws in: visibility and the style's hiding rules (a dimension
    // that would be hidden is drawn dashed, its text as an outlined box, while hidden geometry
    // is shown), colour, line width and stipple and the text cache's filtering; DrawGeometry
    // then draws the lines, arrows and text.
    void Draw(IModelView* view) override;
    // Not while the options hide dimensions, nor while the plane is seen edge-on.
    bool IsVisible(IModelView* view) override;
    // Selection colours, else the material's colour for the view; the style's highlight colour
    // for a dimension that lost its geometry (when the style highlights); else the style's
    // default colour.
    CColor GetColorForView(IModelView* view) override;

    // IFontUser: the own font, else the style's (never made on demand).
    CEntity* GetUsedFont() const override;

    virtual bool RefersTo(const CEntity* entity) const;
    virtual void AddReferencedEntities(CEntitySet& set, bool includeFirst) const;
    virtual void ReplaceReference(CEntity* oldEntity, CEntity* newEntity);
    virtual void TransformWithMode(const CTransform3d& transform, int kind, int mode);
    // The style's colour as material, font, aligned flag and arrow type, each with a change
    // notice when it differs. Null: nothing.
    virtual void ApplyStyle(CDimensionStyle* style);
    virtual void GetTextPosition(IModelView* view, CPoint3d& anchor, int& alignment, int& justification);
    virtual CPlane3d GetPlane() const;
    virtual CPoint3d GetLocation() const;
    // The copier tells the dimension which entities go with it; with markOnly, anchors outside
    // the set are only marked to be written detached.
    virtual void PrepareCopy(const CEntitySet& set, bool markOnly);
    virtual void OnEntitiesGrouped(const CEntitySet& set, CDrawingElement* instance);
    virtual void OnInstanceExploded(CDrawingElement* instance, const CMapPtrToPtr* map);
    virtual bool IsAssociated() const;
    virtual CString GetMeasurementText(IModelView* view);
    // Whole pixels; 0 when the size is unknown.
    virtual int GetScreenSize(IModelView* view);
    // The lines, arrow heads and text in the colour and line style set by Draw; without draw the
    // text is only outlined.
    virtual void DrawGeometry(IModelView* view, bool draw);

    // The model's style (of the current model when the dimension has none), or null.
    CDimensionStyle* GetStyle() const;
    // The own font, else the style's, made by the style when it has none.
    CZpFont* GetFont() const;
    CZpFont* PeekOwnFont() const { return m_font; }
    // With a change notice; the font's use is counted.
    void SetFont(CZpFont* font);
    const CString& GetText() const { return m_text; }
    void SetText(const CString& text);
    // The measurement where the user text is empty, else the user text with every "<>" made
    // the measurement; replaced is true when the user text holds no placeholder at all.
    CString GetDisplayText(IModelView* view, bool& replaced);
    // The model height of the font at the point; 0 without a font.
    double GetTextHeight(IModelView* view, const CPoint3d& point) const;
    // The style's highlight colour when wanted and the style highlights, else 0.
    CColor GetNonAssociatedColor(bool wanted) const;
    bool IsTextAligned() const { return m_alignedText; }
    int32_t GetArrowType() const { return m_arrowType; }
    bool GetKeepTextReadable() const;
    int32_t GetStyleLineWidth() const;
    // One arrow head of the dimension's type, three quarters of a text height long, tip at tip
    // (local point) with its body along direction in the plane.
    void DrawArrow(IModelView* view, const CPlane3d& plane, const CPoint3d& tip, const CVector3d& direction);
    // The cache the text is drawn through; null before the first draw.
    IGLTextCache* GetTextCache() const { return m_textCache; }

protected:
    // A text formatted by the model's length formatter; "~" marks and leading spaces go unless
    // the style highlights.
    CString FormatLength(double length) const;
    // Gives back the use of a font a failed record took.
    void RestoreFont(CZpFont* before);

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar);

    CString m_text;
    CZpFont* m_font = nullptr;
    bool m_alignedText = false;
    int32_t m_arrowType = 0;
    IGLTextCache* m_textCache = nullptr;
};
