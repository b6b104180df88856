#pragma once

#include <chrono>
#include <functional>

// Support for tests that open real windows (under Xvfb). Link zph_test_window, which also
// supplies main(): it starts wxWidgets with an event loop active, turns wx asserts into
// test failures and sends wx logging to stderr, so nothing ever opens a modal dialog.

// Runs the event loop until the condition holds; false when it still does not hold after
// the timeout. The timeout only guards against a hang: conditions are events, not delays.
bool PumpEventsUntil(const std::function<bool()>& condition,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20));
