#pragma once
// CText: a text label in the model (entity type 36), with one of three leader types:
//   0 screen text: no leader; the label is pinned to the window at two offsets that are
//     fractions of the viewport's width and height;
//   1 leader in view terms: a leader from an anchor to the label, its vector kept as lengths
//     along the camera's right and up vectors, so that the label keeps its place on the screen
//     around the anchor while the camera turns;
//   2 leader in model terms: the leader vector is a model vector.
//
// The anchor is a reference point: a point on a vertex, an edge, a face, an image, a guide or
// a free position, reached through instances. The text is its referrer: while it has a leader
// it is registered as referring to the anchor's entities and hears their events. The text
// counts one use of its own font; without one it uses the font of the model's text style.

#include <cstdint>
#include <vector>

#include "components/ReferencePoint.h"
#include "database/DrawingElement.h"
#include "database/IFontUser.h"
#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "platform/mfc/String.h"

class CEntitySet;
class CZpFont;
class IGLTextCache;
class IModelView;

class CText : public CDrawingElement, public IFontUser {
    DECLARE_SERIAL(CText)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;

    enum LeaderType : int32_t { kScreenText = 0, kViewLeader = 1, kModelLeader = 2 };
    enum Extension : int32_t { kExtendAutomatic = 0, kExtendRight = 1, kExtendLeft = 2 };
    // Roles of TransformText: the element's own Transform uses kRoleElement.
    enum { kRoleElement = 2 };

    // The result of ComputeLeaderPoints.
    struct LeaderLayout {
        CPoint3d anchor;
        CPoint3d textPosition;
        CPoint3d knee;
        // Where the label is drawn from.
        CPoint3d textPoint;
        int alignment = 9;
        int justification = 0;
    };

    CText() = default;
    // Every field but the text cache; the font is shared without a use; the anchor is copied.
    CText(const CText& other);
    CText& operator=(const CText&) = delete;
    ~CText() override;

