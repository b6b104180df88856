#pragma once
// CWatermark: an image drawn in screen space, behind the model (a background watermark) or
// over it (an overlay). It is laid out in one of three ways: tiled across the view, stretched
// over it (optionally keeping its aspect ratio), or placed at one of nine positions at a size
// relative to the view. It can be made partly transparent and can turn its image into an
// intensity mask.
//
// Watermarks are shared by the lists that hold them (the model's watermark manager, the
// watermark lists of styles, transitions), each holding one use; the release of the last use
// erases the watermark.
//
// Drawing is split in two: the layout of the quad in the view's coordinates (Layout, pure
// numbers, below) and the GL calls that issue it, which the model view makes. A watermark
// without an image, or whose image cannot be decoded, has nothing to show and lays out no quad,
// so that it never covers the view with an untextured quad.
//
// "Watermark Notification" ({code, watermark}): 3 name, 4 image, 5 background flag (posted
// here), and 1, 6, 7 by the watermark manager.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "database/Dib.h"
#include "database/Entity.h"

namespace orbisk::imageutils {
class ImageRep;
}
class IModelView;

inline constexpr char kWatermarkNotification[] = "Watermark Notification";

// The payload of "Watermark Notification".
struct CWatermarkNotification {
    enum Code : int32_t {
        kErased = 1,
        kNameChanged = 3,
        kImageChanged = 4,
        kBackgroundChanged = 5,
        kChangedInOperation = 6,
        kAllDeleted = 7,
    };
    int32_t code;
    class CWatermark* watermark;
};

// What the view tells the layout: its frustum window (x0 ... x1 left to right, y0 ... y1
// bottom to top, in the units of the orthographic projection the quad is drawn in), its
// viewport in pixels and its pixel-size scale (1 on screen, more when the output has more
// pixels than the screen).
struct CWatermarkFrame {
    double x0 = 0;
    double x1 = 1;
    double y0 = 0;
    double y1 = 1;
    int viewportWidth = 1;
    int viewportHeight = 1;
    double pixelSizeScale = 1;
};

// One textured quad over x0 ... x1, y0 ... y1 at depth z, normal (0, 0, 1). Texture coordinate
// (0, 0) is the image's top-left corner, at (x0, y1); (sMax, tMax) is at (x1, y0). sMax and tMax
// are 1 unless the image is tiled (the texture then repeats).
struct CWatermarkQuad {
    double x0 = 0;
    double x1 = 0;
    double y0 = 0;
    double y1 = 0;
    double sMax = 1;
    double tMax = 1;
    double z = 0;
};

class CWatermark : public CEntity {
    DECLARE_SERIAL(CWatermark)
public:
    // Placements of `position`: a 3 x 3 grid read row by row from the top left.
    enum Position : int32_t {
        kTopLeft = 0,
        kTopCentre = 1,
        kTopRight = 2,
        kMiddleLeft = 3,
        kCentre = 4,
        kMiddleRight = 5,
        kBottomLeft = 6,
        kBottomCentre = 7,
        kBottomRight = 8,
    };

    // Stretched keeping its aspect ratio, centred, scale 0.5, opaque, no image.
    CWatermark();
    CWatermark(const CWatermark&) = delete;
    CWatermark& operator=(const CWatermark&) = delete;
    ~CWatermark() override;

    // The entity part, then every stored field and the image (CDib reference; one without
    // image data is dropped).
    void Serialize(CArchive& ar) override;
    // Drops the decoded image and the texture first.
    void Erase() override;
    // Every stored field but the image; no uses.
    CEntity* CreateCopy() const override;
    // Every stored field but the image; both decoded images and textures are dropped.
    void SwapContents(CEntity& other) override;
    // A position outside 0 ... 8 (repaired to 8); a missing or invalid image.
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    CString GetClassName() const override { return "CWatermark"; }
    int GetEntityType() const override { return kEntityWatermark; }

    // Use counting. ReleaseUse erases the watermark when the count is (or already was) 0: into
    // the open operation, or at once when none is open.
    uint32_t AddUse() { return ++m_useCount; }
    uint32_t ReleaseUse();
    uint32_t GetUseCount() const { return m_useCount; }
    // One use less without erasing: for a reader giving back what a failed record took.
    void DropUse()
    {
        if (m_useCount > 0)
            --m_useCount;
    }

