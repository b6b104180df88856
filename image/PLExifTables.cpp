#include "image/PLExifTables.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <sstream>

namespace {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Printf(const char* format, ...)
{
    char buffer[400];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

double Quotient(const PLExifTag& tag)
{
    return double(tag.GetNumerator()) / double(tag.GetDenominator());
}

// Display formatters. A zero denominator has no quotient: the value text stands.

std::string FormatDecimal(const PLExifTag& tag)
{
    if (!tag.GetDenominator())
        return tag.GetValueText();
    return Printf("%g", Quotient(tag));
}

std::string FormatFNumber(const PLExifTag& tag)
{
    if (!tag.GetDenominator())
        return tag.GetValueText();
    return Printf("f%.1f", Quotient(tag));
}

// APEX values are logarithms: aperture Av = 2 log2(f), shutter Tv = −log2(t).
std::string FormatApertureApex(const PLExifTag& tag)
{
    if (!tag.GetDenominator())
        return tag.GetValueText();
    return Printf("f%.1f", std::pow(1.4142, Quotient(tag)));
}

std::string FormatShutterApex(const PLExifTag& tag)
{
    if (!tag.GetDenominator())
        return tag.GetValueText();
    return Printf("1/%.0f s", std::round(std::pow(2.0, Quotient(tag))));
}

std::string FormatExposureTime(const PLExifTag& tag)
{
    const int64_t n = tag.GetNumerator();
    const int64_t d = tag.GetDenominator();
    if (!d)
        return tag.GetValueText();
    if (Quotient(tag) >= 1)
        return Printf("%g", Quotient(tag));
    if (n == 0 || n == 1)
        return tag.GetValueText();
    return Printf("1/%lld", static_cast<long long>(d / n));
}

// The value text is "{ 01 02 03 00 }": the bytes name the components in order.
std::string FormatComponents(const PLExifTag& tag)
{
    std::istringstream tokens(tag.GetValueText());
    std::string token;
    tokens >> token;
    std::string text;
    for (int i = 0; i < 4 && tokens >> token; ++i) {
        static const char* const kNames[] = {"", "Y", "Cb", "Cr", "R", "G", "B"};
        bool named = false;
        for (int k = 0; k < 7; ++k) {
            if (token == Printf("%02d", k)) {
                text += kNames[k];
                named = true;
            }
        }
        if (!named)
            text += " " + token;
    }
    return text;
}

std::string FormatImageNumber(const PLExifTag& tag)
{
    const auto v = static_cast<long long>(tag.GetRoundedValue());
    return Printf("%03lld-%04lld", v / 10000, v % 10000);
}

std::string FormatSerialNumber(const PLExifTag& tag)
{
    const auto v = uint32_t(tag.GetRoundedValue());
    return Printf("%04x%05u", v >> 16, v & 0xFFFF);
}

std::string FormatFlashDetails(const PLExifTag& tag)
{
    const int64_t v = tag.GetRoundedValue();
    std::string text;
    if (v & 0x4000)
        text += "External E-TTL ";
    if (v & 0x2000)
        text += "Internal Flash ";
    if (v & 0x800)
        text += "FP sync used ";
    if (v & 0x10)
        text += "FP sync enabled ";
    return text;
}

std::string FormatFocusPoint(const PLExifTag& tag)
{
    const int64_t v = tag.GetRoundedValue();
    if (!(v & 0xF000))
        return {};
    switch (v & 0xFFF) {
        case 0: return "Right";
        case 1: return "Centre";
        case 2: return "Left";
        default: return {};
    }
}

// Named values and markers.

constexpr PLExifValueName kCapitalised[] = {{kExifCapitalise, ""}, {0, nullptr}};
constexpr PLExifValueName kUnitSeconds[] = {{kExifUnit, "s"}, {0, nullptr}};
constexpr PLExifValueName kUnitMetres[] = {{kExifUnit, "m"}, {0, nullptr}};
constexpr PLExifValueName kUnitMillimetres[] = {{kExifUnit, "mm"}, {0, nullptr}};
constexpr PLExifValueName kUnitTimes[] = {{kExifUnit, "x"}, {0, nullptr}};

constexpr PLExifValueName kResUnit[] = {{1, "no-unit"}, {2, "inch"}, {3, "cm"}, {0, nullptr}};
constexpr PLExifValueName kExposureProgram[] = {{0, "Not defined"},      {1, "Manual"},
                                                {2, "Normal program"},   {3, "Aperture priority"},
                                                {4, "Shutter priority"}, {5, "Creative program"},
                                                {6, "Action program"},   {7, "Portrait mode"},
                                                {8, "Landscape mode"},   {0, nullptr}};
constexpr PLExifValueName kBitsPerPixel[] = {{1, "1 bit/pixel"},  {2, "2 bits/pixel"}, {3, "3 bits/pixel"},
                                             {4, "4 bits/pixel"}, {5, "5 bits/pixel"}, {0, nullptr}};
constexpr PLExifValueName kMetering[] = {{0, "Unknown"}, {1, "Average"},    {2, "Center weighted average"},
                                         {3, "Spot"},    {4, "Multi-spot"}, {5, "Multi-segment"},
                                         {6, "Partial"}, {255, "Other"},    {0, nullptr}};
constexpr PLExifValueName kLightSource[] = {{0, "Unknown"},
                                            {1, "Daylight"},
                                            {2, "Fluorescent"},
                                            {3, "Tungsten"},
                                            {4, "Flash"},
                                            {9, "Fine weather"},
                                            {10, "Cloudy weather"},
                                            {11, "Shade"},
                                            {17, "Standard light A"},
                                            {18, "Standard light B"},
                                            {19, "Standard light C"},
                                            {20, "D55"},
                                            {21, "D65"},
                                            {22, "D75"},
                                            {255, "Other"},
                                            {0, nullptr}};
constexpr PLExifValueName kFlash[] = {
    {0, "No"},         {1, "Yes"},  {5, "Yes, no return detect"}, {7, "Yes, return detected"}, {9, "Yes"},
    {16, "No forced"}, {0, nullptr}};
constexpr PLExifValueName kColorSpace[] = {{1, "sRGB"}, {65535, "Uncalibrated"}, {0, nullptr}};
constexpr PLExifValueName kFPResUnit[] = {{1, "inch"},        {2, "inch"},       {3, "centimeter"},
                                          {4, "milimemeter"}, {5, "micrometer"}, {0, nullptr}};
constexpr PLExifValueName kSensingMethod[] = {{1, "Not defined"},
                                              {2, "One-chip color area sensor"},
                                              {3, "Two-chip color area sensor"},
                                              {4, "Three-chip color area sensor"},
                                              {5, "Color sequential area sensor"},
                                              {7, "Trilinear sensor"},
                                              {8, "Color sequential linear sensor"},
                                              {0, nullptr}};
constexpr PLExifValueName kFileSource[] = {{3, "Digital still camera"}, {0, nullptr}};
constexpr PLExifValueName kSceneType[] = {{1, "Directly photographed"}, {0, nullptr}};

constexpr PLExifValueName kNikon2Quality[] = {{1, "VGA Basic"},  {2, "VGA Normal"},  {3, "VGA Fine"},
                                              {4, "SXGA Basic"}, {5, "SXGA Normal"}, {6, "SXGA Fine"},
                                              {0, nullptr}};
constexpr PLExifValueName kNikon2Color[] = {{1, "Color"}, {2, "Monochrome"}, {0, nullptr}};
constexpr PLExifValueName kNikon2Adjust[] = {{0, "Normal"},    {1, "Bright+"},   {2, "Bright-"},
                                             {3, "Contrast+"}, {4, "Contrast-"}, {0, nullptr}};
constexpr PLExifValueName kNikon2Sensitivity[] = {
    {0, "ISO80"}, {2, "ISO160"}, {4, "ISO320"}, {5, "ISO100"}, {0, nullptr}};
constexpr PLExifValueName kNikon2WhiteBalance[] = {{0, "Auto"},         {1, "Preset"},      {2, "Daylight"},
                                                   {3, "Incandescent"}, {4, "Fluorescent"}, {5, "Cloudy"},
                                                   {6, "SpeedLight"},   {0, nullptr}};
constexpr PLExifValueName kNikon2Converter[] = {{0, "None"}, {1, "Fisheye"}, {0, nullptr}};

constexpr PLExifValueName kOlympusQuality[] = {{1, "SQ"}, {2, "HQ"}, {3, "SHQ"}, {0, nullptr}};
constexpr PLExifValueName kOlympusMacro[] = {{0, "Normal"}, {1, "Macro"}, {0, nullptr}};
constexpr PLExifValueName kOlympusFlash[] = {
    {0, "Auto"}, {1, "Red-eye reduction"}, {2, "Fill"}, {3, "Off"}, {0, nullptr}};
constexpr PLExifValueName kOlympusSharpness[] = {{0, "Normal"}, {1, "Hard"}, {2, "Soft"}, {0, nullptr}};

constexpr PLExifValueName kCanonMacro[] = {{1, "Macro"}, {2, "Normal"}, {0, nullptr}};
constexpr PLExifValueName kCanonFlash[] = {
    {0, "Not fired"},    {1, "Auto"},           {2, "On"},           {3, "Red-eye reduction"},
    {4, "Slow synchro"}, {5, "Auto + red-eye"}, {6, "On + red-eye"}, {16, "External flash"},
    {0, nullptr}};
constexpr PLExifValueName kCanonDrive[] = {{0, "Single or timer"}, {1, "Continuous"}, {0, nullptr}};
constexpr PLExifValueName kCanonFocus[] = {{0, "One-shot"}, {1, "AI Servo"},   {2, "AI Focus"}, {3, "MF"},
                                           {4, "Single"},   {5, "Continuous"}, {6, "MF"},       {0, nullptr}};
constexpr PLExifValueName kCanonImageSize[] = {{0, "Large"}, {1, "Medium"}, {2, "Small"}, {0, nullptr}};
constexpr PLExifValueName kCanonShootingMode[] = {
    {0, "Full auto"},    {1, "Manual"}, {2, "Landscape"},         {3, "Fast shutter"},
    {4, "Slow shutter"}, {5, "Night"},  {6, "Black & White"},     {7, "Sepia"},
    {8, "Portrait"},     {9, "Sports"}, {10, "Macro / Close-up"}, {11, "Pan focus"},
    {0, nullptr}};
constexpr PLExifValueName kCanonLevel[] = {{65535, "Low"}, {0, "Normal"}, {1, "High"}, {0, nullptr}};
constexpr PLExifValueName kCanonIso[] = {{0, "Not used"}, {15, "Auto"}, {16, "50"},  {17, "100"},
                                         {18, "200"},     {19, "400"},  {0, nullptr}};
constexpr PLExifValueName kCanonMetering[] = {
    {3, "Evaluative"}, {4, "Partial"}, {5, "Center-weighted"}, {0, nullptr}};
constexpr PLExifValueName kCanonAFPoint[] = {{12288, "MF"},     {12289, "Auto selected"}, {12290, "Right"},
                                             {12291, "Center"}, {12292, "Left"},          {0, nullptr}};
constexpr PLExifValueName kCanonWhiteBalance[] = {{0, "Auto"},     {1, "Sunny"},       {2, "Cloudy"},
                                                  {3, "Tungsten"}, {4, "Fluorescent"}, {5, "Flash"},
                                                  {6, "Custom"},   {0, nullptr}};
// 16-bit two's complement, 32 units to one EV.
constexpr PLExifValueName kCanonFlashBias[] = {
    {65472, "-2 EV"},    {65484, "-1.67 EV"}, {65488, "-1.50 EV"}, {65492, "-1.33 EV"}, {65504, "-1 EV"},
    {65516, "-0.67 EV"}, {65520, "-0.50 EV"}, {65524, "-0.33 EV"}, {0, "0 EV"},         {12, "0.33 EV"},
    {16, "0.50 EV"},     {20, "0.67 EV"},     {32, "1 EV"},        {44, "1.33 EV"},     {48, "1.50 EV"},
    {52, "1.67 EV"},     {64, "2 EV"},        {0, nullptr}};

constexpr PLExifValueName kCfnOffOn[] = {{0, "Off"}, {1, "On"}, {0, nullptr}};
constexpr PLExifValueName kCfnDisableEnable[] = {{0, "Disable"}, {1, "Enable"}, {0, nullptr}};
constexpr PLExifValueName kCfnEnableDisable[] = {{0, "Enable"}, {1, "Disable"}, {0, nullptr}};
constexpr PLExifValueName kCfnLock[] = {
    {0, "AF/AE lock"}, {1, "AE lock/AF"}, {2, "AF/AF lock"}, {3, "AE+release/AE+AF"}, {0, nullptr}};
constexpr PLExifValueName kCfnExposureSteps[] = {{0, "1/2 stop"}, {1, "1/3 stop"}, {0, nullptr}};
constexpr PLExifValueName kCfnAFAssist[] = {{0, "On (Auto)"}, {1, "Off"}, {0, nullptr}};
constexpr PLExifValueName kCfnShutterAv[] = {{0, "Automatic"}, {1, "1/200 (fixed)"}, {0, nullptr}};
constexpr PLExifValueName kCfnAEB[] = {{0, "0,-,+ / Enabled"},
                                       {1, "0,-,+ / Disabled"},
                                       {2, "-,0,+ / Enabled"},
                                       {3, "-,0,+ / Disabled"},
                                       {0, nullptr}};
constexpr PLExifValueName kCfnSync[] = {{0, "1st-curtain sync"}, {1, "2nd-curtain sync"}, {0, nullptr}};
constexpr PLExifValueName kCfnAFStop[] = {
    {0, "AF stop"}, {1, "Operate AF"}, {2, "Lock AE and start timer"}, {0, nullptr}};
constexpr PLExifValueName kCfnMenu[] = {
    {0, "Top"}, {1, "Previous (volatile)"}, {2, "Previous"}, {0, nullptr}};
constexpr PLExifValueName kCfnSet[] = {{0, "Not assigned"},
                                       {1, "Change quality"},
                                       {2, "Change ISO speed"},
                                       {3, "Select parameters"},
                                       {0, nullptr}};

constexpr PLExifValueName kFujiSharpness[] = {{1, "Soft"}, {2, "Soft"}, {3, "Normal"},
                                              {4, "Hard"}, {5, "Hard"}, {0, nullptr}};
constexpr PLExifValueName kFujiWhiteBalance[] = {{0, "Auto"},
                                                 {256, "Daylight"},
                                                 {512, "Cloudy"},
                                                 {768, "Daylight fluorescent"},
                                                 {769, "Day white fluorescent"},
                                                 {770, "White fluorescent"},
                                                 {1024, "Incandescent"},
                                                 {3840, "Custom"},
                                                 {0, nullptr}};
constexpr PLExifValueName kFujiLevel[] = {{0, "Normal"}, {256, "High"}, {512, "Low"}, {0, nullptr}};
constexpr PLExifValueName kFujiFlashMode[] = {
    {0, "Auto"}, {1, "On"}, {2, "Off"}, {3, "Red-eye reduction"}, {0, nullptr}};
constexpr PLExifValueName kFujiFocus[] = {{0, "Auto"}, {1, "Manual"}, {0, nullptr}};
constexpr PLExifValueName kFujiPicture[] = {{0, "Auto"},
                                            {1, "Portrait"},
                                            {2, "Landscape"},
                                            {4, "Sports"},
                                            {5, "Night"},
                                            {6, "Program AE"},
                                            {256, "Aperture priority AE"},
                                            {512, "Shutter priority AE"},
                                            {768, "Manual"},
                                            {0, nullptr}};
constexpr PLExifValueName kNoYes[] = {{0, "No"}, {1, "Yes"}, {0, nullptr}};

constexpr PLExifValueName kCasioRecordMode[] = {{1, "Single shutter"}, {2, "Panorama"},  {3, "Night scene"},
                                                {4, "Portrait"},       {5, "Landscape"}, {0, nullptr}};
constexpr PLExifValueName kCasioQuality[] = {{1, "Economy"}, {2, "Normal"}, {3, "Fine"}, {0, nullptr}};
constexpr PLExifValueName kCasioFocusMode[] = {
    {2, "Macro"}, {3, "Auto focus"}, {4, "Manual focus"}, {5, "Infinity"}, {0, nullptr}};
constexpr PLExifValueName kCasioFlashMode[] = {
    {1, "Auto"}, {2, "On"}, {3, "Off"}, {5, "Red-eye reduction"}, {0, nullptr}};
constexpr PLExifValueName kCasioFlashIntensity[] = {
    {11, "Weak"}, {13, "Normal"}, {15, "Strong"}, {0, nullptr}};
constexpr PLExifValueName kCasioWhiteBalance[] = {{1, "Auto"},        {2, "Tungsten"}, {3, "Daylight"},
                                                  {4, "Fluorescent"}, {5, "Shade"},    {129, "Manual"},
                                                  {0, nullptr}};
constexpr PLExifValueName kCasioDigitalZoom[] = {
    {65536, "Off"}, {65537, "2X"}, {131072, "2X"}, {262144, "4X"}, {0, nullptr}};
constexpr PLExifValueName kCasioSharpness[] = {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}, {0, nullptr}};
constexpr PLExifValueName kCasioLevel[] = {{0, "Normal"}, {1, "Low"}, {2, "High"}, {0, nullptr}};
constexpr PLExifValueName kCasioSensitivity[] = {{64, "Normal"}, {80, "Normal"}, {100, "High"}, {125, "+1.0"},
                                                 {244, "+3.0"},  {250, "+2.0"},  {0, nullptr}};
constexpr PLExifValueName kCasioEVShift[] = {
    {-6, "-2.0 EV"}, {-5, "-1.7 EV"}, {-4, "-1.3 EV"}, {-3, "-1.0 EV"}, {-2, "-0.7 EV"},
    {-1, "-0.3 EV"}, {0, "0.0 EV"},   {1, "+0.3 EV"},  {2, "+0.7 EV"},  {3, "+1.0 EV"},
    {4, "+1.3 EV"},  {5, "+1.7 EV"},  {6, "+2.0 EV"},  {0, nullptr}};
constexpr PLExifValueName kCasioExposureMode[] = {
    {1, "Program AE"}, {2, "Aperture priority"}, {3, "Shutter priority"}, {4, "Manual"}, {0, nullptr}};

constexpr PLExifTagDescription kEnd = {0, nullptr, nullptr, nullptr, nullptr};

}  // namespace

