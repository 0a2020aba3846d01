#pragma once
// The spelling checker on Windows: Microsoft Word through automation.

#include <memory>

#include "spell/speller.h"

namespace penwick::com {

std::unique_ptr<spell::SpellCheckerFactory> makeWordSpellCheckerFactory();

}  // namespace penwick::com