    std::wstring GetName() const { return m_name; }
    void GetInfo(std::wstring& fileName, bool& found, int32_t& time) const;
    std::wstring GetInfoFileName() const { return m_infoFileName; }
    bool GetInfoFound() const { return m_infoFound; }
    int32_t GetInfoTime() const { return m_infoTime; }
    int32_t GetPosition() const { return m_position; }
    bool IsTiled() const { return m_tiled; }
    bool IsStretched() const { return m_stretched; }
    bool GetMaintainAR() const { return m_maintainAR; }
    bool IsBackground() const { return m_background; }
    bool GetIntensForAlpha() const { return m_intensForAlpha; }
    double GetAlphaScale() const { return m_alphaScale; }
    double GetScale() const { return m_scale; }
    CDib* GetImage() const { return m_image.Get(); }

    // Setters announce the change (CEntity::MarkChanged) unless the table of each says not.
    // A name equal but for case changes nothing; otherwise posts code 3.
    void SetName(const std::wstring& name);
    void SetInfoFileName(const std::wstring& fileName);
    // Not announced.
    void SetInfo(const std::wstring& fileName, bool found, int32_t time);
    // Not announced, not checked.
    void SetPosition(int32_t position) { m_position = position; }
    // Each of the two clears the other.
    void SetTiled(bool tiled);
    void SetStretched(bool stretched);
    void SetMaintainAR(bool maintain);
    // Posts code 5.
    void SetBackground(bool background);
    void SetScale(double scale);
    // Both drop the texture.
    void SetAlphaScale(double alphaScale);
    void SetIntensForAlpha(bool intensForAlpha);
    // Takes a hold on the new image, drops the decoded image and the texture, posts code 4.
    void SetImage(CDib* image);

    // Same image content, file name and name (ignoring case), layout, opacity and mask; the
    // position only when placed. The background flag and the source information's found flag
    // and time are not compared.
    bool IsEqual(const CWatermark& other) const;
    // Transitions: the very same image object and every setting but the found flag and time.
    bool HasSameSettings(const CWatermark& other) const;

    // The quad for an image of iw x ih pixels in the frame: tiled, else stretched, else placed.
    // A position outside 0 ... 8 puts the lower-left corner at (0, 0). Depth 0 in the
    // background pass, -0.9999 in the overlay pass.
    CWatermarkQuad Layout(const CWatermarkFrame& frame, int iw, int ih, bool backgroundPass) const;
    // The quad to draw: nothing without an image or when it cannot be decoded.
    std::optional<CWatermarkQuad> GetDrawQuad(const CWatermarkFrame& frame, bool backgroundPass);

    // The image decoded, fitted to the texture size limit and in 32-bit RGBA, made on first
    // need; null when there is no image or it cannot be decoded.
    orbisk::imageutils::ImageRep* GetDecodedImage();
    // The GL texture name the drawing made from the decoded image (0 when none). The model
    // view owns making it; the watermark drops it whenever what it shows changes.
    uint32_t GetTexture() const { return m_texture; }
    void SetTexture(uint32_t texture) { m_texture = texture; }
    // Deletes the GL texture (in the current context) and forgets it.
    void DropTexture();
    // Drops the texture; the next one is built at alphaScale x factor opacity, until EndFade.
    void PrepareFade(double factor);
    // Drops the texture; the next one has the watermark's own opacity.
    void EndFade();
    bool IsFading() const { return m_fading; }
    // The opacity the texture is built with: 1 unless faded or alphaScale is not 1, rounded to
    // single precision.
    float GetTextureOpacity() const;
    // Builds the GL texture (in the current context) when there is none: the decoded image as
    // it is, or a copy whose alpha is scaled by the texture opacity; with intensForAlpha the
    // copy's brightness becomes its transparency and the current model's background colour its
    // colour. False when there is no texture to draw with.
    bool EnsureTexture();
    // Draws the watermark as a textured quad in screen space over the view's frustum window:
    // behind everything in the background pass, in front of everything in the overlay pass.
    // Blended with its alpha, unlit, without depth test. The GL state (matrices, texturing,
    // blending, depth test, texture environment) is left as it was, and the view's lighting is
    // switched back on, as the model drawing expects.
    void Draw(IModelView* view, bool backgroundPass);

private:
    void DropDecodedImage();
    void ReadRecord(CArchive& ar);

    bool m_infoFound = false;
    std::wstring m_infoFileName;
    int32_t m_infoTime = 0;  // seconds since 1970, 32 bits as stored
    int32_t m_position = kCentre;
    bool m_tiled = false;
    bool m_stretched = true;
    bool m_maintainAR = true;
    bool m_background = false;
    bool m_intensForAlpha = false;
    double m_alphaScale = 1.0;
    double m_scale = 0.5;
    std::wstring m_name;
    CDibRef m_image;

    uint32_t m_useCount = 0;
    std::unique_ptr<orbisk::imageutils::ImageRep> m_decoded;
    bool m_decodingFailed = false;
    uint32_t m_texture = 0;
    bool m_fading = false;
    double m_fadeOpacity = 1.0;
};
