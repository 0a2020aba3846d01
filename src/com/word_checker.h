#pragma once
// The spelling checker on Windows: Microsoft Word through automation.

#include <memory>

#include "spell/speller.h"

namespace penwick::com {

class MessageFilter;

// filter: the user-interface thread's, so that a busy server is waited for; may be null.
std::unique_ptr<spell::SpellCheckerFactory> makeWordSpellCheckerFactory(MessageFilter* filter);

}  // namespace penwick::com
