// Which pixel formats suit a request, how they rank, and which extensions the display lists.
#include "tests/viewer/ScriptedPixelFormats.h"
#include "viewer/GLConfigUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace GLConfigUtils;

PixelFormatCandidate Candidate(int number, const ScriptedFormat& format, int level = 0)
{
    return {number, CScriptedPixelFormats::Describe(format), level};
}

std::vector<int> Numbers(const PixelFormatCandidateList& list)
{
    std::vector<int> numbers;
    for (const PixelFormatCandidate& candidate : list)
        numbers.push_back(candidate.format);
    return numbers;
}

struct LessCase {
    const char* what;
    PixelFormatCandidate a;
    PixelFormatCandidate b;
    bool aFirst;
};

TEST(GLConfigRanking, OrdersByStencilThenDepthThenColourThenPrefersMultisamplingFirst)
{
    const LessCase cases[] = {
        {"stencil before depth", Candidate(1, {.depth = 32, .stencil = 0}),
         Candidate(2, {.depth = 16, .stencil = 8}), true},
        {"depth before colour", Candidate(1, {.color = 24, .depth = 16}),
         Candidate(2, {.color = 15, .depth = 24}), true},
        {"colour counts alpha", Candidate(1, {.color = 24, .alpha = 0}),
         Candidate(2, {.color = 24, .alpha = 8}), true},
        {"more colour later", Candidate(1, {.color = 24}), Candidate(2, {.color = 15}), false},
        {"equal bits: multisampled first", Candidate(1, {}, 4), Candidate(2, {}, 0), true},
        {"equal bits: plain later", Candidate(1, {}, 0), Candidate(2, {}, 2), false},
        {"full tie is not less", Candidate(1, {}), Candidate(2, {}), false},
    };
    for (const LessCase& test : cases)
        EXPECT_EQ(PixelFormatLess(test.a, test.b), test.aFirst) << test.what;
}

struct PickCase {
    const char* what;
    PixelFormatCandidateList list;
    int best;
};

TEST(GLConfigRanking, PicksMostStencilThenDepthThenColourAndPrefersNoMultisampling)
{
    const PickCase cases[] = {
        {"empty list", {}, 0},
        {"stencil wins over depth",
         {Candidate(1, {.depth = 32, .stencil = 0}), Candidate(2, {.depth = 16})},
         2},
        {"depth wins over colour",
         {Candidate(3, {.color = 24, .depth = 16}), Candidate(4, {.color = 15, .depth = 24})},
         4},
        {"colour decides last",
         {Candidate(5, {.color = 15}), Candidate(6, {.color = 24}), Candidate(7, {.color = 12})},
         6},
        {"no multisampling wins among equals",
         {Candidate(8, {}, 4), Candidate(9, {}, 0), Candidate(10, {}, 2)},
         9},
        {"a full tie goes to the higher number",
         {Candidate(12, {.alpha = 8}), Candidate(11, {.alpha = 8})},
         12},
    };
    for (const PickCase& test : cases)
        EXPECT_EQ(PickBestFormat(test.list), test.best) << test.what;
}

TEST(GLConfigRanking, DuplicatesIgnoreAlphaKeepTheFewerAlphaBitsAndTheNumberToKeep)
{
    PixelFormatCandidateList list = {
        Candidate(7, {.alpha = 8}),
        Candidate(3, {.alpha = 0}),
        Candidate(5, {.alpha = 8}),
        Candidate(4, {.accelerated = false, .alpha = 8}),  // other acceleration: no duplicate
        Candidate(6, {.alpha = 8}, 4),                     // other multisample level: no duplicate
    };
    PixelFormatCandidateList kept = list;
    EXPECT_EQ(RemoveDuplicateFormats(kept, 0), 3);
    EXPECT_EQ(Numbers(kept), (std::vector<int>{3, 4, 6})) << "fewer alpha bits survive, sorted by number";

    kept = list;
    EXPECT_EQ(RemoveDuplicateFormats(kept, 5), 4);
    EXPECT_EQ(Numbers(kept), (std::vector<int>{3, 4, 5, 6})) << "the number to keep is never removed";
}

struct FilterCase {
    const char* what;
    GLConfigRecord request;
    std::vector<int> expected;
};

