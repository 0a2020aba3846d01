#pragma once
// The contact manager on Windows: ACT! through its automation classes, called by member name.

#include <memory>

#include "lookup/contact_manager.h"

namespace penwick::com {

std::unique_ptr<lookup::ContactManagerFactory> makeActContactManagerFactory();

}  // namespace penwick::com
