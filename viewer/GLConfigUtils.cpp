#include "viewer/GLConfigUtils.h"

#include "database/UndoLog.h"
#include "database/UndoManager.h"
#include "platform/win32/Registry.h"
#include "support/PathUtils.h"
#include "support/StringUtils.h"
#include "support/SystemQueries.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <fstream>

namespace GLConfigUtils {

namespace {

constexpr int kProgramMajorVersion = 8;
// The trace's line buffer, terminating null included.
constexpr std::size_t kTraceBufferSize = 1000;

int g_useFastFeedback = 1;
GLConfigRecord g_defaultConfig;
GLConfigRecord g_currentConfig;
GLConfigRecord g_activeConfig;
// Set while a sort by format number runs: PixelFormatLess then orders by number.
bool g_orderByNumber = false;
bool g_traceStarted = false;

std::wstring FormKeyPath()
{
    wchar_t path[128];
    std::swprintf(path, std::size(path), L"Software\\Quenta\\Zephyron%d\\GLConfig\\Display",
                  kProgramMajorVersion);
    return path;
}

int ColorSum(const PIXELFORMATDESCRIPTOR& pfd)
{
    return pfd.cRedBits + pfd.cGreenBits + pfd.cBlueBits;
}

int ColorAlphaSum(const PIXELFORMATDESCRIPTOR& pfd)
{
    return ColorSum(pfd) + pfd.cAlphaBits;
}

HKEY OpenConfigKey(REGSAM access)
{
    HKEY key = nullptr;
    return RegOpenKeyEx(HKEY_CURRENT_USER, GetConfigKeyPath().c_str(), 0, access, &key) == ERROR_SUCCESS
               ? key
               : nullptr;
}

bool QueryDword(HKEY key, const wchar_t* name, int& value)
{
    DWORD data = 0;
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = static_cast<int>(data);
    return true;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string GLText(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

// The fields of a known-cards line: runs of "|" separate, leading ones are skipped.
std::vector<std::string> SplitCardLine(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t position = 0;
    while (fields.size() < 4) {
        position = line.find_first_not_of('|', position);
        if (position == std::string::npos)
            break;
        const std::size_t end = line.find('|', position);
        fields.push_back(
            line.substr(position, end == std::string::npos ? std::string::npos : end - position));
        position = end;
    }
    return fields;
}

const char* SwapMethodName(const PIXELFORMATDESCRIPTOR& pfd)
{
    if (pfd.dwFlags & PFD_SWAP_COPY)
        return "WGL_SWAP_COPY_ARB\n";
    if (pfd.dwFlags & PFD_SWAP_EXCHANGE)
        return "WGL_SWAP_EXCHANGE_ARB\n";
    return "WGL_SWAP_UNDEFINED_ARB\n";
}

// Asks the extension's choice and appends the format it gives when it swaps as asked.
void AppendARBChoice(IPixelFormatProvider& dc, const PixelFormatQueryARB& query, int level,
                     PixelFormatCandidateList& list)
{
    const int format = ChoosePixelFormatARB(dc, query);
    if (format == 0) {
        GLTrace("wglChoosePixelFormatARB did NOT find PF.\n");
        return;
    }
    PixelFormatCandidate candidate;
    if (!dc.DescribePixelFormat(format, &candidate.pfd))
        return;
    GLTrace("%s", SwapMethodName(candidate.pfd));
    if (((candidate.pfd.dwFlags & PFD_SWAP_COPY) != 0) != query.swapCopy)
        return;
    candidate.format = format;
    candidate.multisampleLevel = level;
    list.push_back(candidate);
}

}  // namespace

const std::wstring& GetConfigKeyPath()
{
    static const std::wstring path = FormKeyPath();
    return path;
}

void InitConfigKey()
{
    (void)GetConfigKeyPath();
    g_currentConfig = g_defaultConfig;
}

GLConfigRecord* GetDefaultConfig()
{
    return &g_defaultConfig;
}

GLConfigRecord* GetCurrentConfig()
{
    return &g_currentConfig;
}

GLConfigRecord* GetActiveConfig()
{
    return &g_activeConfig;
}

void CommitActiveConfig()
{
    g_currentConfig = g_activeConfig;
}

int GetUseFastFeedback()
{
    return g_useFastFeedback;
}

void SetUseFastFeedback(int useFastFeedback)
{
    g_useFastFeedback = useFastFeedback;
}

int GetActivePixelFormat(IPixelFormatProvider& dc, bool* settingsReset)
{
    if (settingsReset)
        *settingsReset = false;
    GLTrace(">GetActivePixelFormat\n");

    GLConfigRecord request{0, 0, 24, 8, 16, 8, g_useFastFeedback};
    if (LoadConfig(request)) {
        g_activeConfig = request;
        GLTrace("Got PF= %d from registry\n", request.pixelFormat);
    }

    if (g_activeConfig.pixelFormat > 0) {
        if (IsValidPixelFormatInfo(dc, g_activeConfig)) {
            GLTrace("GLConfigUtils::GetActivePixelFormat ... returning specified format %d\n",
                    g_activeConfig.pixelFormat);
            return g_activeConfig.pixelFormat;
        }
        GLTrace("GLConfigUtils::GetActivePixelFormat ... encountered invalid registry data\n");
        const int debugFlags = GetDebugFlags(0);
        DeleteConfigKey();
        if (debugFlags != 0)
            SetDebugFlags(debugFlags);
        if (settingsReset)
            *settingsReset = true;
        g_activeConfig.pixelFormat = 0;
        g_activeConfig.accelerated = 0;
        WriteValue(L"HW_OK", 0);
    }

    request = g_activeConfig;
    request.accelerated = 1;
    if (HKEY key = OpenConfigKey(KEY_READ)) {
        int hardwareOk = 1;
        if (QueryDword(key, L"HW_OK", hardwareOk) && hardwareOk == 0)
            request.accelerated = 0;
        RegCloseKey(key);
    } else {
        WriteValue(L"HW_OK", 0);
    }
    request.swapCopy = g_useFastFeedback;

    int format = 0;
    try {
        format = ChoosePixelFormat(dc, request);
        if (format == 0) {
            g_useFastFeedback = 0;
            request.swapCopy = 0;
            format = ChoosePixelFormat(dc, request);
        }
        if (format != 0) {
            request.pixelFormat = format;
            g_activeConfig = request;
            GLTrace("GLConfigUtils::GetActivePixelFormat ... returning %d\n", format);
            return format;
        }
    } catch (...) {
        format = 0;
    }

    request.accelerated = 0;
    g_useFastFeedback = 1;
    request.swapCopy = 1;
    try {
        format = ChoosePixelFormat(dc, request);
    } catch (...) {
        format = 0;
    }
    request.pixelFormat = format;
    g_activeConfig = request;
    GLTrace("GLConfigUtils::GetActivePixelFormat ... returning %d\n", format);
    return format;
}

int ChoosePixelFormat(IPixelFormatProvider& dc, const GLConfigRecord& request)
{
    PixelFormatCandidateList list;
    GetCompatibleGLDevCaps(dc, request, list);
    const int format = PickBestFormat(list);
    GLTrace("ChoosePixelFormat returning %d\n", format);
    return format;
}

int GetCompatibleGLDevCaps(IPixelFormatProvider& dc, const GLConfigRecord& request,
                           PixelFormatCandidateList& list)
{
    GLTrace("requestedpf.accel=%d\n", request.accelerated);
    if (request.accelerated != 0 && IsWGLExtensionSupported("WGL_ARB_pixel_format", &dc)) {
        GLTrace("ARB functions available.\n");
        const int found = GetCompatibleGLDevCapsARB(dc, request, list);
        if (request.accelerated == 1 && found > 0)
            return found;
        GLTrace("Did not find PF from GetCompatibleGLDevCapsARB.\n");
    }
    GLTrace("ARB functions NOT available.\n");
    list.clear();
    const int count = dc.DescribePixelFormat(1, nullptr);
    GLTrace("nPfds=%d\n", count);
    for (int format = 1; format <= count; ++format) {
        PixelFormatCandidate candidate;
        if (!dc.DescribePixelFormat(format, &candidate.pfd))
            continue;
        const PIXELFORMATDESCRIPTOR& pfd = candidate.pfd;
        if (pfd.iPixelType != PFD_TYPE_RGBA || !(pfd.dwFlags & PFD_DOUBLEBUFFER))
            continue;
        // Multisampled formats are the multisample extension's; listed here they would rank
        // as plain ones.
        if (dc.GetPixelFormatSamples(format) > 0)
            continue;
        if (request.swapCopy == 1 && !(pfd.dwFlags & PFD_SWAP_COPY)) {
            GLTrace("Pixel format %d does not do a swap copy.\n", format);
            continue;
        }
        const bool accelerated = IsAccelerated(pfd);
        if ((request.accelerated == 0 && accelerated) || (request.accelerated == 1 && !accelerated))
            continue;
        if (pfd.cDepthBits < 16 || pfd.cColorBits < 8)
            continue;
        candidate.format = format;
        candidate.multisampleLevel = 0;
        list.push_back(candidate);
    }
    return static_cast<int>(list.size());
}

int GetCompatibleGLDevCapsARB(IPixelFormatProvider& dc, const GLConfigRecord& request,
                              PixelFormatCandidateList& list)
{
    list.clear();
    if (request.accelerated == 0)
        return 0;
    PixelFormatQueryARB query;
    query.depthBits = request.depthBits;
    query.swapCopy = request.swapCopy != 0;
    AppendARBChoice(dc, query, 0, list);
    if (IsWGLExtensionSupported("WGL_ARB_multisample", &dc)) {
        for (int samples : {4, 2}) {
            query.samples = samples;
            AppendARBChoice(dc, query, samples, list);
        }
    }
    return static_cast<int>(list.size());
}

int ChoosePixelFormatARB(IPixelFormatProvider& dc, const PixelFormatQueryARB& query)
{
    const int count = dc.DescribePixelFormat(1, nullptr);
    for (int format = 1; format <= count; ++format) {
        PIXELFORMATDESCRIPTOR pfd;
        if (!dc.DescribePixelFormat(format, &pfd))
            continue;
        const std::uint32_t needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        if ((pfd.dwFlags & needed) != needed || pfd.iPixelType != PFD_TYPE_RGBA ||
            (pfd.dwFlags & PFD_GENERIC_FORMAT))
            continue;
        if (pfd.cColorBits < query.colorBits || pfd.cAlphaBits < query.alphaBits ||
            pfd.cDepthBits < query.depthBits || pfd.cStencilBits < query.stencilBits)
            continue;
        if (dc.GetPixelFormatSamples(format) != query.samples)
            continue;
        if (((pfd.dwFlags & PFD_SWAP_COPY) != 0) != query.swapCopy)
            continue;
        return format;
    }
    return 0;
}

bool IsValidPixelFormatInfo(IPixelFormatProvider& dc, const GLConfigRecord& request)
{
    GLTrace(">IsValidPixelFormatInfo\n");
    try {
        PixelFormatCandidateList list;
        GetCompatibleGLDevCaps(dc, request, list);
        for (const PixelFormatCandidate& candidate : list) {
            if (candidate.format == request.pixelFormat) {
                GLTrace("Pixel format %d is valid\n", request.pixelFormat);
                return true;
            }
        }
        GLTrace("Invalid pixel format # %d\n", request.pixelFormat);
    } catch (...) {
        GLTrace("Invalid pixel format exception\n");
    }
    return false;
}

bool PixelFormatLess(const PixelFormatCandidate& a, const PixelFormatCandidate& b)
{
    if (g_orderByNumber)
        return a.format < b.format;
    if (a.pfd.cStencilBits != b.pfd.cStencilBits)
        return a.pfd.cStencilBits < b.pfd.cStencilBits;
    if (a.pfd.cDepthBits != b.pfd.cDepthBits)
        return a.pfd.cDepthBits < b.pfd.cDepthBits;
    if (ColorAlphaSum(a.pfd) != ColorAlphaSum(b.pfd))
        return ColorAlphaSum(a.pfd) < ColorAlphaSum(b.pfd);
    return a.multisampleLevel > b.multisampleLevel;
}

void SortFormatsByAttributes(PixelFormatCandidateList& list)
{
    g_orderByNumber = false;
    std::stable_sort(list.begin(), list.end(), PixelFormatLess);
}

void SortFormatsByNumber(PixelFormatCandidateList& list)
{
    g_orderByNumber = true;
    std::stable_sort(list.begin(), list.end(), PixelFormatLess);
    g_orderByNumber = false;
}

int RemoveDuplicateFormats(PixelFormatCandidateList& list, int keep)
{
    SortFormatsByAttributes(list);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const PixelFormatCandidate& first = list[i];
        const auto duplicate = [&first, keep](const PixelFormatCandidate& other) {
            return other.format != keep && IsAccelerated(other.pfd) == IsAccelerated(first.pfd) &&
                   ColorSum(other.pfd) == ColorSum(first.pfd) &&
                   other.pfd.cDepthBits == first.pfd.cDepthBits &&
                   other.pfd.cStencilBits == first.pfd.cStencilBits &&
                   other.multisampleLevel == first.multisampleLevel;
        };
        list.erase(std::remove_if(list.begin() + static_cast<std::ptrdiff_t>(i) + 1, list.end(), duplicate),
                   list.end());
    }
    SortFormatsByNumber(list);
    return static_cast<int>(list.size());
}

int PickBestFormat(const PixelFormatCandidateList& list)
{
    if (list.empty())
        return 0;
    PixelFormatCandidateList copy = list;
    RemoveDuplicateFormats(copy, 0);
    SortFormatsByAttributes(copy);
    return copy.back().format;
}

bool HasHardwarePixelFormat(IPixelFormatProvider& dc)
{
    PixelFormatCandidateList list;
    GLConfigRecord request{0, 1, 24, 8, 16, 8, 0};
    if (GetCompatibleGLDevCaps(dc, request, list) > 0)
        return true;
    request.swapCopy = 1;
    return GetCompatibleGLDevCaps(dc, request, list) > 0;
}

bool GetPixelFormatInfo(IPixelFormatProvider& dc, int format, PixelFormatCandidate& info)
{
    if (format == 0)
        format = dc.GetPixelFormat();
    if (format <= 0 || !dc.DescribePixelFormat(format, &info.pfd))
        return false;
    info.format = format;
    info.multisampleLevel = 0;
    return true;
}

bool IsAcceleratedFormat(IPixelFormatProvider& dc, int format)
{
    PixelFormatCandidate info;
    return GetPixelFormatInfo(dc, format, info) && IsAccelerated(info.pfd);
}

bool IsAccelerated(const PIXELFORMATDESCRIPTOR& pfd)
{
    return !(pfd.dwFlags & PFD_GENERIC_FORMAT) || (pfd.dwFlags & PFD_GENERIC_ACCELERATED);
}

int GetAccelerationKind(const PIXELFORMATDESCRIPTOR& pfd)
{
    if (!(pfd.dwFlags & PFD_GENERIC_FORMAT))
        return 1;
    return (pfd.dwFlags & PFD_GENERIC_ACCELERATED) ? 2 : 0;
}

std::wstring DescribeFormat(const PIXELFORMATDESCRIPTOR& pfd)
{
    static const wchar_t* const kinds[] = {L"GEN", L"ICD", L"MCD"};
    wchar_t color[64];
    std::swprintf(color, std::size(color), L"%d (%d-%d-%d-%d)", pfd.cColorBits, pfd.cRedBits, pfd.cGreenBits,
                  pfd.cBlueBits, pfd.cAlphaBits);
    wchar_t accum[64];
    std::swprintf(accum, std::size(accum), L"%d (%d-%d-%d-%d)", pfd.cAccumBits, pfd.cAccumRedBits,
                  pfd.cAccumGreenBits, pfd.cAccumBlueBits, pfd.cAccumAlphaBits);
    wchar_t line[256];
    std::swprintf(line, std::size(line), L"%ls\t%ls\t%ls\t%ls\t%d\t%d\t%ls", kinds[GetAccelerationKind(pfd)],
                  (pfd.dwFlags & PFD_DOUBLEBUFFER) ? L"DBL" : L"SGL",
                  pfd.iPixelType == PFD_TYPE_RGBA ? L"RGBA" : L"CI", color, static_cast<int>(pfd.cDepthBits),
                  static_cast<int>(pfd.cStencilBits), accum);
    return line;
}

bool IsWGLExtensionSupported(const char* name, IPixelFormatProvider* dc)
{
    if (!name || !*name)
        return false;
    try {
        std::string extensions = dc ? dc->GetExtensionsString() : std::string();
        if (extensions.empty())
            extensions = GLText(GL_EXTENSIONS);
        const std::string word = name;
        for (std::size_t at = extensions.find(word); at != std::string::npos;
             at = extensions.find(word, at + 1)) {
            const std::size_t end = at + word.size();
            if ((at == 0 || extensions[at - 1] == ' ') &&
                (end == extensions.size() || extensions[end] == ' '))
                return true;
        }
    } catch (...) {}
    return false;
}

bool LoadConfig(GLConfigRecord& record)
{
    HKEY key = OpenConfigKey(KEY_READ);
    if (!key)
        return false;
    QueryDword(key, L"PixelFormat", record.pixelFormat);
    QueryDword(key, L"Accelerated", record.accelerated);
    QueryDword(key, L"ColorBits", record.colorBits);
    QueryDword(key, L"DepthBits", record.depthBits);
    QueryDword(key, L"StencilBits", record.stencilBits);
    RegCloseKey(key);
    return true;
}

void SaveConfig(const GLConfigRecord& record)
{
    WriteValue(L"PixelFormat", record.pixelFormat);
    WriteValue(L"Accelerated", record.accelerated);
    WriteValue(L"ColorBits", record.colorBits);
    WriteValue(L"DepthBits", record.depthBits);
    WriteValue(L"StencilBits", record.stencilBits);
}

void SavePixelFormatChoice(int format, const PIXELFORMATDESCRIPTOR& pfd)
{
    GLConfigRecord record;
    record.pixelFormat = format;
    record.accelerated = IsAccelerated(pfd) ? 1 : 0;
    record.colorBits = ColorAlphaSum(pfd);
    record.depthBits = pfd.cDepthBits;
    record.stencilBits = pfd.cStencilBits;
    SaveConfig(record);
}

void SetAccelerated(bool accelerated)
{
    WriteValue(L"Accelerated", accelerated ? 1 : 0);
}

void SetReversedPick(bool reversed)
{
    WriteValue(L"ReversedPick", reversed ? 1 : 0);
}

bool GetReversedPick(bool defaultValue)
{
    return ReadValue(L"ReversedPick", defaultValue ? 1 : 0) != 0;
}

void SetDebugFlags(int flags)
{
    WriteValue(L"DebugFlags", flags);
}

int GetDebugFlags(int defaultValue)
{
    return ReadValue(L"DebugFlags", defaultValue);
}

void WriteValue(const wchar_t* name, int value)
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, GetConfigKeyPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const DWORD data = static_cast<DWORD>(value);
    RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
}

int ReadValue(const wchar_t* name, int defaultValue)
{
    int value = defaultValue;
    if (HKEY key = OpenConfigKey(KEY_READ)) {
        QueryDword(key, name, value);
        RegCloseKey(key);
    }
    return value;
}

bool IsFirstTime()
{
    if (g_currentConfig.accelerated == 0)
        return false;
    HKEY key = OpenConfigKey(KEY_READ);
    if (!key)
        return true;
    int firstTime = 0;
    const bool known = QueryDword(key, L"FIRST_TIME", firstTime);
    RegCloseKey(key);
    if (known)
        return firstTime != 0;
    WriteValue(L"FIRST_TIME", 0);
    return true;
}

bool IsCardAcceptedForHardware(const std::wstring& cardsFile, const std::string& vendor,
                               const std::string& renderer)
{
    std::ifstream file(orbisk::utils::ToUtf8(cardsFile));
    if (!file)
        return false;
    const std::string upperVendor = Upper(vendor);
    const std::string upperRenderer = Upper(renderer);
    bool verdict = false;
    std::string line;
    while (std::getline(file, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (line.find("//") != std::string::npos)
            continue;
        const std::vector<std::string> fields = SplitCardLine(line);
        if (fields.size() < 2)
            continue;
        if (upperVendor.find(Upper(fields[1])) == std::string::npos)
            continue;
        const std::string rendererField = fields.size() > 2 ? Upper(fields[2]) : std::string();
        const bool rendererFound =
            rendererField.empty() || upperRenderer.find(rendererField) != std::string::npos;
        if (rendererFound) {
            if (fields[0] == "SW")
                verdict = false;
        } else if (fields[0] == "HW" && rendererField == "ANY") {
            verdict = true;
        }
    }
    return verdict;
}

bool UseHWAccelerationFirstTime(const std::wstring& folder)
{
    GLTrace("UseHWAccelerationFirstTime\n");
    if (!IsFirstTime()) {
        GLTrace("Not first time ... returning true\n");
        return true;
    }
    const std::string vendor = GLText(GL_VENDOR);
    const std::string renderer = GLText(GL_RENDERER);
    GLTrace("Got vendor (%s) renderer(%s)\n", vendor.c_str(), renderer.c_str());
    const std::wstring cardsFolder = folder.empty() ? orbisk::utils::GetModuleFolder() : folder;
    const bool verdict =
        IsCardAcceptedForHardware(orbisk::utils::JoinPath(cardsFolder, L"glcards.dat"), vendor, renderer);
    GLTrace("Returning %d\n", verdict ? 1 : 0);
    return verdict;
}

void DeleteConfigKey()
{
    // The display key goes with its values; a parent only when nothing else lives in it. The
    // maker's key and what lies above it belong to more than this program.
    const std::wstring maker = std::wstring(kMakerKeyPath) + L"\\";
    std::wstring path = GetConfigKeyPath();
    bool displayKey = true;
    while (path.size() > maker.size() && path.compare(0, maker.size(), maker) == 0) {
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            break;
        DWORD subKeys = 0;
        DWORD values = 0;
        const LSTATUS status = RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                               &values, nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS || subKeys > 0 || (!displayKey && values > 0))
            break;
        if (RegDeleteKey(HKEY_CURRENT_USER, path.c_str()) != ERROR_SUCCESS)
            break;
        displayKey = false;
        path.erase(path.rfind(L'\\'));
    }
}

void GLTrace(const char* format, ...)
{
    CUndoManager* manager = GetCurrentUndoManager();
    if (!manager || !manager->GetLog().IsOpen() || !format)
        return;
    char line[kTraceBufferSize];
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (written < 0)
        return;
    if (!g_traceStarted) {
        g_traceStarted = true;
        manager->LogMessage(L"======== Starting GL ========\n");
    }
    manager->LogMessage(orbisk::utils::WideFromUtf8(line).c_str());
}

}  // namespace GLConfigUtils
