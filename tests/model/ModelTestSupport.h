#pragma once
// Shared helpers of the model tests: recorders of database events, selection reports and
// named notifications, and a fixture that gives each test a fresh current undo manager.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "database/DBListener.h"
#include "database/SelectionSet.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "support/Observer.h"

class CEntity;

// Records every database event as a line such as "changed" with the entity.
class ListenerRecorder : public CDBListener {
public:
    struct Event {
        std::string what;
        CEntity* entity = nullptr;
        IEntityContainer* container = nullptr;
        int first = 0;
        int second = 0;
        uint32_t flags = 0;
        bool operator==(const Event&) const = default;
    };

    void OnOperationStart(int zero, int typeCode) override
    {
        events.push_back({"start", nullptr, nullptr, zero, typeCode});
    }
    void OnOperationEnd(int kind, int typeCode, uint32_t flags) override
    {
        events.push_back({"end", nullptr, nullptr, kind, typeCode, flags});
    }
    void OnEntityCreated(CEntity* entity) override { events.push_back({"created", entity}); }
    void OnEntityChanged(CEntity* entity) override { events.push_back({"changed", entity}); }
    void OnEntityErased(CEntity* entity) override { events.push_back({"erased", entity}); }
    void OnElementAdded(CEntity* entity, IEntityContainer* container) override
    {
        events.push_back({"added", entity, container});
    }
    void OnElementRemoved(CEntity* entity, IEntityContainer* container) override
    {
        events.push_back({"removed", entity, container});
    }

    // The event names in order.
    std::vector<std::string> Names() const;

    std::vector<Event> events;
};

// Subscribes to one notification name for its lifetime and keeps the payloads.
class NotificationRecorder : public orbisk::utils::IObserver {
public:
    explicit NotificationRecorder(const char* name);
    ~NotificationRecorder() override;
    void OnNotification(const char* name, void* payload) override;

    // The payloads of EntityChanged posts for one entity.
    int CountFor(const void* payload) const;

    std::string name;
    std::vector<void*> payloads;
};

class SelectionRecorder : public ISSListener {
public:
    struct Report {
        int kind;
        CEntity* entity;
        bool operator==(const Report&) const = default;
    };
    void OnSelectionChanged(CSelectionSet*, int kind, CEntity* entity) override
    {
        reports.push_back({kind, entity});
    }
    std::vector<Report> reports;
};

// Keeps what the validity UI is asked to show.
class RecordingValidityUI : public CheckValidity::UI {
public:
    RecordingValidityUI() : m_previous(CheckValidity::SetUI(this)) {}
    ~RecordingValidityUI() override { CheckValidity::SetUI(m_previous); }
    void ShowResults(const CString& title_, const CString& text_) override
    {
        title = title_;
        text = text_;
        ++shown;
    }

    CString title;
    CString text;
    int shown = 0;

private:
    CheckValidity::UI* m_previous;
};

// Each test starts with undo recording on, a fresh manager (depth limit 100) as the current
// one with a recorder registered, an empty validity report and the checks off.
class ModelTest : public ::testing::Test {
protected:
    ModelTest();
    ~ModelTest() override;

    // For fixtures with a model, which has an undo manager of its own and makes it current
    // whenever it becomes current: the tests record into that one, with the recorder moved there.
    void UseUndoManager(CUndoManager& modelsManager);

    CUndoOperation* Start(int typeCode = 0, const wchar_t* name = L"Test")
    {
        return manager->StartOperation(typeCode, name, false, false);
    }
    int32_t Commit(uint32_t flags = 3) { return manager->CommitOperation(flags, 0, true); }

    ListenerRecorder listener;

private:
    std::unique_ptr<CUndoManager> m_ownManager;

protected:
    // The manager the tests record into.
    CUndoManager* manager;
};

std::string ReadFileText(const std::string& path);
