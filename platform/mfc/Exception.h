#pragma once
// CException: the base of the framework's exceptions. They are thrown by value and caught by
// reference (catch (const CArchiveException& e)); nothing is ever deleted by the catcher.

#include <exception>
#include <span>
#include <string>

#include "platform/mfc/String.h"

class CException : public std::exception {
public:
    // The text shown to the user.
    virtual CString GetErrorMessage() const = 0;

    // The same text in UTF-8, for logs and test output.
    const char* what() const noexcept override { return m_what.c_str(); }

protected:
    CException() = default;
    void SetWhat(const CString& message);

    // The message of a cause, for the exceptions that name a file: the cause's text from
    // the table (indexed by cause; entry 1, the generic cause, for a number beyond it)
    // with "%s" standing for the file's name in quotes, or for `unnamed` without a name.
    static CString FormatCauseMessage(std::span<const wchar_t* const> texts, int cause,
                                      const CString& fileName, const wchar_t* unnamed);

private:
    std::string m_what;
};