const PLExifTagDescription kExifMainTable[] = {
    {0x010e, "Desc", nullptr, nullptr, "Image Description"},
    {0x010f, "Make", nullptr, nullptr, "Camera Make"},
    {0x0110, "Model", nullptr, nullptr, "Camera Model"},
    {0x0112, "Ori", nullptr, nullptr, "Orientation"},
    {0x011a, "XRes", nullptr, nullptr, "X Resolution"},
    {0x011b, "YRes", nullptr, nullptr, "Y Resolution"},
    {0x0128, "ResUnit", kResUnit, nullptr, "Resolution Unit"},
    {0x0131, "Software", nullptr, nullptr, "Camera Software"},
    {0x0132, "ModTime", nullptr, nullptr, "Modification Time"},
    {0x013e, "WPoint", nullptr, nullptr, "White Point"},
    {0x013f, "PrimChr", nullptr, nullptr, "Primary Chromaticities"},
    {0x0211, "YCbCrCoef", nullptr, nullptr, "YCbCr Coefficients"},
    {0x0213, "YCbCrPos", nullptr, nullptr, "YCbCr Positioning"},
    {0x0214, "RefBW", nullptr, nullptr, "Reference Black and White"},
    {0x8298, "Copy", nullptr, nullptr, "Copyright"},
    {0x8769, "ExifOffset", nullptr, nullptr, "EXIF Sub-directory Offset"},
    kEnd};

