#pragma once
// NPREdge: the stroke set of a style, the look of hand-drawn edges: a small library of stroke
// images (several variants for each of a few prototype lengths, in pixels) with the width of the
// strokes, the halo at breaks and the dropout and fade settings. A style property holds it by
// its reference count.
//
// The images are held in texture form: white pixels whose alpha is the darkness of the stroke.
// They are turned into that form when read and back into opaque grey pictures when written.
// Image v of length index k is image v + numProtos x k.
//
// A stroke set read from a file may be unusable: no variants, no positive width, or fewer
// images than lengths x variants. Such a set offers no stroke image at all (the edges are drawn
// without strokes) rather than indexing past what it holds.
//
// The GL textures of the images belong to the drawing code, which asks GetStrokeImageIndex for
// the image of a stroke.

#include <cstdint>
#include <vector>

#include "database/Dib.h"
#include "support/XMLSerializableObjectBase.h"

namespace orbisk {

class NPREdge : public XMLSerializableObjectBase {
public:
    static constexpr int32_t kDefaultWidth = 16;
    static constexpr int32_t kDefaultHaloLength = 6;
    static constexpr double kDefaultDropoutLength = 0.01;
    static constexpr double kDefaultFadeFactor = 1.5;
    // Older data gives the dropout and the fade as pixels of a 2200-pixel reference.
    static constexpr double kLegacyPixelScale = 2200.0;

    NPREdge() = default;
    // Copies the settings and the lengths, and makes a copy of every image.
    NPREdge(const NPREdge& other);
    NPREdge& operator=(const NPREdge&) = delete;
    ~NPREdge() override;

    // The element "nprEdge" of the npr namespace.
    static const XMLSerializableClassInfo& ClassInfo();
    const XMLSerializableClassInfo& GetClassInfo() const override { return ClassInfo(); }
    // Attributes dropoutLength, fadeFactor, width, useHalo, haloLength, numProtos; the lengths;
    // the images as references to files beside the document, as opaque grey pictures.
    bool WriteXML(IXMLOutput& output) override;
    // False when the width, the variant count, every length or an image is missing; what could
    // be read is kept.
    bool ReadXML(IXMLInput& input) override;

    // Accepted in 0..1; false, keeping the old value, otherwise.
    bool SetDropoutLength(double dropoutLength);
    // Accepted when 1 or more.
    bool SetFadeFactor(double fadeFactor);
    // The legacy pixel forms, through the setters above; a fade needs a dropout other than 0.
    void SetDropoutLengthPixels(int32_t pixels);
    void SetFadeLengthPixels(int32_t pixels);

    void SetWidth(int32_t width) { m_width = width; }
    void SetUseHalo(bool useHalo) { m_useHalo = useHalo; }
    void SetHaloLength(int32_t haloLength) { m_haloLength = haloLength; }
    void SetNumProtos(int32_t numProtos) { m_numProtos = numProtos; }
    void SetLengths(const std::vector<int32_t>& lengths) { m_lengths = lengths; }
    // Releases the images held before and holds each of these (null entries are kept as null).
    void SetImages(const std::vector<CDib*>& images);

    int32_t GetWidth() const { return m_width; }
    bool GetUseHalo() const { return m_useHalo; }
    int32_t GetHaloLength() const { return m_haloLength; }
    int32_t GetNumProtos() const { return m_numProtos; }
    double GetDropoutLength() const { return m_dropoutLength; }
    double GetFadeFactor() const { return m_fadeFactor; }
    const std::vector<int32_t>& GetLengths() const { return m_lengths; }
    int GetLengthCount() const { return static_cast<int>(m_lengths.size()); }
    // Lengths x variants: the images the set should hold.
    int GetImageCount() const;
    // The images it holds; null past the end.
    int GetStoredImageCount() const { return static_cast<int>(m_images.size()); }
    CDib* GetImage(int index) const;

    // A positive width, at least one length and one variant, and an image for every length and
    // variant: only such a set draws strokes.
    bool HasUsableStrokes() const;
    // The image of the variant (taken modulo the variant count) for the prototype length nearest
    // to the length (distances truncated to whole pixels, ties keep the earlier length); -1 when
    // the set has no usable strokes or that image is null.
    int GetStrokeImageIndex(double length, uint32_t variant) const;

    // Width, variants, halo and lengths equal, dropout and fade within 0.001; images are not
    // compared.
    bool Equals(const NPREdge& other) const;

private:
    void ReleaseImages();
    bool ReadImagesXML(IXMLInput& input);

    int32_t m_width = kDefaultWidth;
    std::vector<int32_t> m_lengths;
    int32_t m_numProtos = 0;
    std::vector<CDibRef> m_images;
    bool m_useHalo = true;
    int32_t m_haloLength = kDefaultHaloLength;
    double m_dropoutLength = kDefaultDropoutLength;
    double m_fadeFactor = kDefaultFadeFactor;
};

}  // namespace orbisk
