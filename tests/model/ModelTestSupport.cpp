#include "tests/model/ModelTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/NotificationCenter.h"
#include "tests/support/UndoLogFolder.h"

using orbisk::utils::CNotificationCenter;

std::vector<std::string> ListenerRecorder::Names() const
{
    std::vector<std::string> names;
    for (const Event& event : events)
        names.push_back(event.what);
    return names;
}

NotificationRecorder::NotificationRecorder(const char* name_) : name(name_)
{
    CNotificationCenter::GetInstance().AddObserver(name_, this);
}

NotificationRecorder::~NotificationRecorder()
{
    CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
}

void NotificationRecorder::OnNotification(const char*, void* payload)
{
    payloads.push_back(payload);
}

int NotificationRecorder::CountFor(const void* payload) const
{
    return static_cast<int>(std::count(payloads.begin(), payloads.end(), payload));
}

ModelTest::ModelTest()
    : m_ownManager(std::make_unique<CUndoManager>(nullptr, kUndoDepthLimit)), manager(m_ownManager.get())
{
    SetCurrentUndoManager(manager);
    manager->AddListener(&listener);
    ClearValidityReport();
}

ModelTest::~ModelTest()
{
    m_ownManager.reset();
    SetCurrentUndoManager(nullptr);
    SetValidityChecksEnabled(false);
    ClearValidityReport();
}

void ModelTest::UseUndoManager(CUndoManager& modelsManager)
{
    m_ownManager->RemoveListener(&listener);
    manager = &modelsManager;
    manager->AddListener(&listener);
    SetCurrentUndoManager(manager);
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}
