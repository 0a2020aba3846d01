#include "tools/arguments.h"

#include <algorithm>

namespace penwick::tools {

Arguments parseArguments(const std::vector<std::string>& args, const std::vector<Option>& known) {
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.rfind("--", 0) != 0) {
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-' && arg != "-") {
                throw UsageError{"unknown option " + arg};
            }
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const auto option = std::find_if(known.begin(), known.end(),
                                         [&](const Option& o) { return o.name == name; });
        if (option == known.end()) throw UsageError{"unknown option --" + name};
        auto& values = parsed.options[name];
        if (!option->takesValue) {
            if (inlineValue) throw UsageError{"--" + name + " takes no value"};
            continue;
        }
        if (inlineValue) {
            values.push_back(*inlineValue);
        } else if (i + 1 < args.size()) {
            values.push_back(args[++i]);
        } else {
            throw UsageError{"--" + name + " needs a value"};
        }
    }
    return parsed;
}

void expectPositional(const Arguments& a, std::size_t least, std::size_t most) {
    if (a.positional.size() < least) throw UsageError{"missing argument"};
    if (a.positional.size() > most) {
        throw UsageError{"unexpected argument " + a.positional[most]};
    }
}

std::int64_t parseCount(const std::string& text, const char* what) {
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        throw UsageError{std::string(what) + " must be a number, not " + text};
    }
    return std::stoll(text);
}

}  // namespace penwick::tools