const PLExifTagDescription kExifSubTable[] = {
    {0x829a, "Shutter", kUnitSeconds, FormatExposureTime, "Exposure Time"},
    {0x829d, "FStop", nullptr, FormatFNumber, "F-Number"},
    {0x8822, "Prog", kExposureProgram, nullptr, "Exposure Program"},
    {0x8827, "Iso", nullptr, nullptr, "ISO Speed"},
    {0x9000, "ExifVer", nullptr, nullptr, "EXIF Version"},
    {0x9003, "OrigTime", nullptr, nullptr, "Original Time"},
    {0x9004, "DigTime", nullptr, nullptr, "Digitized Time"},
    {0x9101, "CompConfig", nullptr, FormatComponents, "Components Configuration"},
    {0x9102, "Bpp", kBitsPerPixel, nullptr, "Compressed Bits per Pixel"},
    {0x9201, "Shuttera", nullptr, FormatShutterApex, "Shutter Speed (APEX)"},
    {0x9202, "Aperturea", nullptr, FormatApertureApex, "Aperture (APEX)"},
    {0x9203, "Brighta", nullptr, FormatDecimal, "Brightness (APEX)"},
    {0x9204, "Expbiasa", nullptr, FormatDecimal, "Exposure Bias (APEX)"},
    {0x9205, "Maxapa", nullptr, FormatApertureApex, "Maximum Aperture (APEX)"},
    {0x9206, "Dist", kUnitMetres, FormatDecimal, "Subject Distance"},
    {0x9207, "Meter", kMetering, nullptr, "Metering Mode"},
    {0x9208, "Lights", kLightSource, nullptr, "Light Source"},
    {0x9209, "Flash", kFlash, nullptr, "Flash Used"},
    {0x920a, "Focal", kUnitMillimetres, FormatDecimal, "Focal Length"},
    {0x927c, "Maker", nullptr, nullptr, "Maker Note"},
    {0x9286, "User", nullptr, nullptr, "User Comment"},
    {0x9290, "STime", nullptr, nullptr, "Sub-second Time"},
    {0x9291, "SOrigTime", nullptr, nullptr, "Sub-second Original Time"},
    {0x9292, "SDigTime", nullptr, nullptr, "Sub-second Digitized Time"},
    {0xa000, "Flashpix", nullptr, nullptr, "FlashPix Version"},
    {0xa001, "ColorSpace", kColorSpace, nullptr, "Color Space"},
    {0xa002, "Width", nullptr, nullptr, "Image Width"},
    {0xa003, "Height", nullptr, nullptr, "Image Height"},
    {0xa004, "SndFile", nullptr, nullptr, "Sound File"},
    {0xa005, "ExifIntOff", nullptr, nullptr, "Interoperability Offset"},
    {0xa20e, "FPXRes", nullptr, FormatDecimal, "Focal Plane X Resolution"},
    {0xa20f, "FPYRes", nullptr, FormatDecimal, "Focal Plane Y Resolution"},
    {0xa210, "FPResUnit", kFPResUnit, nullptr, "Focal Plane Resolution Unit"},
    {0xa215, "ExpIndex", nullptr, FormatDecimal, "Exposure Index"},
    {0xa217, "SenseMethod", kSensingMethod, nullptr, "Sensing Method"},
    {0xa300, "FileSource", kFileSource, nullptr, "File Source"},
    {0xa301, "SceneType", kSceneType, nullptr, "Scene Type"},
    {0xa302, "CFAPat", nullptr, nullptr, "CFA Pattern"},
    kEnd};