    // Every schema 0 to 9, converting the records of the older ones (see Text.cpp); the record
    // the copier stores is the newest one.
    void Serialize(CArchive& ar) override;
    // Records the change, gives up the font's use, then the element's erase.
    void Erase() override;
    // A dropped element that the model's pool frees after its contents: what it names went with them.
    void ForgetSharedParts() override;
    // Only with the anchor within the set.
    bool CollectWithDependents(CEntitySet& set) override;
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    // Everything but the further flag; the anchor's back references follow.
    void SwapContents(CEntity& other) override;
    void OnReferencedEntityEvent(int kind, CEntity* entity, void* data) override;
    void OnChange() override;
    void OnErase() override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityText; }
    // Leader texts: the nearest point of the leader to the pick ray. Screen texts report
    // distance -1. Always true.
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    // Clears the text cache; the next drawing renders it again.
    void ReleaseGLResources() override;
    // In the annotation pass: the leader with its arrow head and the label (see Text.cpp).
    void Draw(IModelView* view) override;
    // Leader texts: the anchor, the text position and the corners of the label's box, which
    // needs a view: the current one (database/CurrentModel.h), without which only the leader's
    // ends bound the text. Screen texts have no bounds.
    void AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform,
                              CBoundingBox3d& box) const override;
    // GetTextBounds in the current view; without one, the untransformed leader's ends.
    void AddBounds(CBoundingBox3d& box) const override;
    bool IsVisible(IModelView* view) override;
    // 1 when the picker takes the text (its leader or its label), 2 when the leader's anchor is cut
    // away by the section planes, else 0.
    int PickInside(IPickHelper* picker) override;

    // IFontUser.
    CEntity* GetUsedFont() const override;

    virtual bool RefersToInstance(const CEntity* instance) const;
    virtual void CollectReferencedEntities(CEntitySet& set, bool includeFirst) const;
    virtual void ReplaceReference(CEntity* oldEntity, CEntity* newEntity);
    // Exact comparison.
    virtual void SetText(const CString& text);
    virtual const CString& GetText() const { return m_text; }
    // No-op for the same font; records only with record set; moves the use to the new font.
    virtual void SetFont(CZpFont* font, bool record);
    virtual CZpFont* GetOwnFont() const { return m_font; }
    // The own font, else the current model's text style font; null without either.
    virtual CZpFont* GetFont() const;
    virtual void SetPlacementViewDirection(const CVector3d& direction);
    virtual void SetArrowType(int32_t type);
    virtual int32_t GetArrowType() const { return m_arrowType; }
    virtual void SetLineWidth(int32_t width);
    virtual int32_t GetLineWidth() const { return m_lineWidth; }
    virtual void SetHideWhenTurned(bool hide);
    virtual bool GetHideWhenTurned() const { return m_hideWhenTurned; }
    virtual int32_t GetLeaderType() const { return m_leaderType; }
    // Converts the stored vector between view and model terms with the view; see Text.cpp.
    virtual void SetLeaderType(int32_t type, IModelView* view);
    virtual bool HasLeader() const { return m_leaderType != kScreenText; }
    virtual void SetLeaderShown(bool shown, IModelView* view);
    virtual bool IsLeaderShown() const { return m_leaderShown; }
    virtual void SetAnchor(const CReferencePoint& anchor, bool frontSide);
    virtual CPoint3d GetAnchorPosition();
    // (0, 0, 0) for screen text; else the anchor position plus the leader vector in model terms.
    virtual CPoint3d GetTextPosition(IModelView* view);
    // The viewport size times the offsets, truncated.
    virtual void GetScreenPosition(IModelView* view, int& x, int& y) const;
    // Stored unchanged, always recorded.
    virtual void SetLeaderVector(const CVector3d& vector);
    // Always recorded.
    virtual void SetOffsets(double x, double y);

    void SetExtraFlag(bool flag);
    bool GetExtraFlag() const { return m_extraFlag; }
    // The leader type without conversion.
    void SetLeaderTypeRaw(int32_t type);
    int32_t GetExtensionDirection() const { return m_extension; }
    bool IsFrontSide() const { return m_frontSide; }
    const CVector3d& GetLeaderVector() const { return m_leaderVector; }
    const CVector3d& GetPlacementViewDirection() const { return m_placementViewDirection; }
    double GetXOffset() const { return m_xOffset; }
    double GetYOffset() const { return m_yOffset; }
    const CReferencePoint& GetAnchor() const { return m_anchor; }

    // The copier's preparation: an anchor outside the set is detached, or with detach set only
    // marked to be written as a free point.
    void PrepareCopy(const CEntitySet& set, bool markOnly);
    void ReanchorAfterExplode(CDrawingElement* instance, const CMapPtrToPtr* map);
    // With the transformation role (kRoleElement from the element's Transform) and the view
    // that converts view leaders, or null.
    void TransformText(const orbisk::geometry::CTransform3d& transform, int role, IModelView* view);

    // x R + y U of the camera, as a vector in the current drawing coordinates.
    CVector3d ViewVectorToModel(IModelView* view, double x, double y) const;
    // The model vector's end seen from the camera, in lengths along R and U from the anchor.
    CVector3d ModelVectorToView(IModelView* view, const CVector3d& vector);
    CVector3d GetModelLeaderVector(IModelView* view);
    CVector3d GetViewLeaderVector(IModelView* view);
    LeaderLayout ComputeLeaderPoints(IModelView* view);
    // The box of the label drawn at the end of the leader with the points of the leader, for a
    // leader text; empty otherwise.
    CBoundingBox3d GetTextBounds(IModelView* view);
    // The model point a window pixel shows at the depth the view keeps for screen text.
    CPoint3d PixelToModel(IModelView* view, int x, int y) const;
    // Whether the anchor (and the label's position) is on screen and not behind other geometry.
    bool IsAnchorVisible(IModelView* view);
    // Whether the (local) point projects into the viewport.
    static bool IsOnScreen(IModelView* view, const CPoint3d& point);
    // The leader, its arrow head and the label; normal is false for a text drawn as hidden.
    void DrawLeaderAndText(IModelView* view, bool normal);
    IGLTextCache* GetTextCache() const { return m_textCache; }

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar);
    void ReadLegacyAnchor(CArchive& ar, CDrawingElement* legacyEntity);
    int CheckFields(int level, CCheckedObjectMap* map);
    bool PickLeaderSegment(IPickHelper* picker, const CPoint3d& start, const CPoint3d& end, double& distance);
    // The box of the label drawn at the layout's text point; empty without a font.
    CBoundingBox3d GetLabelBox(IModelView* view, const LeaderLayout& layout);

    CString m_text;
    double m_xOffset = 0.5;
    double m_yOffset = 0.5;
    CReferencePoint m_anchor;
    CVector3d m_leaderVector;
    bool m_frontSide = true;
    CVector3d m_placementViewDirection{0.0, 0.0, 1.0};
    bool m_extraFlag = false;
    CZpFont* m_font = nullptr;
    int32_t m_arrowType = 0;
    int32_t m_lineWidth = 1;
    bool m_hideWhenTurned = false;
    bool m_leaderShown = true;
    int32_t m_leaderType = kScreenText;
    int32_t m_extension = kExtendAutomatic;
    // Owned; made by drawing.
    IGLTextCache* m_textCache = nullptr;
};
