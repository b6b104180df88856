// The messages of the archive and file exceptions: the cause in words, with the file named.

#include <cerrno>
#include <functional>

#include <gtest/gtest.h>

#include "platform/mfc/ArchiveException.h"
#include "platform/mfc/FileException.h"

namespace {

TEST(ExceptionMessages, NameTheCauseAndTheFile)
{
    struct Case {
        const char* what;
        std::function<CString()> message;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"archive, named",
         [] { return CArchiveException(CArchiveException::badClass, L"/m/a.zph").GetErrorMessage(); },
         L"An object of an unknown or unexpected class was found in \"/m/a.zph\"."},
        {"archive, unnamed", [] { return CArchiveException(CArchiveException::endOfFile).GetErrorMessage(); },
         L"Unexpected end of data in the archive."},
        {"archive, a cause beyond the known ones",
         [] { return CArchiveException(42, L"x").GetErrorMessage(); },
         L"An unexpected format was found in \"x\"."},
        {"file, named",
         [] { return CFileException(CFileException::diskFull, 0, L"/m/a.zph").GetErrorMessage(); },
         L"The disk is full while writing \"/m/a.zph\"."},
        {"file, unnamed", [] { return CFileException(CFileException::badSeek).GetErrorMessage(); },
         L"Cannot move to that position in the file."},
        {"file, a negative cause", [] { return CFileException(-3).GetErrorMessage(); },
         L"An unexpected error occurred while accessing the file."},
        {"file, with the system's reason",
         [] { return CFileException(CFileException::fileNotFound, ENOENT, L"a").GetErrorMessage(); },
         L"Cannot find \"a\". (No such file or directory)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.message(), c.expected) << c.what;
}

TEST(ExceptionMessages, WhatGivesTheMessageInUtf8)
{
    try {
        AfxThrowArchiveException(CArchiveException::genericException, L"/models/caf\u00E9.zph");
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::genericException);
        EXPECT_STREQ(e.what(), "An unexpected format was found in \"/models/caf\xC3\xA9.zph\".");
    }
}

}  // namespace
