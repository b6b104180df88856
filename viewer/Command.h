#pragma once
// Commands of menus built at run time. Each item of such a menu carries a CCommand: a
// reference-counted object that knows what to run and how its item looks. A process-wide
// registry gives every command an id from kFirstCommandId on; the frame sends every command
// and update request of the range kFirstCommandId..kLastCommandId to it.
//
// A popup menu that goes away does not release its commands at once, since the command chosen
// from it may still be waiting in the event queue: it queues them, and the queue is run at the
// next idle time (or before the next popup menu is built). An id comes free only when the
// command behind it has been deleted, and freed ids are handed out again, last freed first.

class CCmdUI;

class CCommand {
public:
    // State flags; the same bits as the menu flags of greyed and ticked items.
    static constexpr int kGreyed = 0x1;
    static constexpr int kTicked = 0x8;

    // Registered under a new id, with one reference: the creator's (normally a menu item).
    CCommand();
    CCommand(const CCommand&) = delete;
    CCommand& operator=(const CCommand&) = delete;

    // The new count.
    virtual int Retain();
    // Deletes the command when the count reaches 0; the new count. Null-safe through
    // Release(command).
    virtual int Release();
    virtual void Execute() {}
    virtual int GetStateFlags() const { return m_stateFlags; }
    virtual int GetState() const { return GetStateFlags(); }

    int GetId() const { return m_id; }
    int GetRefCount() const { return m_refCount; }
    void SetStateFlags(int flags) { m_stateFlags = flags; }
    int GetAcceleratorParameter() const { return m_acceleratorParameter; }
    void SetAcceleratorParameter(int parameter) { m_acceleratorParameter = parameter; }

    static int Release(CCommand* command) { return command ? command->Release() : 0; }

protected:
    // Only Release deletes; the id becomes free for reuse.
    virtual ~CCommand();

private:
    int m_id;
    int m_stateFlags = 0;
    int m_acceleratorParameter = 0;
    int m_refCount = 1;
};

// Runs a plain function.
class CCommandFunction : public CCommand {
public:
    using Function = void (*)();
    explicit CCommandFunction(Function function) : m_function(function) {}
    void Execute() override
    {
        if (m_function)
            m_function();
    }

private:
    Function m_function;
};

constexpr int kFirstCommandId = 50000;
constexpr int kLastCommandId = 51000;
inline bool IsDynamicCommandId(int id)
{
    return id >= kFirstCommandId && id <= kLastCommandId;
}

// The next id: the last freed one, else one past the highest handed out. Ids past
// kLastCommandId are still given but never reached by the frame's range handlers.
int AllocateCommandId();
// The command registered under the id, retained once more for the caller; null when there is
// none.
CCommand* FindCommand(int id);
void QueueCommandRelease(int id);
// Releases, in queue order, the reference of the menu item of every queued id, then empties
// the queue. A command held elsewhere stays registered under its id.
void RunDeferredCommandReleases();
// How many ids wait for release.
int GetQueuedCommandReleaseCount();

// The handlers of the command range: run the command; show its state on the item (greyed
// when it says so, an item it does not grey is left alone; ticked exactly when it says so).
// Ids without a command are ignored.
void OnDynamicCommand(int id);
void OnUpdateDynamicCommand(CCmdUI* ui);
