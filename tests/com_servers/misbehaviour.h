#pragma once
// The ways the local server misbehaves on request, as the real servers do: busy while it starts,
// slow to answer, or gone in the middle of a run.

#include <windows.h>

#include <string>

namespace penwick::testserver {

// Called once by the local server's main: from then on the configuration's busy, exit-after
// and slow lines take effect, and the thread's message filter refuses calls while busy.
void misbehaveOnRequest();
// A new object was made: the busy time counts from the first.
void objectCreated();
// Before a call is served. RPC_E_SERVERCALL_RETRYLATER (logged as refused) while busy; ends the
// process at the configured call; waits for a slow member; else S_OK.
HRESULT beforeCall(const std::wstring& className, const std::wstring& member, bool invoke);

}  // namespace penwick::testserver
