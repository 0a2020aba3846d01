#pragma once
// The demo contacts: the same few hundred plausible people on every machine.

#include <vector>

#include "contacts/store.h"

namespace penwick::tools {

inline constexpr std::size_t kDemoContacts = 300;
inline constexpr const char* kDemoLookupCity = "Springfield";

std::vector<contacts::ContactFields> demoContacts();

}  // namespace penwick::tools
