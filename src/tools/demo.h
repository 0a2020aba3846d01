#pragma once
// The demo contacts: the same few hundred plausible people on every machine.

#include <vector>

#include "embedded/store.h"

namespace penwick::tools {

inline constexpr std::size_t kDemoContacts = 300;
inline constexpr const char* kDemoLookupCity = "Springfield";

std::vector<embedded::ContactFields> demoContacts();

}  // namespace penwick::tools
