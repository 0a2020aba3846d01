#include "misbehaviour.h"

#include <objidl.h>

#include "call_log.h"
#include "config.h"

namespace penwick::testserver {

namespace {

bool enabled = false;
DWORD firstObject = 0;
bool anyObject = false;
unsigned long calls = 0;

bool busy() {
    return enabled && anyObject && config().busyMs > 0 &&
           GetTickCount() - firstObject < config().busyMs;
}

// The refusal where COM honours it: before the call reaches the object. Wine ignores a
// SERVERCALL_RETRYLATER here and lets the call through, so the object refuses it itself.
class BusyFilter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
            *out = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return busy() ? SERVERCALL_RETRYLATER : SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return -1; }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return PENDINGMSG_WAITDEFPROCESS;
    }
};

BusyFilter filter;

}  // namespace

void misbehaveOnRequest() {
    enabled = true;
    CoRegisterMessageFilter(&filter, nullptr);
}

void objectCreated() {
    if (anyObject) return;
    anyObject = true;
    firstObject = GetTickCount();
}

HRESULT beforeCall(const std::wstring& className, const std::wstring& member, bool invoke) {
    if (!enabled) return S_OK;
    if (busy()) {
        logLine(L"refused " + className + L"." + member);
        return RPC_E_SERVERCALL_RETRYLATER;
    }
    const std::wstring& counted = config().exitAfterMember;
    if (invoke && config().exitAfter > 0 &&
        (counted.empty() || _wcsicmp(counted.c_str(), member.c_str()) == 0) &&
        ++calls >= config().exitAfter)
        TerminateProcess(GetCurrentProcess(), 3);  // no clean-up, as a crash
    if (!invoke) return S_OK;
    for (const auto& [name, ms] : config().slowMs)
        if (_wcsicmp(name.c_str(), member.c_str()) == 0) Sleep(ms);
    return S_OK;
}

}  // namespace penwick::testserver
