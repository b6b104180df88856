#pragma once

#include "image/PLPicDecoder.h"
#include "image/PLPixel32.h"

#include <cstdint>
#include <vector>

// The merged image of Photoshop files, uncompressed or PackBits-compressed: greyscale
// ("L8"), indexed ("I8") and RGB ("X8R8G8B8", "A8R8G8B8" with a fourth channel), 8 or 16
// bits per channel (of 16, the high byte is kept). Layers are read past, never decoded.
class PLPSDDecoder : public PLPicDecoder {
public:
    void Close() override;
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

    struct Header {
        char signature[4] = {};
        uint16_t version = 0;
        uint16_t channels = 0;
        uint32_t rows = 0;
        uint32_t columns = 0;
        uint16_t depth = 0;
        uint16_t mode = 0;
    };
    struct LayerChannel {
        int16_t id = 0;
        uint32_t length = 0;
    };
    struct Layer {
        int32_t top = 0, left = 0, bottom = 0, right = 0;
        std::vector<LayerChannel> channels;
        char blendSignature[4] = {};
        char blendKey[4] = {};
        uint8_t opacity = 0;
        uint8_t clipping = 0;
        uint8_t flags = 0;
        uint32_t extraLength = 0;
    };

private:
    void ReadResources(PLDataSource& source);
    void ReadLayers(PLDataSource& source);
    void StoreRow(PLBmp& bmp, int channel, int32_t row, const uint8_t* samples) const;

    Header m_header;
    PLPixel32 m_palette[256];
    PLPoint m_resolution;
    size_t m_layerStart = 0;
    uint32_t m_layerLength = 0;
    std::vector<Layer> m_layers;
    PLDataSource* m_pSource = nullptr;
};