const PLExifTagDescription kExifNikonTable[] = {
    {0x0002, "ISO", nullptr, nullptr, "Nikon ISO Setting"},
    {0x0003, "Color", kCapitalised, nullptr, "Nikon Color Mode"},
    {0x0004, "Quality", kCapitalised, nullptr, "Nikon Quality"},
    {0x0005, "WhiteBal", kCapitalised, nullptr, "Nikon White Balance"},
    {0x0006, "Sharp", kCapitalised, nullptr, "Nikon Image Sharpening"},
    {0x0007, "Focus", kCapitalised, nullptr, "Nikon Focus Mode"},
    {0x0008, "Flash", kCapitalised, nullptr, "Nikon Flash Setting"},
    {0x0009, "FlashMode", kCapitalised, nullptr, "Nikon Flash Mode"},
    {0x000f, "ISOSel", kCapitalised, nullptr, "Nikon ISO Selection"},
    {0x0080, "ImgAdjust", kCapitalised, nullptr, "Nikon Image Adjustment"},
    {0x0082, "Adapter", kCapitalised, nullptr, "Nikon Lens Adapter"},
    {0x0084, "Lens", kCapitalised, nullptr, "Nikon Lens"},
    {0x0085, "ManFocus", kUnitMetres, FormatDecimal, "Nikon Manual Focus Distance"},
    {0x0086, "DigZoom", kUnitTimes, FormatDecimal, "Nikon Digital Zoom"},
    {0x0088, "AFPos", nullptr, nullptr, "Nikon AF Focus Position"},
    kEnd};

