#pragma once
// Installs the class-version map of a test's records as the current one, as a reader finds it
// while reading a file. Each argument is a list of (class name, schema) pairs; a later entry
// for a class overrides an earlier one.

#include "database/ArchiveSchema.h"
#include "database/VersionMap.h"
#include "tests/support/ModelFileWriter.h"

template <class... Entries>
void InstallVersionMap(const Entries&... entries)
{
    auto* map = new CVersionMap;
    auto add = [map](const auto& list) {
        for (const auto& [name, schema] : list)
            map->Set(name, schema);
    };
    (add(entries), ...);
    SetCurrentVersionMap(map);
}
