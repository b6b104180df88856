#include "image/PLAnyPicDecoder.h"

#include "image/PLBmpDecoder.h"
#include "image/PLDataSource.h"
#include "image/PLGIFDecoder.h"
#include "image/PLIFF85Decoder.h"
#include "image/PLJPEGDecoder.h"
#include "image/PLPCXDecoder.h"
#include "image/PLPGMDecoder.h"
#include "image/PLPNGDecoder.h"
#include "image/PLPPMDecoder.h"
#include "image/PLPSDDecoder.h"
#include "image/PLPictDecoder.h"
#include "image/PLSGIDecoder.h"
#include "image/PLTGADecoder.h"
#include "image/PLTIFFDecoder.h"
#include "image/PLTextException.h"
#include "image/PLWEMFDecoder.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

constexpr size_t kPeekSize = 1024;

const char* const kRecognised[] = {
    nullptr,
    "Windows bitmap recognized.\n",
    "Mac PICT recognized.\n",
    "TGA file recognized.\n",
    "TIFF file recognized.\n",
    "JPEG file recognized.\n",
    "PNG file recognized.\n",
    "TIFF preview in EPS file recognized.\n",
    "WMF file recognized.\n",
    "EMF file recognized.\n",
    "PCX file recognized.\n",
    "PGM file recognized.\n",
    "GIF file recognized.\n",
    "PPM file recognized.\n",
    "PSD file recognized.\n",
    "SGI RGB file recognized.\n",
    "EA IFF-85 file recognized.\n",
};

template <class Char>
char AsciiUpper(Char c)
{
    const auto code = static_cast<std::make_unsigned_t<Char>>(c);
    if (code >= 'a' && code <= 'z')
        return char(code - 'a' + 'A');
    return code < 128 ? char(code) : 0;
}

