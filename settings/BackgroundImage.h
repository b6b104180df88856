#pragma once
// CBackgroundImage: a photograph matched to the camera, so that the model shows as if it stood
// in the photo. The model holds at most one current photo and each scene may hold its own; both
// count as uses, and the photo erases itself when its last use goes.
//
// The photo spans x 0..a, y 0..1 in photo units (a = width / height); its frame (what the
// camera frames) spans x -A/2..A/2, y -0.5..0.5, where the extended aspect A makes room for the
// offset dx, dy of the camera centre against the photo centre. This file gives that geometry as
// numbers: the frame transform, the extents a viewport shows, and the camera's 2D pan and zoom
// under which the photo fills the view. The photo draws itself in screen space (Draw), from
// GL textures it makes on its first draw and keeps until its image changes or the model
// releases its GL resources.
//
// The photo is either stored with the model (mode 1) or linked (mode 2: only a 128 x 128
// thumbnail is stored and the full image comes from the path). Stored paths are Windows text; a
// path beside the model file is stored as ".\" and the rest, and resolved against the folder of
// the model file being read (CurrentArchivePath). Files are touched only by the model's refresh
// of linked photos, which converts the text then.
//
// Single-threaded: every call comes from the user-interface thread.

#include <cstdint>
#include <vector>

#include "database/Dib.h"
#include "database/Entity.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "settings/GLImage.h"

class CCamera;
class CViewDefinition;
class IModelView;

class CBackgroundImage : public CEntity {
    DECLARE_SERIAL(CBackgroundImage)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CTransform3d = orbisk::geometry::CTransform3d;

    enum Mode : int32_t { kModeNotSet = 0, kModeEmbedded = 1, kModeLinked = 2 };
    // The box the thumbnail of a linked photo is fitted into, in pixels.
    static constexpr int kThumbnailSize = 128;

    // Extents in frame units.
    struct Rect {
        double left = 0.0;
        double right = 0.0;
        double bottom = 0.0;
        double top = 0.0;
    };
    // A camera's 2D pan and zoom: the factor on the picture's half extents and the offsets in
    // half widths and half heights.
    struct PanZoom {
        double scale = 1.0;
        double offsetX = 0.0;
        double offsetY = 0.0;
    };

    CBackgroundImage() = default;
    ~CBackgroundImage() override;
    CBackgroundImage& operator=(const CBackgroundImage&) = delete;

