#pragma once
// The commands of penwick-contacts, each with its usage, help and options.

#include <functional>
#include <string>
#include <vector>

#include "tools/arguments.h"
#include "tools/contacts_tool.h"

namespace penwick::tools {

struct Command {
    std::string name;
    std::string usage;
    std::string summary;
    std::string details;
    std::vector<Option> options;
    std::function<int(const Arguments&, ToolIo&)> run;
};

const std::vector<Command>& commands();

}  // namespace penwick::tools
