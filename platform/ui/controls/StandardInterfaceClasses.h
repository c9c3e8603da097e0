#pragma once

#include "platform/ui/views/InterfaceLoader.h"

#include <string>
#include <utility>
#include <vector>

// The classes an interface description may name without the application
// registering them. A new control is its own files (reading its properties in
// its applyInterfaceProperties) plus one line in this table.
class StandardInterfaceClasses {
public:
    static std::vector<std::pair<std::string, InterfaceLoader::Factory>> all();

    StandardInterfaceClasses() = delete;
};