const PLExifTagDescription kExifNikon2Table[] = {
    {0x0002, "Unknown0002", nullptr, nullptr, "Nikon Unknown 0x0002"},
    {0x0003, "Quality", kNikon2Quality, nullptr, "Nikon Quality"},
    {0x0004, "Color", kNikon2Color, nullptr, "Nikon Color Mode"},
    {0x0005, "ImgAdjust", kNikon2Adjust, nullptr, "Nikon Image Adjustment"},
    {0x0006, "CCDSens", kNikon2Sensitivity, nullptr, "Nikon CCD Sensitivity"},
    {0x0007, "WhiteBal", kNikon2WhiteBalance, nullptr, "Nikon White Balance"},
    {0x0008, "Focus", nullptr, FormatDecimal, "Nikon Focus"},
    {0x0009, "Unknown0009", nullptr, nullptr, "Nikon Unknown 0x0009"},
    {0x000a, "DigZoom", kUnitTimes, FormatDecimal, "Nikon Digital Zoom"},
    {0x000b, "Converter", kNikon2Converter, nullptr, "Nikon Converter"},
    {0x0f00, "Unknown0F00", nullptr, nullptr, "Nikon Unknown 0x0F00"},
    kEnd};

const PLExifTagDescription kExifOlympusTable[] = {
    {0x0200, "SpcMode", nullptr, nullptr, "Olympus Special Mode"},
    {0x0201, "Quality", kOlympusQuality, nullptr, "Olympus JPEG Quality"},
    {0x0202, "Macro", kOlympusMacro, nullptr, "Olympus Macro"},
    {0x0204, "DigZoom", kUnitTimes, FormatDecimal, "Olympus Digital Zoom"},
    {0x0207, "Software", nullptr, nullptr, "Olympus Software Release"},
    {0x0209, "CameraID", nullptr, nullptr, "Olympus Camera ID"},
    {0x1004, "Flash", kOlympusFlash, nullptr, "Olympus Flash Mode"},
    {0x100f, "Sharp", kOlympusSharpness, nullptr, "Olympus Sharpness"},
    {0x102a, "SharpScale", nullptr, nullptr, "Olympus Sharpness Scale"},
    kEnd};

