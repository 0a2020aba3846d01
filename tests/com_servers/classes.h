#pragma once
// The classes the test servers offer, and their registration. The in-process server and the
// local server have class IDs of their own; each registers its classes under its own ProgIDs
// ("PenwickTest.InProcess.<name>", "PenwickTest.Local.<name>"), and a test points the real
// ProgIDs at the flavour it wants (see com_test_support.h).

#include <windows.h>

#include <objbase.h>

#include <string>

namespace penwick::testserver {

enum class Flavour { InProcess, Local };

struct ServerClass {
    const wchar_t* progId;  // the real one: ACTOLE.APPOBJECT, …
    IDispatch* (*create)();
    CLSID inProcess;
    CLSID local;
};

extern const ServerClass kClasses[3];

const CLSID& classId(const ServerClass& c, Flavour f);
std::wstring flavouredProgId(const ServerClass& c, Flavour f);

// Creates the class's objects; a new configuration is read for each.
class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const ServerClass& c) : class_(c) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static lifetime
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    static LONG locks();

private:
    const ServerClass& class_;
};

// Writes or removes the registry entries of every class of one flavour; `server` is the module
// (DLL or EXE) path.
HRESULT registerClasses(Flavour f, const std::wstring& server);
HRESULT unregisterClasses(Flavour f);

}  // namespace penwick::testserver
