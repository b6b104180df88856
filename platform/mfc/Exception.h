#pragma once
// CException: the base of the framework's exceptions. They are thrown by value and caught by
// reference (catch (const CArchiveException& e)); nothing is ever deleted by the catcher.

#include <exception>
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

private:
    std::string m_what;
};
