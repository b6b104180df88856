#pragma once
// CZpFont: a font of the model (entity type 19): a face name, bold and italic, and a size in
// points or, with the model-size flag, a fixed height in model units. The model's font manager
// owns the fonts and shares one among all users of equal settings; users hold counted uses
// (AddRef, Release), and the last release takes the font out of its manager and erases it.
//
// The font also answers the sizes of its texts in a view: the pixel height the text is rendered
// at, the model height of a line, the extents of a text and its box in the model, and the
// offset of that box from its anchor for an alignment code (codes 0 to 8 are row x 3 + column:
// column 0 puts the anchor at the left edge, 1 in the middle, 2 at the right edge; row 0 at the
// bottom edge, 1 in the middle, 2 at the top edge; 9 and 10 are the left and right edges at the
// middle of the first line).

#include <cstdint>
#include <vector>

#include "database/Entity.h"
#include "database/IFont.h"
#include "geometry/BoundingBox2d.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "platform/mfc/String.h"
#include "support/Color.h"

namespace orbisk::geometry {
class CPlane3d;
}
class CDrawingElement;
class IGLTextCache;
class IDrawingBase;
class IModelView;
class IPickHelper;

class CZpFont : public CEntity, public IFont {
    DECLARE_SERIAL(CZpFont)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using CBoundingBox2d = orbisk::geometry::CBoundingBox2d;
    using CBoundingBox3d = orbisk::geometry::CBoundingBox3d;

    // The kinds of text cache a font draws through.
    enum RenderType : int32_t { kRenderImage = 0, kRenderOutline = 1, kRenderFilledOutline = 2 };

    CZpFont() = default;
    // The settings of a font that the font manager lacks: the description's style bytes are
    // italic and bold, its type the point size, its extra byte the model-size flag and its size
    // the model height.
    explicit CZpFont(const CFontDescription& description);
    // Face, styles, sizes and use count; render type 0, metrics not computed; no parent.
    CZpFont(const CZpFont& other);
    CZpFont& operator=(const CZpFont&) = delete;

