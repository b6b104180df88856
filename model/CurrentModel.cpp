#include "model/CurrentModel.h"

#include <utility>

#include "model/IModelContext.h"
#include "model/UndoManager.h"

namespace {

IModelContext* g_currentModel = nullptr;

}  // namespace

IModelContext* GetCurrentModel()
{
    return g_currentModel;
}

IModelContext* SetCurrentModel(IModelContext* model)
{
    if (CUndoManager* manager = model ? model->GetUndoManager() : nullptr)
        SetCurrentUndoManager(manager);
    return std::exchange(g_currentModel, model);
}
