#pragma once
// The contact manager on Windows: ACT! through its automation classes, called by member name.

#include <memory>

#include "lookup/contact_manager.h"

namespace penwick::com {

class MessageFilter;

// filter: the user-interface thread's, so that a busy server is waited for; may be null.
std::unique_ptr<lookup::ContactManagerFactory> makeActContactManagerFactory(MessageFilter* filter);

}  // namespace penwick::com
