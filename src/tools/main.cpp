// penwick-contacts: see contacts_tool.h.

#include <iostream>
#include <string>
#include <vector>

#include "contacts/session.h"
#include "tools/contacts_tool.h"
#include "tools/password_prompt.h"
#include "util/failure.h"
#include "util/text.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        penwick::tools::ToolIo io{std::cin,
                                  std::cout,
                                  std::cerr,
                                  penwick::contacts::defaultSessionPath(),
                                  penwick::contacts::defaultDataFolder(),
                                  penwick::tools::askPasswordOnTerminal};
        const int status = penwick::tools::runContactsTool(args, io);
        std::cout.flush();
        return std::cout ? status : 1;
    } catch (const penwick::Failure& failure) {  // no home folder to keep the session in
        std::cerr << "penwick-contacts: " << penwick::toUtf8(failure.description()) << "\n";
        return 1;
    }
}
