#include "image/PLPnmDecoder.h"

#include "image/PLDataSource.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"

namespace {

// Larger than any side or sample a decodable image can have.
constexpr uint32_t kLargestNumber = 100000000;

bool IsBlank(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

PLPnmDecoder::PLPnmDecoder(const char* kind, char textDigit, char binaryDigit, const char* wrongIdentifier,
                           const char* format)
    : m_kind(kind),
      m_textDigit(textDigit),
      m_binaryDigit(binaryDigit),
      m_wrongIdentifier(wrongIdentifier),
      m_format(format)
{}

void PLPnmDecoder::ReadHeader(PLDataSource* source)
{
    CodecTraceF(2, "Decoding %s.\n", m_kind);
    m_pSource = source;
    const uint8_t* id = source->ReadBytes(2);
    if (id[0] != 'P' || (id[1] != m_textDigit && id[1] != m_binaryDigit))
        RaiseDecoderError(PLErr::FormatUnknown, "%s", m_wrongIdentifier);
    m_variant = id[1] == m_binaryDigit ? 1 : 0;
    const auto width = int32_t(ReadNumber());
    const auto height = int32_t(ReadNumber());
    const uint32_t maximum = ReadNumber();
    if (maximum > 65535)
        RaiseDecoderError(PLErr::FormatUnknown, "%s decoder: Maximum sample value out of range.", m_kind);
    m_maxValue = maximum == 0 ? 255 : int32_t(maximum);
    plread::CheckSides(*source, width, height);
    SetHeader({width, height}, {}, PLPixelFormat::FindByName(m_format));
}

uint32_t PLPnmDecoder::ReadNumber()
{
    uint8_t c = plread::Byte(*m_pSource);
    for (;;) {
        if (c == '#') {
            while (c != '\n' && c != '\r')
                c = plread::Byte(*m_pSource);
        } else if (!IsBlank(c)) {
            break;
        }
        c = plread::Byte(*m_pSource);
    }
    if (c < '0' || c > '9')
        RaiseDecoderError(PLErr::FormatUnknown, "%s decoder: Number expected.", m_kind);
    uint32_t value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + uint32_t(c - '0');
        if (value > kLargestNumber)
            RaiseDecoderError(PLErr::FormatUnknown, "%s decoder: Number too large.", m_kind);
        // The last sample of a text file may end the data without a separator.
        if (m_pSource->GetBytesLeft() == 0)
            break;
        c = plread::Byte(*m_pSource);
    }
    return value;
}
