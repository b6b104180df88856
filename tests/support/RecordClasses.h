#pragma once
// What every record writer of the toolkit does to add a record: the record's run-time class is
// made once per class name with the schema the writer was given (never entered into the
// program's list of classes, so the program's own class of that name is untouched), and the
// record is kept for as long as its writer.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/mfc/Object.h"
#include "platform/mfc/RuntimeClass.h"

using RecordClassMap = std::map<std::string, std::unique_ptr<CRuntimeClass>>;

template <class T, class Owner, class Record>
T& AddRecord(Owner& owner, RecordClassMap& classes, std::vector<std::unique_ptr<Record>>& records,
             const char* className, int32_t schema)
{
    auto& runtimeClass = classes[className];
    if (!runtimeClass) {
        runtimeClass = std::make_unique<CRuntimeClass>(CRuntimeClass{className, static_cast<int>(sizeof(T)),
                                                                     static_cast<uint32_t>(schema), nullptr,
                                                                     RUNTIME_CLASS(CObject)});
    }
    records.push_back(std::make_unique<T>(owner, *runtimeClass));
    return static_cast<T&>(*records.back());
}