    // By the class version v: the image information (v > 1; version 0 to 3 from v) or a bare
    // path (v <= 1); shown, opacity; the counted points; the offset (v > 5); the depth, never
    // positive (v > 6); a discarded list of point pairs (v = 8); the image of old records
    // (v = 0 in place, v = 1 as a reference); extra (v >= 10).
    void Serialize(CArchive& ar) override;
    void Erase() override;
    // Takes the settings, path, mode, use count and extra, but no image and no size.
    CEntity* CreateCopy() const override;
    // Exchanges the settings, path and use count; each side takes the other's mode with its own
    // images.
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityBackgroundImage; }

    // Both announce the change and return the new count; the last release erases the photo.
    virtual int32_t AddUse();
    virtual int32_t ReleaseUse();
    virtual int32_t GetUseCount() const { return m_useCount; }

    const CString& GetPath() const { return m_path; }
    int32_t GetMode() const { return m_mode; }
    bool IsEmbedded() const { return m_mode != kModeLinked; }
    CDib* GetImage() const { return m_image.Get(); }
    CDib* GetThumbnail() const { return m_thumbnail.Get(); }
    // The full image, else the thumbnail.
    CDib* GetDisplayImage() const { return m_image ? m_image.Get() : m_thumbnail.Get(); }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    bool IsShown() const { return m_shown; }
    double GetOpacity() const { return m_opacity; }
    const std::vector<CPoint3d>& GetPoints() const { return m_points; }
    const CPoint3d& GetOffset() const { return m_offset; }
    void SetOffset(const CPoint3d& offset) { m_offset = offset; }
    double GetDepth() const { return m_depth; }
    // When the photo file had this modification time, its image was taken (seconds since 1970).
    int64_t GetFileTime() const { return m_fileTime; }
    // The photo file's modification time as the model last found it (0: no file); not stored.
    int64_t GetCurrentFileTime() const { return m_currentFileTime; }
    void SetCurrentFileTime(int64_t time) { m_currentFileTime = time; }
    int32_t GetExtra() const { return m_extra; }

    // Holds the image and takes its size (a null image keeps the size). No announcement.
    void SetImage(CDib* image);
    // -1 means 0. Mode 2 makes the thumbnail from the full image; any other mode drops it.
    void SetMode(int32_t mode);

    // a = width / height (1 without height), widened by the offsets to the frame's aspect A.
    double ComputeAspect() const;
    // Photo units to frame units.
    CTransform3d ComputeFrameTransform() const;
    // The frame extents the view's viewport shows, moved and scaled with the view's 2D pan and
    // zoom and tile window; all 0 for a viewport without aspect.
    Rect ComputePhotoRect(const CViewDefinition& view) const;
    // The 2D pan and zoom under which the photo fills a view of that aspect; no pan or zoom for
    // an aspect that is not positive.
    PanZoom ComputeMatchedPanZoom(double viewAspect) const;
    // Switches the camera's 2D pan and zoom on and locks its picture aspect to the frame's.
    void ApplyAspectToCamera(CCamera& camera) const;

    // Draws the photo in screen space over the frame the view shows: the image (when drawImage,
    // and the pass - behind the model, or in front with inFront - is shown by the view's
    // rendering options) under a veil of the background colour whose opacity is one minus the
    // pass's photo opacity, with a red outline; and, when drawText and the full image is
    // missing, the placeholder text "Original Image Not Found" over half the viewport's width.
    // Nothing with fog on or without any image size. Unlit, blended, without depth test or
    // depth writes; matrices, blending, depth state and the texture environment are restored,
    // the view's lighting is left off.
    void Draw(IModelView* view, bool drawImage, bool drawText, bool inFront);
    // The textures of the image (the full image, else the thumbnail), made once.
    void EnsureTiledImage();
    // Deletes the textures (in the current GL context); the next draw makes them again.
    void ReleaseGLResources();
    const CGLTiledImage& GetTiledImage() const { return m_tiledImage; }

    // The size of the placeholder text, so that the text is about half as wide as the viewport,
    // given the text's width at size 10; 0 (nothing to draw) when that width is not positive.
    static int ComputePlaceholderTextSize(int viewportWidth, double widthAtSize10);

    // The stored form of a photo path (Windows text) for a model file at modelPath: ".\" and the
    // rest when the photo lies in the model file's folder (compared ignoring case); unchanged
    // without a model path or elsewhere.
    static CString MakeStoredPath(const CString& path, const CString& modelPath);
    // The path a stored one stands for: "/" becomes "\" and a leading ".\" becomes the model
    // file's folder. Unchanged without a model path.
    static CString ResolveStoredPath(const CString& stored, const CString& modelPath);
    // The drive and directory of a path, "\" as separator, with one "\" at the end; empty for a
    // path without a folder.
    static CString GetFolderOf(const CString& path);

private:
    CBackgroundImage(const CBackgroundImage& other);

    void ReadRecord(CArchive& ar);
    void ReadImageInformation(CArchive& ar, int32_t version);
    void TakeImage(CDib* image);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    void DrawImageAndVeil(IModelView* view, double x0, double y0, double x1, double y1, int width, int height,
                          bool inFront);
    void DrawPlaceholderText(IModelView* view);

    int32_t m_useCount = 0;
    CString m_path;
    int32_t m_mode = kModeNotSet;
    CDibRef m_image;
    CDibRef m_thumbnail;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_reserved = 0;
    // Seconds since 1970; stored in 32 bits.
    int64_t m_fileTime = 0;
    int64_t m_currentFileTime = 0;
    bool m_shown = true;
    double m_opacity = 1.0;
    std::vector<CPoint3d> m_points;
    CPoint3d m_offset;
    double m_depth = 0.0;
    int32_t m_extra = 0;
    CGLTiledImage m_tiledImage;
};
