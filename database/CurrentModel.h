#pragma once
// The current model: the one that entity code without a model argument works on (new drawing
// elements take its current layer, change notices ask its notification switch, references go
// to its back-reference index, readers keep what they drop in its pool). Whoever opens, reads,
// builds or tears down a model makes it current for the duration. Null at first.
//
// Making a model current also makes its undo manager the current one when it has one; making
// null current leaves the current undo manager as it was.

class IModelContext;
class IModelView;

IModelContext* GetCurrentModel();
// Returns the model that was current before.
IModelContext* SetCurrentModel(IModelContext* model);

// Makes a model current for its lifetime, then the one that was current before (again with its
// undo manager).
class CCurrentModelScope {
public:
    explicit CCurrentModelScope(IModelContext* model) : m_previous(SetCurrentModel(model)) {}
    ~CCurrentModelScope() { SetCurrentModel(m_previous); }
    CCurrentModelScope(const CCurrentModelScope&) = delete;
    CCurrentModelScope& operator=(const CCurrentModelScope&) = delete;

private:
    IModelContext* m_previous;
};

// Where entity code outside drawing reaches the view that commands act on: texts bound their
// labels in it. The shell installs its source at start-up; without one there is no view.
class ICurrentViewSource {
public:
    virtual ~ICurrentViewSource() = default;
    // Null when there is none.
    virtual IModelView* GetCurrentView() = 0;
};

// Null uninstalls; returns the previous source. The caller keeps the source alive while it is
// installed.
ICurrentViewSource* SetCurrentViewSource(ICurrentViewSource* source);
ICurrentViewSource* GetCurrentViewSource();
// The installed source's view, else null.
IModelView* GetCurrentView();
