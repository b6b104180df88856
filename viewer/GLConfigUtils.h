#pragma once
// The graphics configuration: which pixel format the on-screen GL views use, remembered per
// user under the registry key "Software\Quenta\Zephyron8\GLConfig\Display".
//
// The formats a window's device context offers are filtered and ranked; a format stored in
// the registry is validated before it is used; "HW_OK" protects the user against a graphics
// driver that brought the program down (it is 0 while a run on hardware has not ended
// normally, and the next start then asks for software formats); and on the very first start
// the graphics card is compared with the known cards of "glcards.dat". Decisions are traced
// to the undo manager's debug log.

#include "platform/wgl/PixelFormatProvider.h"

#include <cstdint>
#include <string>
#include <vector>

// A request for a pixel format and the remembered choice.
struct GLConfigRecord {
    std::int32_t pixelFormat = 0;  // 0: none
    // 0: software formats only, 1: accelerated formats only, anything else: both.
    std::int32_t accelerated = 0;
    std::int32_t colorBits = 24;  // as saved: red + green + blue + alpha bits
    std::int32_t alphaBits = 8;   // never saved
    std::int32_t depthBits = 16;
    std::int32_t stencilBits = 8;
    // 0: any swap method, 1: the back buffer must be copied on swap, 2: a copy is preferred
    // when the pixel-format extension chooses, but not required by the plain enumeration.
    std::int32_t swapCopy = 1;

    friend bool operator==(const GLConfigRecord&, const GLConfigRecord&) = default;
};

struct PixelFormatCandidate {
    int format = 0;
    PIXELFORMATDESCRIPTOR pfd;
    int multisampleLevel = 0;  // 0, 2 or 4
};

using PixelFormatCandidateList = std::vector<PixelFormatCandidate>;

namespace GLConfigUtils {

// The registry key, relative to HKEY_CURRENT_USER.
const std::wstring& GetConfigKeyPath();
// The maker's key, above which nothing of the configuration reaches.
inline constexpr const wchar_t* kMakerKeyPath = L"Software\\Quenta";

// Forms the key path and makes the defaults the current configuration.
void InitConfigKey();
GLConfigRecord* GetDefaultConfig();
GLConfigRecord* GetCurrentConfig();
// The request that GetActivePixelFormat last settled, with its chosen format.
GLConfigRecord* GetActiveConfig();
void CommitActiveConfig();

// The fast-feedback preference (1 at every start); it is also the swap-copy request.
int GetUseFastFeedback();
void SetUseFastFeedback(int useFastFeedback);

// The format a view shall use, 0 when none. `settingsReset` becomes true when invalid data
// in the registry made the configuration reset.
int GetActivePixelFormat(IPixelFormatProvider& dc, bool* settingsReset);
int ChoosePixelFormat(IPixelFormatProvider& dc, const GLConfigRecord& request);
// Fills the list (cleared first) with the formats that suit the request; its size.
int GetCompatibleGLDevCaps(IPixelFormatProvider& dc, const GLConfigRecord& request,
                           PixelFormatCandidateList& list);
// The part of the above through the pixel-format extension (accelerated formats only).
int GetCompatibleGLDevCapsARB(IPixelFormatProvider& dc, const GLConfigRecord& request,
                              PixelFormatCandidateList& list);

// What the pixel-format extension's choice asks for: an accelerated, double-buffered RGBA
// window format with at least these bits, exactly this many samples (0: not multisampled)
// and this swap method.
struct PixelFormatQueryARB {
    int colorBits = 24;
    int alphaBits = 8;
    int depthBits = 16;
    int stencilBits = 8;
    int samples = 0;
    bool swapCopy = false;
};
// The first format that answers the query, 0 when none does.
int ChoosePixelFormatARB(IPixelFormatProvider& dc, const PixelFormatQueryARB& query);

bool IsValidPixelFormatInfo(IPixelFormatProvider& dc, const GLConfigRecord& request);
// Removes duplicates (never an entry whose number is `keep`); the list ends sorted by number.
int RemoveDuplicateFormats(PixelFormatCandidateList& list, int keep);
// The best format of the list, 0 for an empty list.
int PickBestFormat(const PixelFormatCandidateList& list);
// The ranking order: fewer stencil, then depth, then colour bits first; among equals the
// larger multisample level first. While a sort by number runs, it orders by format number.
bool PixelFormatLess(const PixelFormatCandidate& a, const PixelFormatCandidate& b);
void SortFormatsByAttributes(PixelFormatCandidateList& list);
void SortFormatsByNumber(PixelFormatCandidateList& list);

bool HasHardwarePixelFormat(IPixelFormatProvider& dc);
// Describes a format (0: the surface's own) with multisample level 0; false when there is none.
bool GetPixelFormatInfo(IPixelFormatProvider& dc, int format, PixelFormatCandidate& info);
bool IsAcceleratedFormat(IPixelFormatProvider& dc, int format);
bool IsAccelerated(const PIXELFORMATDESCRIPTOR& pfd);
// 1 not generic ("ICD"), 2 generic accelerated ("MCD"), 0 generic ("GEN").
int GetAccelerationKind(const PIXELFORMATDESCRIPTOR& pfd);
// One line of the graphics-card page: kind, buffering, pixel type, colour, depth, stencil
// and accumulation, separated by tabs.
std::wstring DescribeFormat(const PIXELFORMATDESCRIPTOR& pfd);

// Whether the window system lists the extension, as a whole word, in the device context's
// extension string or, failing that, in the current GL context's.
bool IsWGLExtensionSupported(const char* name, IPixelFormatProvider* dc = nullptr);

bool LoadConfig(GLConfigRecord& record);
void SaveConfig(const GLConfigRecord& record);
void SavePixelFormatChoice(int format, const PIXELFORMATDESCRIPTOR& pfd);
void SetAccelerated(bool accelerated);
void SetReversedPick(bool reversed);
bool GetReversedPick(bool defaultValue);
void SetDebugFlags(int flags);
int GetDebugFlags(int defaultValue);
void WriteValue(const wchar_t* name, int value);
// The value, or the default when the key or the value is missing.
int ReadValue(const wchar_t* name, int defaultValue);

bool IsFirstTime();
// On the first start: whether hardware acceleration may be used with the current GL
// context's card, by the known cards of "glcards.dat" in the folder (the program's folder
// when empty). Later starts answer true.
bool UseHWAccelerationFirstTime(const std::wstring& folder = std::wstring());
// The verdict of a known-cards file on a card: false when the file cannot be read.
bool IsCardAcceptedForHardware(const std::wstring& cardsFile, const std::string& vendor,
                               const std::string& renderer);

// Removes the display key and the parents it leaves empty, up to the maker's key.
void DeleteConfigKey();

// Appends a line (at most 999 bytes) to the undo manager's debug log when it is open.
void GLTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace GLConfigUtils
