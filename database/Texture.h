#pragma once
// CTexture: the image of a textured material: the encoded image (CDib, one counted reference),
// the size of one copy of the image in model units (the x and y scales: texture coordinates
// generated from the S and T planes are divided by them), the image file's name, its average
// colour and a colour adjustment (tint, hue shift, opacity). It makes its OpenGL texture on
// first bind, caches it, and sets up texture-coordinate generation for the immediate drawing.
//
// The GL texture belongs to the context that was current when it was made: whoever draws into
// another context deletes it first. It is deleted whenever the image or the colour adjustment
// changes and when the texture is erased, never by the destructor (which may run with another
// context current).
//
// A texture posts "Material Notification" through its parent material: code 2 when a scale
// changes, 4 after an exchange of contents; without a parent material it posts nothing.

#include <cstdint>
#include <memory>

#include "database/Dib.h"
#include "database/Entity.h"
#include "support/Color.h"
#include "support/XMLSerializableObject.h"

namespace orbisk {
class XMLSerializableClassInfo;
}
namespace orbisk::geometry {
class CPlane3d;
}
namespace orbisk::imageutils {
class ImageRep;
}

class CTexture : public CEntity, public orbisk::IXMLSerializableObject {
    DECLARE_SERIAL(CTexture)
public:
    using CColor = orbisk::utils::CColor;
    using ImageRep = orbisk::imageutils::ImageRep;

    // One copy of the image covers one foot (scales are in inches).
    static constexpr double kDefaultScale = 1.0 / 12.0;

    CTexture() = default;
    // The undo snapshot: scales, file name and average colour; no image, no GL texture.
    CTexture(const CTexture& other);
    CTexture& operator=(const CTexture&) = delete;

    // By the schema of CTexture in the file: the entity record (5 and later); the image, as an
    // object reference (6 and later, and below 2) or as a flag and the image's own record in
    // place (2 to 5); the x and y scales; the file name; the average colour (1 and later); two
    // ignored values (3 only). An image without encoded bytes is dropped; a schema 0 texture
    // takes its average colour from its image.
    void Serialize(CArchive& ar) override;
    // Deletes the GL texture, then the entity's erase.
    void Erase() override;
    CEntity* CreateCopy() const override;
    // Exchanges the scales, the file name and the average colour (the image stays).
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityTexture; }

    // The XML element "texture" of the material namespace: "textureFilename", "xScale",
    // "yScale", "avgColor" (the colour's 32-bit value), then the image as a reference to a
    // file of the current document persister.
    static const orbisk::XMLSerializableClassInfo& ClassInfo();
    const orbisk::XMLSerializableClassInfo& GetClassInfo() const override { return ClassInfo(); }
    bool WriteXML(orbisk::IXMLOutput& output) override;
    // False when a value or the image is missing; the others are still read.
    bool ReadXML(orbisk::IXMLInput& input) override;
    bool PrepareWrite(const std::wstring&) override { return true; }

    double GetXScale() const { return m_xScale; }
    double GetYScale() const { return m_yScale; }
    void SetXScale(double scale);
    void SetYScale(double scale);
    CDib* GetImage() const { return m_image.Get(); }
    // Holds one reference to the new image and releases the old one.
    void SetImage(CDib* image);
    const CString& GetFileName() const { return m_fileName; }
    // Compared ignoring case.
    void SetFileName(const CString& name);
    CColor GetAverageColor() const { return m_averageColor; }
    void SetAverageColor(CColor color);
    // The image's size; 0 without an image.
    int GetWidth() const;
    int GetHeight() const;

    // Tint (no colour: none), whether the tint shifts the hue, and the transparency (0 to 1)
    // that becomes the opacity. The average colour becomes the tint, or the image's own.
    void SetColorize(CColor tint, bool shiftHue, double transparency);
    // The hue (only with hue shifting), lightness and saturation that carry the image's
    // average colour to the tint.
    void ComputeColorizeDeltas(double& hue, double& lightness, double& saturation) const;
    uint8_t GetOpacity() const { return m_opacity; }

    // The pixels to upload: the image's own, or (owned set) an adjusted copy when a resize to
    // the GL size rule, a colour adjustment, an opacity below 255 or a grey image needs one.
    // An alpha of -1 is the texture's opacity. Null without decodable image.
    const ImageRep* PrepareImage(int alpha, bool allowResize, std::unique_ptr<ImageRep>& owned);
    // A new GL texture from the prepared image: opaque, or with the opacity (useOpacity), or
    // with the opacity times the factor (scaleOpacity). 0 without image.
    uint32_t CreateGLTexture(bool mipmap, bool useOpacity, bool scaleOpacity, double factor);
    uint32_t GetGLTexture() const { return m_glTexture; }
    void DeleteGLTexture();
    // Enables texturing, makes the GL texture on first use and binds it, and turns on the
    // generation of S and T. True when a texture is bound.
    bool BindGLTexture(bool mipmap, bool useOpacity, bool scaleOpacity, double factor);
    // Object-linear S and T from the planes, scaled by the texture's scales (T flipped: image
    // rows run downwards) on the texture matrix, which EndTexture pops.
    void BeginTexGen(const orbisk::geometry::CPlane3d& sPlane, const orbisk::geometry::CPlane3d& tPlane);
    // Turns texturing and the generation off, unbinds the texture and pops the texture matrix.
    void EndTexture();

    // Same file name (case-sensitive), size, scales and average colour, and equal pixels when
    // both images decode to different representations.
    bool IsSameAs(const CTexture& other) const;

private:
    void ReadRecord(CArchive& ar);
    void ReadImageInPlace(CArchive& ar);
    void WriteRecord(CArchive& ar);
    int CheckOwnValidity(int level);
    int CheckScale(int level, double& scale, const char* message);
    void Announce(int32_t code);

    uint32_t m_glTexture = 0;
    // GL_TEXTURE_1D for an image one pixel high, else GL_TEXTURE_2D.
    uint32_t m_glTarget = 0;
    CColor m_colorize;
    bool m_shiftHue = true;
    uint8_t m_opacity = 255;
    CString m_fileName;
    CDibRef m_image;
    double m_xScale = kDefaultScale;
    double m_yScale = kDefaultScale;
    CColor m_averageColor;
};
