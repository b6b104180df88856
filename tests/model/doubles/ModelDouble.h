#pragma once
// Test double of the model object, as far as the entity layer reaches it (model/EntityLinks.h):
// the current model, its notification switch, its back-reference index and its validity check.

#include <memory>

#include "model/BackReferenceIndex.h"

class CZephyronModel {
public:
    bool notificationsSuspended = false;
    // Answered by the model-level check.
    int validityResult = 0;
    int validityChecks = 0;
    bool checksWereOn = false;

    CBackReferenceIndex& GetBackReferenceIndex()
    {
        if (!m_index)
            m_index = std::make_unique<CBackReferenceIndex>();
        return *m_index;
    }
    bool HasBackReferenceIndex() const { return m_index != nullptr; }

private:
    std::unique_ptr<CBackReferenceIndex> m_index;
};

// Makes a model current for its lifetime.
class CurrentModelScope {
public:
    explicit CurrentModelScope(CZephyronModel* model);
    ~CurrentModelScope();
    CurrentModelScope(const CurrentModelScope&) = delete;
    CurrentModelScope& operator=(const CurrentModelScope&) = delete;

private:
    CZephyronModel* m_previous;
};
