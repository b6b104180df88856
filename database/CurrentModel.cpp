#include "database/CurrentModel.h"

#include <utility>

#include "database/IModelContext.h"
#include "database/UndoManager.h"

namespace {

IModelContext* g_currentModel = nullptr;
ICurrentViewSource* g_currentViewSource = nullptr;

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

ICurrentViewSource* SetCurrentViewSource(ICurrentViewSource* source)
{
    return std::exchange(g_currentViewSource, source);
}

ICurrentViewSource* GetCurrentViewSource()
{
    return g_currentViewSource;
}

IModelView* GetCurrentView()
{
    return g_currentViewSource ? g_currentViewSource->GetCurrentView() : nullptr;
}
