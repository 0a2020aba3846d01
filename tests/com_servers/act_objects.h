#pragma once
// ACTOLE.APPOBJECT and ACTOLE.DATABASE as the test wants them: contacts, users and the current
// lookup from the configuration, notes written to the call log.

#include "server_object.h"

namespace penwick::testserver {

IDispatch* newActApplication();
IDispatch* newActDatabase();

}  // namespace penwick::testserver
