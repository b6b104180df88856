// The archive's string record, checked against bytes written out by hand.

#include <gtest/gtest.h>

#include "tests/support/ArchiveBytes.h"

namespace {

const Bytes kUnicodeMarker = {0xFF, 0xFE, 0xFF};

CString ReadOneString(const Bytes& bytes)
{
    CString text;
    ReadFrom(bytes, [&](CArchive& ar) {
        ar >> text;
        EXPECT_TRUE(IsAtEnd(ar));
    });
    return text;
}

Bytes WriteOneString(const CString& text)
{
    return WrittenBy([&](CArchive& ar) { ar << text; });
}

struct StringRecord {
    const char* what;
    CString text;
    Bytes bytes;
};

// Records that read to the text and that the archive writes byte for byte (always UTF-16).
const StringRecord kUtf16Records[] = {
    {"the model header", L"Zephyron Model", kUnicodeMarker + Bytes{0x0E} + Utf16Le(u"Zephyron Model")},
    {"an empty string", L"", kUnicodeMarker + Bytes{0x00}},
    {"a character outside the basic plane as a surrogate pair", L"a\U0001F600",
     kUnicodeMarker + Bytes{0x03, 0x61, 0x00, 0x3D, 0xD8, 0x00, 0xDE}},
};

TEST(ArchiveString, Utf16RecordsReadAndWriteByteForByte)
{
    for (const auto& record : kUtf16Records) {
        SCOPED_TRACE(record.what);
        EXPECT_EQ(ReadOneString(record.bytes), record.text);
        EXPECT_EQ(WriteOneString(record.text), record.bytes);
    }
}

TEST(ArchiveString, EightBitRecordsReadThroughCodePage1252)
{
    const StringRecord records[] = {
        {"plain letters", L"abc", {0x03, 0x61, 0x62, 0x63}},
        {"the euro sign, e acute and Y diaeresis", L"\u20AC\u00E9\u0178", {0x03, 0x80, 0xE9, 0x9F}},
        {"an empty string", L"", {0x00}},
        {"a 16-bit length below FF", L"abc", {0xFF, 0x03, 0x00, 0x61, 0x62, 0x63}},
        {"a 32-bit length below FFFE", L"abc", {0xFF, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63}},
    };
    for (const auto& record : records) {
        SCOPED_TRACE(record.what);
        EXPECT_EQ(ReadOneString(record.bytes), record.text);
    }
}

TEST(ArchiveString, WhatIsNoCharacterBecomesTheReplacementCharacter)
{
    const Bytes replacementThenX = kUnicodeMarker + Bytes{0x02, 0xFD, 0xFF, 0x78, 0x00};
    EXPECT_EQ(ReadOneString(kUnicodeMarker + Bytes{0x02, 0x00, 0xD8, 0x78, 0x00}), L"\uFFFDx");
    EXPECT_EQ(WriteOneString(CString(L"\xD800x")), replacementThenX);
    EXPECT_EQ(WriteOneString(CString(L"\x110000x")), replacementThenX);
}

struct LengthForm {
    size_t length;
    Bytes bytes;
};

// One byte below FF; FF and 16 bits below FFFE; FF FF FF and 32 bits from FFFE on.
const LengthForm kLengthForms[] = {
    {254, {0xFE}},
    {255, {0xFF, 0xFF, 0x00}},
    {65533, {0xFF, 0xFD, 0xFF}},
    {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
    {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
};

TEST(ArchiveString, LengthFormsAtTheirLimitsInBothDirections)
{
    for (const auto& form : kLengthForms) {
        SCOPED_TRACE(form.length);
        CString text(L'x', static_cast<int>(form.length));
        Bytes utf16 = kUnicodeMarker + form.bytes + Repeat({0x78, 0x00}, form.length);
        EXPECT_EQ(WriteOneString(text), utf16);
        EXPECT_EQ(ReadOneString(utf16), text);
        EXPECT_EQ(ReadOneString(form.bytes + Repeat({0x78}, form.length)), text);
    }
}

TEST(ArchiveString, ReadingReplacesTheWholeText)
{
    CString text = L"a much longer text than the one read";
    ReadFrom({0x02, 0x68, 0x69}, [&](CArchive& ar) { ar.ReadString(text); });
    EXPECT_EQ(text, L"hi");
}

TEST(ArchiveString, LongStringsCrossManyBufferRefills)
{
    CString text;
    for (int i = 0; i < 5000; ++i)
        text += static_cast<wchar_t>(i % 3 == 0 ? 0x1F600 + i % 50 : L'a' + i % 26);
    Bytes bytes = WriteOneString(text);
    for (int bufferSize : {16, 17, 4096}) {
        SCOPED_TRACE(bufferSize);
        CString read;
        ReadFrom(
            bytes, [&](CArchive& ar) { ar >> read; }, bufferSize);
        EXPECT_EQ(read, text);
    }
}

}  // namespace
