#pragma once
// The fixture of the component tests: the real model, current (it makes thumbnail cameras), undo recording
// off, and the class-version map of the records a test reads. Components read or made by a test are freed
// with the fixture, before the model frees what reading dropped.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "database/CurrentModel.h"
#include "database/UndoManager.h"
#include "model/ZephyronModel.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ComponentRecords.h"
#include "tests/support/ModelFileWriter.h"

class ComponentTest : public ::testing::Test {
protected:
    ComponentTest();
    ~ComponentTest() override;

    // Installs the version map of the entries (replacing any earlier one).
    static void UseSchemas(const ModelFileWriter::VersionMap& entries);
    // Reads one object from the bytes; every byte must be read.
    CObject* ReadObject(const Bytes& bytes);
    template <class T>
    T* Read(const Bytes& bytes)
    {
        return dynamic_cast<T*>(ReadObject(bytes));
    }
    // The cause of the archive exception that reading raises.
    int ReadFailure(const Bytes& bytes);

    // A root component (freed by the fixture).
    CComponent* NewRoot();
    // A definition listed by the root's definition list.
    CComponentDefinition* NewDefinition(CComponent& root, const wchar_t* name, int32_t kind = 0);
    // An instance of the definition added to the component.
    CComponentInstance* Place(CComponent& component, CComponentDefinition& definition);
    // The root is freed with the fixture.
    void Own(CComponent* root) { m_roots.emplace_back(root); }

    CZephyronModel m_model;
    CCurrentModelScope m_current{&m_model};
    CSuspendUndo m_unrecorded;

private:
    std::vector<std::unique_ptr<CComponent>> m_roots;
};
