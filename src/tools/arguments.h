#pragma once
// The command line of one penwick-contacts command: options by name, the rest in order, and
// the two kinds of failure a command ends with.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace penwick::tools {

// A command line that does not fit its command: exit status 2.
struct UsageError {
    std::string message;
};

// A command that cannot do what was asked: exit status 1.
struct ToolError {
    std::string message;
};

struct Option {
    std::string name;  // without the leading "--"
    bool takesValue = false;
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;

    bool has(const std::string& name) const { return options.contains(name); }
    std::optional<std::string> value(const std::string& name) const {
        auto it = options.find(name);
        if (it == options.end() || it->second.empty()) return std::nullopt;
        return it->second.back();
    }
};

// Options as --name, --name VALUE or --name=VALUE; "--" ends them. Unknown options, and
// values where none belong or missing where one does, are UsageErrors.
Arguments parseArguments(const std::vector<std::string>& args, const std::vector<Option>& known);

// Fails unless there are between `least` and `most` plain arguments.
void expectPositional(const Arguments& a, std::size_t least, std::size_t most);

// A count or number given on the command line: digits only.
std::int64_t parseCount(const std::string& text, const char* what);

}  // namespace penwick::tools