const PLExifTagDescription kExifCanonTable[] = {
    {0x0001, "CnSet1", nullptr, nullptr, "Canon Camera Settings 1"},
    {0x0004, "CnSet2", nullptr, nullptr, "Canon Camera Settings 2"},
    {0x0006, "ImageType", nullptr, nullptr, "Canon Image Type"},
    {0x0007, "Software", nullptr, nullptr, "Canon Firmware Version"},
    {0x0008, "ImageNo", nullptr, FormatImageNumber, "Canon Image Number"},
    {0x0009, "Owner", nullptr, nullptr, "Canon Owner Name"},
    {0x000c, "SerialNo", nullptr, FormatSerialNumber, "Canon Serial Number"},
    {0x000f, "CustomFnc", nullptr, nullptr, "Canon Custom Functions"},
    kEnd};

// Ids are indexes into the array of 16-bit settings.
const PLExifTagDescription kExifCanonSet1Table[] = {
    {0x0001, "Macro", kCanonMacro, nullptr, "Canon Macro Mode"},
    {0x0004, "Flash", kCanonFlash, nullptr, "Canon Flash Mode"},
    {0x0005, "Drive", kCanonDrive, nullptr, "Canon Drive Mode"},
    {0x0007, "Focus", kCanonFocus, nullptr, "Canon Focus Mode"},
    {0x000a, "ImgSize", kCanonImageSize, nullptr, "Canon Image Size"},
    {0x000b, "Shoot", kCanonShootingMode, nullptr, "Canon Shooting Mode"},
    {0x000d, "Contrast", kCanonLevel, nullptr, "Canon Contrast"},
    {0x000e, "Saturation", kCanonLevel, nullptr, "Canon Saturation"},
    {0x000f, "Sharpness", kCanonLevel, nullptr, "Canon Sharpness"},
    {0x0010, "ISO", kCanonIso, nullptr, "Canon ISO"},
    {0x0011, "Metering", kCanonMetering, nullptr, "Canon Metering Mode"},
    {0x0013, "AFPoint", kCanonAFPoint, nullptr, "Canon AF Point"},
    {0x0014, "ExpMode", nullptr, nullptr, "Canon Exposure Mode"},
    {0x0017, "LongFocal", nullptr, nullptr, "Canon Long Focal Length"},
    {0x0018, "ShortFocal", nullptr, nullptr, "Canon Short Focal Length"},
    {0x0019, "FocalUnits", nullptr, nullptr, "Canon Focal Units per mm"},
    {0x001d, "FlashDet", nullptr, FormatFlashDetails, "Canon Flash Details"},
    {0x0020, "FocusMode", nullptr, nullptr, "Canon Focus Mode 2"},
    kEnd};

