#include "settings/StyleModel.h"

#include "database/CurrentModel.h"
#include "database/IModelContext.h"

IStyleModel* GetCurrentStyleModel()
{
    return dynamic_cast<IStyleModel*>(GetCurrentModel());
}
