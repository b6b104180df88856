#include "tests/support/WindowTest.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <thread>

namespace {
void ReportWxAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
                    const wxString& message)
{
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wx assert \"" << condition.utf8_string() << "\" in " << function.utf8_string() << ": "
        << message.utf8_string();
}
}  // namespace

bool PumpEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        wxTheApp->Yield(true);
        wxTheApp->ProcessPendingEvents();
        // Idle processing is where wx deletes windows that were closed.
        wxTheApp->ProcessIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(ReportWxAssert);
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "wxWidgets could not start: window tests need an X display\n");
        return 1;
    }
    int result = 0;
    {
        // Yield only dispatches events while some event loop is active.
        wxGUIEventLoop loop;
        wxEventLoopActivator activate(&loop);
        result = RUN_ALL_TESTS();
    }
    wxEntryCleanup();
    return result;
}
