#include "settings/StyleModel.h"

#include "model/CurrentModel.h"
#include "model/IModelContext.h"

IStyleModel* GetCurrentStyleModel()
{
    return dynamic_cast<IStyleModel*>(GetCurrentModel());
}
