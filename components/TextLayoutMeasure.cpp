#include "components/TextLayoutMeasure.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "support/StringUtils.h"
#include "support/SystemQueries.h"

namespace {

struct ResolvedFace {
    std::string file;
    std::string family;
    int index = 0;
};

ResolvedFace Resolve(const CString& face, bool bold, bool italic)
{
    ResolvedFace resolved;
    if (!FcInit())
        return resolved;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return resolved;
    const std::string name = orbisk::utils::ToUtf8(std::wstring_view(face.GetString()));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match) {
        FcChar8* file = nullptr;
        FcChar8* family = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
            resolved.file = reinterpret_cast<const char*>(file);
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family)
            resolved.family = reinterpret_cast<const char*>(family);
        FcPatternGetInteger(match, FC_INDEX, 0, &resolved.index);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return resolved;
}

// The FreeType library and the faces opened so far, for the life of the process.
class FaceStore {
public:
    ~FaceStore()
    {
        for (auto& entry : m_faces) {
            if (entry.second)
                FT_Done_Face(entry.second);
        }
        if (m_library)
            FT_Done_FreeType(m_library);
    }

    static FaceStore& Get()
    {
        static FaceStore store;
        return store;
    }

    // Null when no face can be opened; a failure is remembered too.
    FT_Face Find(const CString& face, bool bold, bool italic)
    {
        const std::string key = orbisk::utils::ToUtf8(std::wstring_view(face.GetString())) + '\n' +
                                (bold ? 'b' : '-') + (italic ? 'i' : '-');
        auto found = m_faces.find(key);
        if (found != m_faces.end())
            return found->second;
        FT_Face opened = nullptr;
        const ResolvedFace resolved = Resolve(face, bold, italic);
        if (!resolved.file.empty() && Library() &&
            FT_New_Face(m_library, resolved.file.c_str(), resolved.index, &opened) != 0)
            opened = nullptr;
        if (opened && !FT_IS_SCALABLE(opened)) {
            FT_Done_Face(opened);
            opened = nullptr;
        }
        m_faces.emplace(key, opened);
        return opened;
    }

private:
    FaceStore() = default;

    FT_Library Library()
    {
        if (!m_library && FT_Init_FreeType(&m_library) != 0)
            m_library = nullptr;
        return m_library;
    }

    FT_Library m_library = nullptr;
    std::map<std::string, FT_Face> m_faces;
};

// Lines as the rasteriser breaks them.
std::vector<std::wstring_view> BreakLines(std::wstring& text)
{
    std::wstring normal;
    normal.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
            normal += L'\n';
            ++i;
        } else if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            normal += L'\n';
            ++i;
        } else {
            normal += text[i];
        }
    }
    text.swap(normal);
    std::vector<std::wstring_view> lines;
    std::wstring_view rest(text);
    for (;;) {
        const size_t end = rest.find(L'\n');
        lines.push_back(rest.substr(0, end));
        if (end == std::wstring_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return lines;
}

int ScaledUp(int designUnits, int emPixels, int unitsPerEm)
{
    return static_cast<int>(std::ceil(static_cast<double>(std::abs(designUnits)) * emPixels / unitsPerEm));
}

// Ascent plus descent in whole pixels, from the Windows metrics of the face when it has them.
int LineHeight(FT_Face face, int emPixels)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const int unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        return ScaledUp(os2->usWinAscent, emPixels, unitsPerEm) +
               ScaledUp(os2->usWinDescent, emPixels, unitsPerEm);
    return ScaledUp(face->ascender, emPixels, unitsPerEm) + ScaledUp(face->descender, emPixels, unitsPerEm);
}

// Every glyph advances by its width rounded to whole pixels, without kerning, as GDI draws.
int LineWidth(FT_Face face, std::wstring_view line)
{
    long width = 0;
    for (const wchar_t c : line) {
        const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            continue;
        width += (face->glyph->linearHoriAdvance + 0x8000) >> 16;
    }
    return static_cast<int>(std::min<long>(width, 1L << 24));
}

}  // namespace

int PointsToPixels(int pointSize)
{
    const long dpi = orbisk::utils::GetScreenDpi();
    return static_cast<int>((static_cast<long>(pointSize) * dpi + 36) / 72);
}

FT_FaceRec_* FindFontFace(const CString& face, bool bold, bool italic)
{
    return FaceStore::Get().Find(face, bold, italic);
}

std::string ResolveFontFile(const CString& face, bool bold, bool italic)
{
    return Resolve(face, bold, italic).file;
}

std::string ResolveFontFamily(const CString& face, bool bold, bool italic)
{
    return Resolve(face, bold, italic).family;
}

bool MeasureText(const wchar_t* text, int /*justification*/, const CString& faceName, bool bold, bool italic,
                 int pointSize, CTextMeasure& out)
{
    out = {};
    if (pointSize <= 0)
        return false;
    FT_Face face = FaceStore::Get().Find(faceName, bold, italic);
    const int emPixels = PointsToPixels(pointSize);
    if (!face || emPixels <= 0 || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(emPixels)) != 0)
        return false;
    std::wstring copy(text ? text : L"");
    if (copy.empty())
        return true;
    const std::vector<std::wstring_view> lines = BreakLines(copy);
    int widest = 0;
    for (const std::wstring_view line : lines)
        widest = std::max(widest, LineWidth(face, line));
    int width = (widest + 3) / 4 * 4;
    if (italic)
        width = (emPixels / 2 + width + 3) / 4 * 4;
    out.width = width;
    out.height = LineHeight(face, emPixels) * static_cast<int>(lines.size());
    return true;
}
