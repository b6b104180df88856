#pragma once

#include "image/PLPicDecoder.h"

#include <cstdint>

// The part of the netpbm decoders (PGM, PPM) that the two share: the header and the
// scanner of text samples. Numbers are decimal; blanks (space, tab, line ends, vertical
// tab, form feed) separate them and '#' starts a comment that runs to the end of the line.
// Any other byte where a number should start is refused with code 2; a number ends at the
// first byte that is not a digit, which is consumed with it. Samples of up to 16 bits
// (a maximum above 255 means two big-endian bytes a sample) are scaled to 0..255.
class PLPnmDecoder : public PLPicDecoder {
public:
    void ReadHeader(PLDataSource* source) override;

protected:
    // kind names the decoder in error texts ("PGM", "PPM"); a header of another identifier
    // is refused with wrongIdentifier. Bitmaps get format.
    PLPnmDecoder(const char* kind, char textDigit, char binaryDigit, const char* wrongIdentifier,
                 const char* format);

    bool IsBinary() const { return m_variant == 1; }
    int BytesPerSample() const { return m_maxValue > 255 ? 2 : 1; }
    // The next text sample, scaled.
    uint8_t ReadTextSample() { return Scale(ReadNumber()); }
    // The sample of a binary row at in, scaled.
    uint8_t BinarySample(const uint8_t* in) const
    {
        return Scale(BytesPerSample() == 2 ? uint32_t(in[0] << 8 | in[1]) : in[0]);
    }

    PLDataSource* m_pSource = nullptr;

private:
    uint32_t ReadNumber();
    // Samples above the maximum count as the maximum.
    uint8_t Scale(uint32_t sample) const
    {
        return sample >= uint32_t(m_maxValue) ? 255 : uint8_t(sample * 255 / uint32_t(m_maxValue));
    }

    const char* m_kind;
    char m_textDigit;
    char m_binaryDigit;
    const char* m_wrongIdentifier;
    const char* m_format;
    int m_variant = 0;  // 0 text, 1 binary
    int32_t m_maxValue = 255;
};