const PLExifTagDescription kExifCanonSet2Table[] = {
    {0x0007, "WhiteBal", kCanonWhiteBalance, nullptr, "Canon White Balance"},
    {0x0009, "SeqNo", nullptr, nullptr, "Canon Sequence Number"},
    {0x000e, "AF Point", nullptr, FormatFocusPoint, "Canon AF Point Used"},
    {0x000f, "FlashBias", kCanonFlashBias, nullptr, "Canon Flash Bias"},
    {0x0013, "SubjectDist", nullptr, nullptr, "Canon Subject Distance"},
    kEnd};

const PLExifTagDescription kExifCanonCustomTable[] = {
    {0x0001, "NoiseRed", kCfnOffOn, nullptr, "Canon CFn 01 Long exp noise reduction"},
    {0x0002, "Lock", kCfnLock, nullptr, "Canon CFn 02 Shutter/AE lock buttons"},
    {0x0003, "MirrorLock", kCfnDisableEnable, nullptr, "Canon CFn 03 Mirror lockup"},
    {0x0004, "TVAVexp", kCfnExposureSteps, nullptr, "Canon CFn 04 Tv/Av and exposure level"},
    {0x0005, "AFassist", kCfnAFAssist, nullptr, "Canon CFn 05 AF-assist light"},
    {0x0006, "ShuttAv", kCfnShutterAv, nullptr, "Canon CFn 06 Shutter speed in Av mode"},
    {0x0007, "AEBSeq", kCfnAEB, nullptr, "Canon CFn 07 AEB sequence/auto cancellation"},
    {0x0008, "ShuttSync", kCfnSync, nullptr, "Canon CFn 08 Shutter curtain sync"},
    {0x0009, "AFStop", kCfnAFStop, nullptr, "Canon CFn 09 Lens AF stop button"},
    {0x000a, "FillReduce", kCfnEnableDisable, nullptr, "Canon CFn 10 Fill flash auto reduction"},
    {0x000b, "MenuButt", kCfnMenu, nullptr, "Canon CFn 11 Menu button return position"},
    {0x000c, "SetButt", kCfnSet, nullptr, "Canon CFn 12 SET button function"},
    {0x000d, "SensClean", kCfnDisableEnable, nullptr, "Canon CFn 13 Sensor cleaning"},
    kEnd};

const PLExifTagDescription kExifFujiTable[] = {
    {0x0000, "Version", nullptr, nullptr, "Fujifilm Note Version"},
    {0x1000, "Quality", kCapitalised, nullptr, "Fujifilm Quality"},
    {0x1001, "Sharpness", kFujiSharpness, nullptr, "Fujifilm Sharpness"},
    {0x1002, "WhiteBal", kFujiWhiteBalance, nullptr, "Fujifilm White Balance"},
    {0x1003, "Color", kFujiLevel, nullptr, "Fujifilm Color Saturation"},
    {0x1004, "Contrast", kFujiLevel, nullptr, "Fujifilm Contrast"},
    {0x1010, "FlashMode", kFujiFlashMode, nullptr, "Fujifilm Flash Mode"},
    {0x1011, "FlashStrg", nullptr, FormatDecimal, "Fujifilm Flash Strength"},
    {0x1020, "Macro", nullptr, nullptr, "Fujifilm Macro"},
    {0x1021, "Focus", kFujiFocus, nullptr, "Fujifilm Focus Mode"},
    {0x1022, "Unknown1022", nullptr, nullptr, "Fujifilm Unknown 0x1022"},
    {0x1023, "Unknown1023", nullptr, nullptr, "Fujifilm Unknown 0x1023"},
    {0x1030, "SlowSnyc", nullptr, nullptr, "Fujifilm Slow Sync"},
    {0x1031, "Picture", kFujiPicture, nullptr, "Fujifilm Picture Mode"},
    {0x1032, "Unknown1032", nullptr, nullptr, "Fujifilm Unknown 0x1032"},
    {0x1100, "Sequence", kNoYes, nullptr, "Fujifilm Continuous Shooting"},
    {0x1101, "Unknown1101", nullptr, nullptr, "Fujifilm Unknown 0x1101"},
    {0x1200, "Unknown1200", nullptr, nullptr, "Fujifilm Unknown 0x1200"},
    {0x1300, "BlurWarn", nullptr, nullptr, "Fujifilm Blur Warning"},
    {0x1301, "FocusWarn", nullptr, nullptr, "Fujifilm Focus Warning"},
    {0x1302, "AEWarn", kNoYes, nullptr, "Fujifilm Exposure Warning"},
    kEnd};

