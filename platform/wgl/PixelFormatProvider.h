#pragma once
// Pixel formats as the configuration code reasons about them: a descriptor with the field
// names and flags of the Win32 PIXELFORMATDESCRIPTOR, and the formats one display offers to
// windows, numbered from 1 like Win32 pixel formats.

#include <cstdint>
#include <string>

inline constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x00000001;
inline constexpr std::uint32_t PFD_STEREO = 0x00000002;
inline constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x00000004;
inline constexpr std::uint32_t PFD_DRAW_TO_BITMAP = 0x00000008;
inline constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x00000020;
inline constexpr std::uint32_t PFD_GENERIC_FORMAT = 0x00000040;
inline constexpr std::uint32_t PFD_SWAP_EXCHANGE = 0x00000200;
inline constexpr std::uint32_t PFD_SWAP_COPY = 0x00000400;
inline constexpr std::uint32_t PFD_GENERIC_ACCELERATED = 0x00001000;

inline constexpr std::uint8_t PFD_TYPE_RGBA = 0;
inline constexpr std::uint8_t PFD_TYPE_COLORINDEX = 1;

struct PIXELFORMATDESCRIPTOR {
    std::uint16_t nSize = sizeof(PIXELFORMATDESCRIPTOR);
    std::uint16_t nVersion = 1;
    std::uint32_t dwFlags = 0;
    std::uint8_t iPixelType = PFD_TYPE_RGBA;
    std::uint8_t cColorBits = 0;  // red + green + blue, without alpha
    std::uint8_t cRedBits = 0;
    std::uint8_t cGreenBits = 0;
    std::uint8_t cBlueBits = 0;
    std::uint8_t cAlphaBits = 0;
    std::uint8_t cAccumBits = 0;
    std::uint8_t cAccumRedBits = 0;
    std::uint8_t cAccumGreenBits = 0;
    std::uint8_t cAccumBlueBits = 0;
    std::uint8_t cAccumAlphaBits = 0;
    std::uint8_t cDepthBits = 0;
    std::uint8_t cStencilBits = 0;
};

// The pixel formats of one display, as a window's device context sees them. Format numbers
// run from 1 to the count; the surface (window) has at most one format, set once.
class IPixelFormatProvider {
public:
    virtual ~IPixelFormatProvider() = default;

    // The number of formats; with a descriptor, also describes the format and answers 0 when
    // the number is out of range.
    virtual int DescribePixelFormat(int format, PIXELFORMATDESCRIPTOR* descriptor) = 0;
    // Samples per pixel of the format: 0 when it is not multisampled or out of range.
    virtual int GetPixelFormatSamples(int format) = 0;
    // The window-system extensions, blank-separated, under their WGL names; empty when the
    // display tells none.
    virtual std::string GetExtensionsString() = 0;
    // The surface's format, 0 while it has none.
    virtual int GetPixelFormat() = 0;
    // A surface takes one format for its lifetime: setting another one fails.
    virtual bool SetPixelFormat(int format) = 0;
};
