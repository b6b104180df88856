#include "platform/mfc/TextEncoding.h"

std::wstring AnsiToWide(std::string_view text)
{
    std::wstring wide(text.size(), L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        wide[i] = AnsiToWideChar(static_cast<unsigned char>(text[i]));
    return wide;
}

char WideCharToAnsi(wchar_t c)
{
    if (c >= 0 && (c < 0x80 || (c >= 0xA0 && c <= 0xFF)))
        return static_cast<char>(c);
    const auto& table = textencoding_detail::kCp1252High;
    for (size_t i = 0; i < table.size(); ++i) {
        if (static_cast<wchar_t>(table[i]) == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::string WideToAnsi(std::wstring_view text)
{
    std::string narrow(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        narrow[i] = WideCharToAnsi(text[i]);
    return narrow;
}

size_t Utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    // C0 and C1 could only start over-long forms, F5 and above only values beyond 10FFFF.
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

DecodedCharacter DecodeUtf8Character(std::string_view bytes)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const size_t length = Utf8SequenceLength(lead);
    if (length == 0)
        return {kReplacementCharacter, 1, false};
    // The second byte's range is what rules out over-long forms (after E0, F0), encoded
    // surrogates (after ED) and values above 10FFFF (after F4).
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const auto next = k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0;
        if (next < low || next > high)
            return {kReplacementCharacter, k, false};
        value = value << 6 | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return {value, length, true};
}

namespace {

// Shared by UTF-16 units and wide characters, since wide text may hold a pair too.
template <typename Unit>
DecodedCharacter DecodeSurrogates(std::basic_string_view<Unit> units)
{
    const auto first = static_cast<char32_t>(units[0]);
    const auto second = units.size() > 1 ? static_cast<char32_t>(units[1]) : char32_t{0};
    if (IsHighSurrogate(first) && IsLowSurrogate(second))
        return {0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00), 2, true};
    if (IsSurrogate(first) || first > 0x10FFFF)
        return {kReplacementCharacter, 1, false};
    return {first, 1, true};
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

}  // namespace

DecodedCharacter DecodeUtf16Character(std::u16string_view units)
{
    return DecodeSurrogates(units);
}

namespace {

void AppendWide(std::wstring& out, char32_t c)
{
    out += static_cast<wchar_t>(c);
}

// Every conversion is one walk: decode a character of the input by the one rule, append it.
template <typename Out, typename In, typename Decode, typename Append>
Out Transcode(In text, Decode decode, Append append)
{
    Out out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const DecodedCharacter c = decode(text.substr(i));
        append(out, c.value);
        i += c.length;
    }
    return out;
}

}  // namespace

std::string WideToUtf8(std::wstring_view text)
{
    return Transcode<std::string>(text, DecodeSurrogates<wchar_t>, AppendUtf8);
}

std::wstring Utf8ToWide(std::string_view text)
{
    return Transcode<std::wstring>(text, DecodeUtf8Character, AppendWide);
}

std::u16string WideToUtf16(std::wstring_view text)
{
    return Transcode<std::u16string>(text, DecodeSurrogates<wchar_t>, AppendUtf16);
}

std::wstring Utf16ToWide(std::u16string_view units)
{
    return Transcode<std::wstring>(units, DecodeSurrogates<char16_t>, AppendWide);
}
