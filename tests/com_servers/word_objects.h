#pragma once
// word.application as the test wants it: a document that holds one text, the words the
// configuration marks as misspelled, and their suggestions.

#include "server_object.h"

namespace penwick::testserver {

IDispatch* newWordApplication();

}  // namespace penwick::testserver