// Case-blind search for an ASCII extension in a narrow or wide name.
template <class Char>
bool NameContains(const std::basic_string<Char>& name, const char* part)
{
    const size_t length = strlen(part);
    for (size_t start = 0; start + length <= name.size(); ++start) {
        size_t i = 0;
        while (i < length && AsciiUpper(name[start + i]) == part[i])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

template <class Char>
int TypeFromName(const std::basic_string<Char>& name)
{
    if (NameContains(name, ".WMF"))
        return PLAnyPicDecoder::WMF;
    if (NameContains(name, ".EMF"))
        return PLAnyPicDecoder::EMF;
    return PLAnyPicDecoder::Unknown;
}

uint32_t Little32(const uint8_t* b)
{
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

bool OneOf(uint8_t value, std::initializer_list<uint8_t> values)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

bool Starts(const uint8_t* b, size_t n, const char* text, size_t length)
{
    return n >= length && std::memcmp(b, text, length) == 0;
}

bool IsBMP(const uint8_t* b, size_t n)
{
    for (const char* tag : {"BA", "BM", "IC", "CI", "CP"}) {
        if (Starts(b, n, tag, 2))
            return true;
    }
    return false;
}

bool IsTGA(const uint8_t* b, size_t n)
{
    return n > 16 && b[1] <= 1 && OneOf(b[2], {0, 1, 2, 3, 9, 10, 11}) &&
           OneOf(b[7], {0, 8, 15, 16, 24, 32}) && OneOf(b[16], {8, 15, 16, 24, 32});
}

bool IsPICT(const uint8_t* b, size_t n)
{
    // The picture follows a 512-byte preamble; its version opcode sits at offset 522.
    if (n <= 540)
        return false;
    const uint8_t* v = b + 522;
    return (v[0] == 0x00 && v[1] == 0x11 && v[2] == 0x02 && v[3] == 0xFF) ||
           (v[0] == 0x00 && v[1] == 0x11 && v[2] == 0x01) ||
           (v[0] == 0x11 && v[1] == 0x01 && v[2] == 0x01 && v[3] == 0x00);
}

bool IsEPSWithPreview(const uint8_t* b, size_t n)
{
    if (n < 28)
        return false;
    const bool magic =
        std::memcmp(b, "\xC5\xD0\xD3\xC6", 4) == 0 || std::memcmp(b, "\xC6\xD3\xD0\xC5", 4) == 0;
    return magic && Little32(b + 20) != 0 && Little32(b + 24) != 0;
}

}  // namespace

PLAnyPicDecoder::PLAnyPicDecoder()
    : m_pBmpDec(std::make_unique<PLBmpDecoder>()),
      m_pTGADec(std::make_unique<PLTGADecoder>()),
      m_pTIFFDec(std::make_unique<PLTIFFDecoder>()),
      m_pJPEGDec(std::make_unique<PLJPEGDecoder>()),
      m_pPictDec(std::make_unique<PLPictDecoder>(m_pJPEGDec.get())),
      m_pPNGDec(std::make_unique<PLPNGDecoder>()),
      m_pWEMFDec(std::make_unique<PLWEMFDecoder>()),
      m_pPCXDec(std::make_unique<PLPCXDecoder>()),
      m_pPGMDec(std::make_unique<PLPGMDecoder>()),
      m_pGIFDec(std::make_unique<PLGIFDecoder>()),
      m_pPPMDec(std::make_unique<PLPPMDecoder>()),
      m_pPSDDec(std::make_unique<PLPSDDecoder>()),
      m_pSGIDec(std::make_unique<PLSGIDecoder>()),
      m_pIFF85Dec(std::make_unique<PLIFF85Decoder>())
{}

PLAnyPicDecoder::~PLAnyPicDecoder()
{
    Close();
}

int PLAnyPicDecoder::DetectFileType(const uint8_t* b, size_t n)
{
    if (IsBMP(b, n))
        return BMP;
    if (IsTGA(b, n))
        return TGA;
    if (Starts(b, n, "GIF8", 4))
        return GIF;
    if (Starts(b, n, "II\x2A\x00", 4) || Starts(b, n, "MM\x00\x2A", 4))
        return TIFF;
    if (Starts(b, n, "\x89PNG", 4))
        return PNG;
    if (IsPICT(b, n))
        return PICT;
    if (Starts(b, n, "\xFF\xD8\xFF", 3))
        return JPEG;
    if (IsEPSWithPreview(b, n))
        return EPSTIFF;
    if (n > 2 && b[0] == 0x0A && b[2] == 1)
        return PCX;
    if (n > 1 && b[0] == 'P' && (b[1] == '2' || b[1] == '5'))
        return PGM;
    if (n > 1 && b[0] == 'P' && (b[1] == '3' || b[1] == '6'))
        return PPM;
    if (Starts(b, n, "8BPS", 4))
        return PSD;
    if (n > 1 && b[0] == 0x01 && b[1] == 0xDA)
        return SGI;
    if (Starts(b, n, "FORM", 4))
        return IFF85;
    return Unknown;
}

PLPicDecoder* PLAnyPicDecoder::DecoderFor(int type) const
{
    switch (type) {
        case BMP: return m_pBmpDec.get();
        case PICT: return m_pPictDec.get();
        case TGA: return m_pTGADec.get();
        case TIFF:
        case EPSTIFF: return m_pTIFFDec.get();
        case JPEG: return m_pJPEGDec.get();
        case PNG: return m_pPNGDec.get();
        case WMF:
        case EMF: return m_pWEMFDec.get();
        case PCX: return m_pPCXDec.get();
        case PGM: return m_pPGMDec.get();
        case GIF: return m_pGIFDec.get();
        case PPM: return m_pPPMDec.get();
        case PSD: return m_pPSDDec.get();
        case SGI: return m_pSGIDec.get();
        case IFF85: return m_pIFF85Dec.get();
        default: return nullptr;
    }
}

void PLAnyPicDecoder::ReadHeader(PLDataSource* source)
{
    m_pCurDec = nullptr;
    m_type = source->NameIsWide() ? TypeFromName(source->GetWideName()) : TypeFromName(source->GetName());
    const size_t count = std::min(source->GetBytesLeft(), kPeekSize);
    const uint8_t* bytes = source->PeekBytes(count);
    if (m_type == Unknown)
        m_type = DetectFileType(bytes, count);
    if (m_type == Unknown)
        RaiseDecoderError(PLErr::UnknownFileType, "Unknown file type.");
    CodecTrace(2, kRecognised[m_type]);
    PLPicDecoder* decoder = DecoderFor(m_type);
    if (!decoder)
        RaiseDecoderError(PLErr::NotCompiled, "Library not compiled for this file type.");
    if (m_type == EPSTIFF)
        source->ReadBytes(Little32(bytes + 20));
    m_pCurDec = decoder;
    decoder->ReadHeader(source);
    CopyHeader(*decoder);
}

void PLAnyPicDecoder::ReadPixels(PLBmp& bmp)
{
    m_pCurDec->ReadPixels(bmp);
    CopyHeader(*m_pCurDec);
}

bool PLAnyPicDecoder::CanReadPixelsAs(const PLPixelFormat& format) const
{
    return m_pCurDec && m_pCurDec->CanReadPixelsAs(format);
}

void PLAnyPicDecoder::Close()
{
    if (m_pCurDec)
        m_pCurDec->Close();
    m_pCurDec = nullptr;
    PLPicDecoder::Close();
}
