#pragma once
// The validity framework that every entity's self-check shares.
//
// Results: 0 valid (or every problem fixed), 1 a fixable problem left unfixed, 2 invalid,
// 3 invalid (wrong class, unusable pointer, or an exception during the check). Levels: 0 check
// and report, 1 check, report and fix, 2 like 0 but negative ids accepted. Problems go into
// one process-wide report text; a fixed problem's message is followed by " - fixed\n";
// entities are named as "%s (%d)", class name and id.
//
// The validity-check switch is off from the start: while it is off, every class's check but
// CEntity's own answers 0 at once. The model-level check and the check after an operation
// turn it on for their duration (CValidityCheckScope).

#include <unordered_map>

#include "platform/mfc/String.h"

class CEntity;

// Object address (any checked object, also null) to its result. Whoever starts a check
// creates it and passes it down; a null map remembers nothing and skips the checks of
// contained objects.
using CCheckedObjectMap = std::unordered_map<const void*, int>;

enum ValidityLevel : int { kValidityCheck = 0, kValidityFix = 1, kValidityCheckIgnoringIds = 2 };

bool AreValidityChecksEnabled();
// Returns the previous state.
bool SetValidityChecksEnabled(bool enabled);

// Turns the checks on for its lifetime and restores the earlier state, also when an
// exception leaves the scope.
class CValidityCheckScope {
public:
    CValidityCheckScope() : m_wasEnabled(SetValidityChecksEnabled(true)) {}
    ~CValidityCheckScope() { SetValidityChecksEnabled(m_wasEnabled); }
    CValidityCheckScope(const CValidityCheckScope&) = delete;
    CValidityCheckScope& operator=(const CValidityCheckScope&) = delete;

private:
    bool m_wasEnabled;
};

// "%s (%d)" of the class name and id; "(NULL}" for null; "(Garbage)" when forming it throws.
CString DescribeEntity(const CEntity* entity);
// Stores the result for the object when there is a map; returns the result.
int RecordValidity(const void* object, int result, CCheckedObjectMap* map);
// The result stored for the object, when there is a map and it holds one.
bool FindValidity(const void* object, const CCheckedObjectMap* map, int& result);

// printf-style on wide strings (Windows rules: %s takes a wide string); a failure while
// appending is swallowed.
void AppendValidityMessage(const wchar_t* format, ...);
// The same with an English format, which is translated into the user-interface language first.
void AppendValidityMessage(const char* englishFormat, ...);
void ClearValidityReport();
CString GetValidityReport();
bool HasValidityProblems();

namespace CheckValidity {

// How checks talk to the user. The default answers Ask with 1 for kind 2 and 2 for every other
// kind, and shows nothing.
class UI {
public:
    virtual ~UI() = default;
    // Kind 1 asks whether found problems are to be fixed; kind 2 tells of problems that cannot
    // be fixed. The caller decides what the answer codes mean.
    virtual int Ask(int kind, const CString& detail);
    virtual void ShowResults(const CString& title, const CString& text);
};

// Installs a UI (not owned; null for none) and returns the one installed before. The default
// UI is installed from the start.
UI* SetUI(UI* ui);
// The installed UI's answer, or 2 when none is installed.
int AskUser(int kind, const CString& detail);
// Shows the message, a line end, then the report, or "No problems found." and a line end when
// the report is empty, under the title "Validity Check". Never throws.
void ShowReport(const CString& message);

}  // namespace CheckValidity
