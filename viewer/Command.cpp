#include "viewer/Command.h"

#include <map>
#include <vector>

#include "platform/mfc/Menu.h"

namespace {

struct CommandRegistry {
    // An id whose command was deleted keeps a null entry until it is handed out again.
    std::map<int, CCommand*> commands;
    std::vector<int> freeIds;
    int nextId = kFirstCommandId;
    std::vector<int> releaseQueue;
};

CommandRegistry& Registry()
{
    static CommandRegistry registry;
    return registry;
}

}  // namespace

CCommand::CCommand() : m_id(AllocateCommandId())
{
    Registry().commands[m_id] = this;
}

CCommand::~CCommand()
{
    // Whoever deletes the command (the menu's deferred release or a later holder), its id must
    // not lead to it any more: a command still in the event queue would run a deleted object.
    CommandRegistry& registry = Registry();
    auto entry = registry.commands.find(m_id);
    if (entry != registry.commands.end() && entry->second == this) {
        entry->second = nullptr;
        registry.freeIds.push_back(m_id);
    }
}

int CCommand::Retain()
{
    return ++m_refCount;
}

int CCommand::Release()
{
    if (m_refCount <= 0)
        return 0;
    const int count = --m_refCount;
    if (count == 0)
        delete this;
    return count;
}

int AllocateCommandId()
{
    CommandRegistry& registry = Registry();
    if (!registry.freeIds.empty()) {
        const int id = registry.freeIds.back();
        registry.freeIds.pop_back();
        return id;
    }
    return registry.nextId++;
}

CCommand* FindCommand(int id)
{
    CommandRegistry& registry = Registry();
    auto entry = registry.commands.find(id);
    if (entry == registry.commands.end() || !entry->second)
        return nullptr;
    entry->second->Retain();
    return entry->second;
}

void QueueCommandRelease(int id)
{
    Registry().releaseQueue.push_back(id);
}

int GetQueuedCommandReleaseCount()
{
    return static_cast<int>(Registry().releaseQueue.size());
}

void RunDeferredCommandReleases()
{
    // Taken first: a command's destructor may build or drop menus that queue again.
    std::vector<int> queue;
    queue.swap(Registry().releaseQueue);
    for (int id : queue) {
        CCommand* command = FindCommand(id);
        if (!command)
            continue;
        command->Release();
        // The menu item's reference; at 0 the destructor frees the id.
        command->Release();
    }
}

void OnDynamicCommand(int id)
{
    CCommand* command = FindCommand(id);
    if (!command)
        return;
    command->Execute();
    command->Release();
}

void OnUpdateDynamicCommand(CCmdUI* ui)
{
    if (!ui)
        return;
    CCommand* command = FindCommand(static_cast<int>(ui->m_nID));
    if (!command)
        return;
    const int state = command->GetState();
    command->Release();
    if (state & CCommand::kGreyed)
        ui->Enable(false);
    ui->SetCheck((state & CCommand::kTicked) ? 1 : 0);
}
