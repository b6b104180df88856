#pragma once
// Every undo manager opens a log in the temporary folder: a suite that makes undo managers
// includes this once (in one source file) to keep the logs of its process in a folder of its
// own, removed when the tests end.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/support/TempFolder.h"

class UndoLogFolder : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_folder = std::make_unique<TempFolder>();
        setenv("TMPDIR", m_folder->Path().c_str(), 1);
    }
    void TearDown() override { m_folder.reset(); }

private:
    std::unique_ptr<TempFolder> m_folder;
};

namespace {

[[maybe_unused]] ::testing::Environment* const g_undoLogFolder =
    ::testing::AddGlobalTestEnvironment(new UndoLogFolder);

}  // namespace
