#include "tools/contacts_tool.h"

#include <iostream>

#include "tools/commands.h"
#include "tools/table_output.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::tools {

namespace {

constexpr const char* kProgram = "penwick-contacts";

void printOverview(std::ostream& out) {
    out << "usage: " << kProgram << " COMMAND [ARGUMENTS]\n\n"
        << "The contact databases behind Penwick, and the database and lookup you work in.\n\n"
        << "commands:\n";
    for (const Command& c : commands()) {
        out << "  " << c.usage << "\n      " << c.summary << "\n";
    }
    out << "\n" << kProgram << " COMMAND --help tells more about one command.\n";
}

void printHelp(std::ostream& out, const Command& c) {
    out << "usage: " << kProgram << " " << c.usage << "\n\n" << c.details << "\n";
}

const Command* findCommand(const std::string& name) {
    for (const Command& c : commands()) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

}  // namespace

int runContactsTool(const std::vector<std::string>& args, ToolIo& io) {
    if (args.empty()) {
        printOverview(io.err);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1) {
            if (const Command* c = findCommand(args[1])) {
                printHelp(io.out, *c);
                return 0;
            }
            io.err << kProgram << ": unknown command " << args[1] << "\n";
            return 2;
        }
        printOverview(io.out);
        return 0;
    }
    const Command* command = findCommand(args[0]);
    if (command == nullptr) {
        io.err << kProgram << ": unknown command " << args[0] << " (see " << kProgram
               << " --help)\n";
        return 2;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") {
            printHelp(io.out, *command);
            return 0;
        }
    }
    try {
        return command->run(parseArguments(rest, command->options), io);
    } catch (const UsageError& e) {
        io.err << kProgram << " " << command->name << ": " << e.message << " (usage: " << kProgram
               << " " << command->usage << ")\n";
        return 2;
    } catch (const ToolError& e) {
        io.err << kProgram << " " << command->name << ": " << e.message << "\n";
    } catch (const Failure& f) {
        io.err << kProgram << " " << command->name << ": " << oneLine(toUtf8(f.description()))
               << "\n";
    } catch (const std::exception& e) {
        io.err << kProgram << " " << command->name << ": " << oneLine(e.what()) << "\n";
    }
    return 1;
}

}  // namespace penwick::tools
