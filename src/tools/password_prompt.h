#pragma once
// Asking the person at the terminal for a password, without showing what they type.

#include <optional>
#include <string>

namespace penwick::tools {

// Writes the prompt to the controlling terminal and reads one line there with echo off (and
// on again afterwards, also when reading fails). Nothing when the process has no terminal.
std::optional<std::string> askPasswordOnTerminal(const std::string& prompt);

}  // namespace penwick::tools
