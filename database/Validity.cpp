#include "database/Validity.h"

#include <cstdarg>

#include "database/Entity.h"
#include "support/StringTable.h"

using orbisk::utils::TranslateString;

namespace {

bool g_validityChecksEnabled = false;

CString& Report()
{
    static CString report;
    return report;
}

CheckValidity::UI g_defaultUI;
CheckValidity::UI* g_installedUI = &g_defaultUI;

void AppendMessageV(const wchar_t* format, va_list arguments)
{
    try {
        Report().AppendFormatV(format, arguments);
    } catch (...) {}
}

}  // namespace

bool AreValidityChecksEnabled()
{
    return g_validityChecksEnabled;
}

bool SetValidityChecksEnabled(bool enabled)
{
    const bool previous = g_validityChecksEnabled;
    g_validityChecksEnabled = enabled;
    return previous;
}

CString DescribeEntity(const CEntity* entity)
{
    if (!entity)
        return CString(L"(NULL}");
    try {
        CString text;
        text.Format(L"%s (%d)", entity->GetClassName().GetString(), entity->GetId());
        return text;
    } catch (...) {
        return CString(L"(Garbage)");
    }
}

int RecordValidity(const void* object, int result, CCheckedObjectMap* map)
{
    if (map)
        (*map)[object] = result;
    return result;
}

bool FindValidity(const void* object, const CCheckedObjectMap* map, int& result)
{
    if (!map)
        return false;
    auto found = map->find(object);
    if (found == map->end())
        return false;
    result = found->second;
    return true;
}

void AppendValidityMessage(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    AppendMessageV(format, arguments);
    va_end(arguments);
}

void AppendValidityMessage(const char* englishFormat, ...)
{
    CString format;
    try {
        format = TranslateString(englishFormat);
    } catch (...) {
        return;
    }
    va_list arguments;
    va_start(arguments, englishFormat);
    AppendMessageV(format.GetString(), arguments);
    va_end(arguments);
}

void ClearValidityReport()
{
    Report().Empty();
}

CString GetValidityReport()
{
    return Report();
}

bool HasValidityProblems()
{
    return !Report().IsEmpty();
}

namespace CheckValidity {

int UI::Ask(int kind, const CString&)
{
    return kind == 2 ? 1 : 2;
}

void UI::ShowResults(const CString&, const CString&) {}

UI* SetUI(UI* ui)
{
    UI* previous = g_installedUI;
    g_installedUI = ui;
    return previous;
}

int AskUser(int kind, const CString& detail)
{
    return g_installedUI ? g_installedUI->Ask(kind, detail) : 2;
}

void ShowReport(const CString& message)
{
    try {
        CString text = message + L"\n";
        text += HasValidityProblems() ? Report() : TranslateString("No problems found.") + L"\n";
        if (g_installedUI)
            g_installedUI->ShowResults(TranslateString("Validity Check"), text);
    } catch (...) {}
}

}  // namespace CheckValidity
