#pragma once
// Images drawn as textured quads in OpenGL: text images (black text on white, turned into an
// alpha texture that the current colour paints) and colour pictures (the background photo).
//
// OpenGL 1.x wants power-of-two textures within the card's size limit, so CGLImage pads a
// small image up to powers of two (shrinking it, when it is larger than the limit, into a
// texture of the limit drawn at the same size), and CGLTiledImage cuts a large one into
// power-of-two tiles (SplitIntoTiles).
//
// Pixels come as blue, green, red (and a fourth byte) per pixel, or one grey byte; an alpha
// image takes 255 minus each pixel's luminance, so black becomes opaque and white
// transparent. Textures are made and deleted in the GL context current at the time: the one
// the image is drawn in. No GL header is needed to use these classes.

#include <cstdint>
#include <vector>

// Cuts a length into tiles of power-of-two sizes: whole tiles of `startSize` first, then
// halving, where the last tile may overhang the length by up to `tolerance`, and a rest below
// `minimumSize` gets a tile of that size. Fills `sizes` (room for `capacity` entries) and
// `lastUsed` (the part of the last tile the length covers); returns the tile count, or minus
// the tiles placed when the table filled up before the length was covered. A length of 0 or
// less gives no tile.
int SplitIntoTiles(int length, int* sizes, int* lastUsed, int capacity, int startSize, int minimumSize,
                   int tolerance);

class CGLImageBase {
public:
    virtual ~CGLImageBase() = default;

    virtual bool IsLoaded() const = 0;
    // Deletes the textures; the image is empty again (format 0, size 0, scale 1).
    virtual void Release() = 0;
    // Replaces the image by an alpha image of width x height pixels of 8 (grey), 24 or 32
    // bits, rows `stride` bytes apart (0: unpadded), the first row drawn at the bottom unless
    // `flip`; `scale` is the drawn size of one pixel. Null pixels, a size below 1 or another
    // depth leave the image empty. The pixels are only read.
    virtual void Load(int width, int height, const uint8_t* pixels, int bitsPerPixel, int stride, bool flip,
                      double scale, bool mipmaps) = 0;
    // The scale is finite and not 0.
    virtual bool IsScaleValid() const;
    // The quad from (0, 0) to (width x scale, height x scale) in the z = 0 plane of the current
    // model-view frame, textured for the quad only.
    virtual void Draw() = 0;

    // An alpha image in two passes: its fully opaque texels with depth writes, then its
    // partly transparent ones blended without them, so that soft edges do not punch holes in
    // the depth buffer. Other images are just drawn. GL state is restored.
    void DrawAlphaTwoPass();

    // 0 when empty, else GL_ALPHA, GL_BGR or GL_BGRA.
    uint32_t GetFormat() const { return m_format; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    double GetScale() const { return m_scale; }
    // Linear filtering; takes effect at the next Load.
    bool IsSmooth() const { return m_smooth; }
    void SetSmooth(bool smooth) { m_smooth = smooth; }

protected:
    void ResetFields();

    uint32_t m_format = 0;
    int m_width = 0;
    int m_height = 0;
    double m_scale = 1.0;
    bool m_smooth = false;
};

class CGLImage : public CGLImageBase {
public:
    CGLImage() = default;
    CGLImage(const CGLImage&) = delete;
    CGLImage& operator=(const CGLImage&) = delete;
    ~CGLImage() override;

    bool IsLoaded() const override { return m_texture != 0; }
    void Release() override;
    void Load(int width, int height, const uint8_t* pixels, int bitsPerPixel, int stride, bool flip,
              double scale, bool mipmaps) override;
    void Draw() override;

    uint32_t GetTexture() const { return m_texture; }
    int GetTextureWidth() const { return m_textureWidth; }
    int GetTextureHeight() const { return m_textureHeight; }

private:
    uint32_t m_texture = 0;
    int m_textureWidth = 0;
    int m_textureHeight = 0;
    // The image's extent in texture coordinates.
    double m_extentS = 0.0;
    double m_extentT = 0.0;
};

class CGLTiledImage : public CGLImageBase {
public:
    static constexpr int kMaxTiles = 24;

    CGLTiledImage() = default;
    CGLTiledImage(const CGLTiledImage&) = delete;
    CGLTiledImage& operator=(const CGLTiledImage&) = delete;
    ~CGLTiledImage() override;

    bool IsLoaded() const override { return !m_textures.empty(); }
    void Release() override;
    // Tiles of at most 1024 (or the texture size limit, when smaller) pixels a side; a picture
    // that needs more than kMaxTiles in either direction gets no textures.
    void Load(int width, int height, const uint8_t* pixels, int bitsPerPixel, int stride, bool flip,
              double scale, bool mipmaps) override;
    // A colour picture (scale 1) of 8, 24 or 32 bits, rows unpadded, the first row drawn at the
    // bottom: BGRA tiles when alpha is wanted, else BGR. A missing alpha byte and the tiles'
    // texels beyond the picture take the fill byte.
    void LoadColour(int width, int height, const uint8_t* pixels, int bitsPerPixel, bool alpha, uint8_t fill,
                    bool mipmaps);
    // Tile rows stacked upward from y = 0, columns rightward from x = 0.
    void Draw() override;

    int GetRowCount() const { return m_rowCount; }
    int GetColumnCount() const { return m_columnCount; }
    int GetTileHeight(int row) const { return m_tileHeights[row]; }
    int GetTileWidth(int column) const { return m_tileWidths[column]; }
    int GetLastRowUsed() const { return m_lastRowUsed; }
    int GetLastColumnUsed() const { return m_lastColumnUsed; }
    // Row by row; empty when not loaded.
    const std::vector<uint32_t>& GetTextures() const { return m_textures; }

private:
    struct TileSource;
    // Lays out the tiles; false (and no layout) when the picture needs too many.
    bool LayOutTiles(int width, int height);
    void UploadTiles(const TileSource& source, bool mipmaps);

    int m_tileHeights[kMaxTiles] = {};
    int m_tileWidths[kMaxTiles] = {};
    int m_rowCount = 0;
    int m_columnCount = 0;
    int m_lastRowUsed = 0;
    int m_lastColumnUsed = 0;
    std::vector<uint32_t> m_textures;
};