const PLExifTagDescription kExifCasioTable[] = {
    {0x0001, "RecordMode", kCasioRecordMode, nullptr, "Casio Recording Mode"},
    {0x0002, "Quality", kCasioQuality, nullptr, "Casio Quality"},
    {0x0003, "FocusMode", kCasioFocusMode, nullptr, "Casio Focus Mode"},
    {0x0004, "FlashMode", kCasioFlashMode, nullptr, "Casio Flash Mode"},
    {0x0005, "FlasIntense", kCasioFlashIntensity, nullptr, "Casio Flash Intensity"},
    {0x0006, "ObjDist", kUnitMillimetres, nullptr, "Casio Object Distance"},
    {0x0007, "WhiteBal", kCasioWhiteBalance, nullptr, "Casio White Balance"},
    {0x0008, "Unknown0008", nullptr, nullptr, "Casio Unknown 0x0008"},
    {0x0009, "Unknown0009", nullptr, nullptr, "Casio Unknown 0x0009"},
    {0x000a, "DigZoom", kCasioDigitalZoom, nullptr, "Casio Digital Zoom"},
    {0x000b, "Sharpness", kCasioSharpness, nullptr, "Casio Sharpness"},
    {0x000c, "Contrast", kCasioLevel, nullptr, "Casio Contrast"},
    {0x000d, "Saturation", kCasioLevel, nullptr, "Casio Saturation"},
    {0x000e, "Unknown000E", nullptr, nullptr, "Casio Unknown 0x000E"},
    {0x000f, "Unknown000F", nullptr, nullptr, "Casio Unknown 0x000F"},
    {0x0010, "Unknown0010", nullptr, nullptr, "Casio Unknown 0x0010"},
    {0x0011, "Unknown0011", nullptr, nullptr, "Casio Unknown 0x0011"},
    {0x0012, "Unknown0012", nullptr, nullptr, "Casio Unknown 0x0012"},
    {0x0013, "Unknown0013", nullptr, nullptr, "Casio Unknown 0x0013"},
    {0x0014, "CCDSense", kCasioSensitivity, nullptr, "Casio CCD Sensitivity"},
    {0x0015, "Unknown0015", nullptr, nullptr, "Casio Unknown 0x0015"},
    {0x0016, "Enhancement", nullptr, nullptr, "Casio Enhancement"},
    {0x0017, "Filter", nullptr, nullptr, "Casio Filter"},
    {0x0018, "FocFrmLoc", nullptr, nullptr, "Casio Focus Frame Location"},
    {0x0019, "CCDSense", kCasioSensitivity, nullptr, "Casio CCD Sensitivity 2"},
    {0x001a, "Unknown001A", nullptr, nullptr, "Casio Unknown 0x001A"},
    {0x0100, "MeterMode", nullptr, nullptr, "Casio Metering Mode"},
    {0x0101, "EVShift", kCasioEVShift, nullptr, "Casio Exposure Shift"},
    {0x0102, "Unknown0102", nullptr, nullptr, "Casio Unknown 0x0102"},
    {0x0103, "Aperture", nullptr, nullptr, "Casio Aperture"},
    {0x0104, "RecordMode2", nullptr, nullptr, "Casio Recording Mode 2"},
    {0x0105, "Composition", nullptr, nullptr, "Casio Composition"},
    {0x0106, "ExpMode", kCasioExposureMode, nullptr, "Casio Exposure Mode"},
    {0x0107, "Unknown0107", nullptr, nullptr, "Casio Unknown 0x0107"},
    kEnd};

const PLExifTagDescription* FindExifTagDescription(const PLExifTagDescription* table, uint32_t id)
{
    for (; table && table->shortName; ++table)
        if (table->id == id)
            return table;
    return nullptr;
}