TEST(GLConfigRanking, PlainEnumerationFiltersByBufferingSwapCopyAccelerationAndBits)
{
    CScriptedPixelFormats formats(
        {
            {},                                        // 1 hardware
            {.accelerated = false},                    // 2 software
            {.swapCopy = true},                        // 3 hardware, swap copy
            {.accelerated = false, .swapCopy = true},  // 4 software, swap copy
            {.doubleBuffer = false},                   // 5 single-buffered
            {.rgba = false},                           // 6 colour index
            {.depth = 15},                             // 7 too little depth
            {.color = 6},                              // 8 too little colour
            {.samples = 4},                            // 9 the multisample extension's
        },
        "");
    const FilterCase cases[] = {
        {"hardware only", {0, 1, 24, 8, 16, 8, 0}, {1, 3}},
        {"software only", {0, 0, 24, 8, 16, 8, 0}, {2, 4}},
        {"either", {0, 2, 24, 8, 16, 8, 0}, {1, 2, 3, 4}},
        {"swap copy required", {0, 2, 24, 8, 16, 8, 1}, {3, 4}},
        {"swap copy only preferred", {0, 2, 24, 8, 16, 8, 2}, {1, 2, 3, 4}},
    };
    for (const FilterCase& test : cases) {
        PixelFormatCandidateList list;
        EXPECT_EQ(GetCompatibleGLDevCaps(formats, test.request, list), static_cast<int>(test.expected.size()))
            << test.what;
        EXPECT_EQ(Numbers(list), test.expected) << test.what;
    }
}

TEST(GLConfigRanking, PixelFormatExtensionAddsMultisampledFormatsButThePlainOneIsChosen)
{
    CScriptedPixelFormats formats(
        {
            {.accelerated = false},  // 1
            {.samples = 2},          // 2
            {},                      // 3
            {.samples = 4},          // 4
            {.depth = 32},           // 5: the extension takes the first that answers
        },
        "WGL_ARB_extensions_string WGL_ARB_pixel_format WGL_ARB_multisample");
    PixelFormatCandidateList list;
    const GLConfigRecord request{0, 1, 24, 8, 16, 8, 0};
    ASSERT_EQ(GetCompatibleGLDevCaps(formats, request, list), 3);
    EXPECT_EQ(Numbers(list), (std::vector<int>{3, 4, 2}));
    EXPECT_EQ(list[1].multisampleLevel, 4);
    EXPECT_EQ(list[2].multisampleLevel, 2);
    EXPECT_EQ(ChoosePixelFormat(formats, request), 3);

    // Without the multisample extension only the plain format is found.
    CScriptedPixelFormats plain({{}, {.samples = 4}}, "WGL_ARB_pixel_format");
    EXPECT_EQ(GetCompatibleGLDevCaps(plain, request, list), 1);
    EXPECT_EQ(list[0].multisampleLevel, 0);
}

TEST(GLConfigRanking, ExtensionsMatchOnlyAsWholeWords)
{
    CScriptedPixelFormats formats({}, "WGL_ARB_extensions_string WGL_ARB_pixel_format WGL_EXT_swap_control");
    const struct {
        const char* name;
        bool supported;
    } cases[] = {
        {"WGL_ARB_extensions_string", true},  // first
        {"WGL_ARB_pixel_format", true},       // middle
        {"WGL_EXT_swap_control", true},       // last
        {"WGL_ARB_pixel", false},             // a prefix of a listed name
        {"ARB_pixel_format", false},          // a suffix
        {"WGL_ARB_pixel_format WGL", false},
        {"WGL_ARB_multisample", false},
        {"", false},
    };
    for (const auto& test : cases)
        EXPECT_EQ(IsWGLExtensionSupported(test.name, &formats), test.supported) << test.name;

    CScriptedPixelFormats none({}, "");
    EXPECT_FALSE(IsWGLExtensionSupported("WGL_ARB_pixel_format", &none)) << "no string and no GL context";
}

TEST(GLConfigRanking, DescribesAccelerationKindBufferingAndBits)
{
    PIXELFORMATDESCRIPTOR pfd = CScriptedPixelFormats::Describe({.accelerated = false, .depth = 32});
    pfd.cAccumBits = 64;
    pfd.cAccumRedBits = pfd.cAccumGreenBits = pfd.cAccumBlueBits = pfd.cAccumAlphaBits = 16;
    EXPECT_EQ(DescribeFormat(pfd), L"GEN\tDBL\tRGBA\t24 (8-8-8-8)\t32\t8\t64 (16-16-16-16)");
    EXPECT_FALSE(IsAccelerated(pfd));

    pfd.dwFlags |= PFD_GENERIC_ACCELERATED;
    EXPECT_EQ(GetAccelerationKind(pfd), 2);
    EXPECT_TRUE(IsAccelerated(pfd));

    pfd.dwFlags &= ~(PFD_GENERIC_FORMAT | PFD_DOUBLEBUFFER);
    pfd.iPixelType = PFD_TYPE_COLORINDEX;
    EXPECT_EQ(DescribeFormat(pfd).substr(0, 12), L"ICD\tSGL\tCI\t2");
}

}  // namespace