    // After the entity record: the face, italic and bold bytes, the 32-bit point size and, from
    // schema 1 on, the model-size byte and the model height (earlier records keep 0 and 10).
    // Writing stores the same, the last two only from save format 6000 on.
    void Serialize(CArchive& ar) override;
    // A change notice, then the entity's erase.
    void Erase() override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityFont; }

    // With a change notice each. Release of the last use removes the font from its font
    // manager and erases it.
    virtual void AddRef();
    virtual void Release();
    virtual int32_t GetReferenceCount() const { return m_referenceCount; }
    virtual void SetReferenceCount(int32_t count);

    // IFont, for the font manager.
    CFontDescription GetDescription() const override;
    int32_t GetRefCount() const override { return m_referenceCount; }
    void SetRefCount(int32_t count) override { SetReferenceCount(count); }
    void ClearCacheHandle() override { m_cacheHandle = 0; }

    // A change notice; when anything differs (the face compared without case, the height
    // exactly) a second one, then the metrics are invalidated and all six values stored.
    void SetFont(const CString& face, bool italic, bool bold, int32_t pointSize, bool modelSize,
                 double modelHeight);
    const CString& GetFaceName() const { return m_faceName; }
    bool IsItalic() const { return m_italic != 0; }
    bool IsBold() const { return m_bold != 0; }
    int32_t GetPointSize() const { return m_pointSize; }
    bool HasModelSize() const { return m_modelSize != 0; }
    double GetModelHeightSetting() const { return m_modelHeight; }
    // The text-cache object the font manager matches fonts on; stored without a notice.
    void SetGLCache(const void* cache) { m_glCache = cache; }
    // No change notice: the kind of cache is not part of the file.
    void SetRenderType(int32_t type) { m_renderType = type; }
    int32_t GetRenderType() const { return m_renderType; }

    // The line metric is trunc(point size x 1.3333), computed on first use.
    void UpdateMetrics();
    void InvalidateMetrics() { m_metricsComputed = 0; }
    bool AreMetricsComputed() const { return m_metricsComputed != 0; }
    int32_t GetLineMetric() const { return m_lineMetric; }

    // The size in points the text is rendered at in the view near the (local) point: the point
    // size, or for a model-size font the model height over the size of a pixel there, times the
    // view's pixel scale, rounded. 0 when the view cannot tell the size of a pixel; without a
    // view the point size, or 0 for a model-size font.
    int GetPixelHeight(IModelView* view, const CPoint3d& point) const;
    // The model height of the text at the point: the model height setting for a model-size font,
    // else the model length of the point size in screen pixels; 0 without a view.
    double GetModelHeight(IModelView* view, const CPoint3d& point) const;
    // The text's rectangle (0, 0)-(width, height) in pixels at the point; empty when the text
    // has no size there.
    CBoundingBox2d GetTextExtents(IModelView* view, const CString& text, const CPoint3d& point) const;
    CBoundingBox2d GetLinesExtents(IModelView* view, const std::vector<CString>& lines,
                                   const CPoint3d& point) const;
    // The box in the model of the lines drawn facing the camera at the point with the alignment.
    CBoundingBox3d GetTextBounds(IModelView* view, const std::vector<CString>& lines, const CPoint3d& point,
                                 int alignment);
    // The vector from the anchor to the lower-left corner of a box spanned by the width vector W
    // and the height vector H, for the alignment code and number of lines.
    CVector3d GetAlignmentOffset(const CVector3d& width, const CVector3d& height, int alignment,
                                 int lineCount) const;

    // The text cache this font draws through: the given one when it is of the font's kind, else
    // (the given one deleted) a new one. The caller keeps the result in place of its old cache.
    IGLTextCache* GetTextCache(IGLTextCache* cache) const;
    // Brings the cache to the text as this font renders it at the (local) point of the view.
    void UpdateTextCache(const CString& text, int justification, IModelView* view, const CPoint3d& point,
                         IGLTextCache& cache) const;

    // Pushes on the sink the transformation in which a text box of width x height pixels is
    // drawn from (0, 0) with its anchor (a local point) placed by the alignment: first the inverse
    // of the sink's transformation, then the box's frame (the sink's axes, or the camera's right
    // and up when screen-facing) scaled to pixels at the anchor. A screen-facing text given the
    // plane it labels is moved toward the eye until no corner of it is behind that plane. With
    // keep-readable a text lying in the model is turned so that it never reads mirrored or upside
    // down. W and H receive the box's width and height vectors. The caller pops two
    // transformations; false (nothing pushed) without a camera or when the text cannot be brought
    // in front of the plane.
    bool SetupTextTransform(IModelView* view, IDrawingBase* sink, const CPoint3d& anchor, const CString& text,
                            int alignment, bool screenFacing, const orbisk::geometry::CPlane3d* plane,
                            bool keepReadable, int width, int height, CVector3d& w, CVector3d& h);
    // Draws the text with its anchor at the (local) point: its box's outline with outline, the
    // text itself (in the colour, when given, else the current one) with drawText. Without a cache
    // a temporary one is rendered and dropped. The view's transformations are left as they were.
    void DrawText(IModelView* view, const CPoint3d& anchor, const CString& text, int alignment,
                  int justification, const orbisk::utils::CColor* color, bool outline, bool drawText,
                  bool screenFacing, const orbisk::geometry::CPlane3d* plane, bool keepReadable,
                  IGLTextCache* cache);
    // Whether the picker hits the box of the text drawn at the anchor: 1 hit, 0 none. A point pick
    // tests the pick ray against the box; a window pick wants its four corners inside; a crossing
    // pick takes any edge of the box. With extraPop one more transformation is popped (the caller
    // pushed it for the text).
    int PickText(IPickHelper* picker, CDrawingElement* element, const CPoint3d& anchor, const CString& text,
                 int alignment, int justification, bool screenFacing, bool keepReadable, bool extraPop);

private:
    int CheckFields(int level);
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;

    CString m_faceName;
    uint8_t m_italic = 0;
    uint8_t m_bold = 0;
    int32_t m_pointSize = 0;
    uint8_t m_modelSize = 0;
    double m_modelHeight = 10.0;
    int32_t m_referenceCount = 0;
    uint8_t m_metricsComputed = 0;
    int32_t m_renderType = kRenderImage;
    int32_t m_lineMetric = 0;
    const void* m_glCache = nullptr;
    uintptr_t m_cacheHandle = 0;
};

// Turns the x and y scales of a text lying in the model at the (local) point so that it reads
// left to right and upright in the view: the y scale flips when the model's x and y axes appear
// mirrored on screen, and both flip when the x axis appears to run leftwards (or, nearly
// vertical, downwards).
void FlipTextToReadable(IModelView* view, const orbisk::geometry::CPoint3d& point, double& xScale,
                        double& yScale);

// A new text cache of a font's render type: the tiled image cache for kRenderImage. The outline
// kinds are drawn from images as well (the glyph-outline caches are not part of this program);
// null for any other type.
IGLTextCache* CreateTextCache(int renderType);

// Moves the origin of a text box spanned by wm and hm (model vectors) toward the eye until the
// corner of the box farthest behind the plane reaches it, but never nearer the eye than one
// hundredth of the depth range beyond the near plane. False when the ray from that corner never
// meets the plane; true, the origin unchanged, when the box is already in front.
bool BringTextInFront(IModelView* view, const orbisk::geometry::CPlane3d& plane,
                      const orbisk::geometry::CVector3d& wm, const orbisk::geometry::CVector3d& hm,
                      orbisk::geometry::CPoint3d& origin);

// The lines of a text: backslash-n pairs count as newlines, and every piece is a line, the
// last one too (a text ending in a newline ends with an empty line). Returns the line count.
int SplitLines(const CString& text, std::vector<CString>& lines);
// The lines joined with newlines.
CString JoinLines(const std::vector<CString>& lines);
