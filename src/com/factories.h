#pragma once
// The Windows implementations of the contact manager and the spelling checker, for the
// program's main to pass in. Both need a COM apartment on the calling thread (com/apartment.h).

#include "com/act_contact_manager.h"
#include "com/word_checker.h"
