// The in-process test server: a DLL that regsvr32 registers.

#include "classes.h"
#include "server_object.h"

using namespace penwick::testserver;

namespace {

HMODULE self;

ClassFactory factories[] = {ClassFactory(kClasses[0]), ClassFactory(kClasses[1]),
                            ClassFactory(kClasses[2])};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    for (std::size_t i = 0; i < std::size(kClasses); ++i)
        if (IsEqualCLSID(clsid, kClasses[i].inProcess))
            return factories[i].QueryInterface(iid, out);
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return ServerObject::liveObjects() == 0 && ClassFactory::locks() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(self, path, MAX_PATH);
    return registerClasses(Flavour::InProcess, path);
}

STDAPI DllUnregisterServer() {
    return unregisterClasses(Flavour::InProcess);
}
