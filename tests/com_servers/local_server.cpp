// The local test server: an EXE that registers itself with /RegServer and, started by COM,
// serves its classes until the last object is gone.

#include <cwchar>
#include <string>

#include "classes.h"
#include "misbehaviour.h"
#include "server_object.h"
#include "word_type_library.h"

using namespace penwick::testserver;

namespace {

DWORD mainThread;

void quitWhenIdle() {
    if (ClassFactory::locks() == 0) PostThreadMessageW(mainThread, WM_QUIT, 0, 0);
}

bool has(const wchar_t* commandLine, const wchar_t* option) {
    for (const wchar_t* p = commandLine; *p; ++p)
        if ((*p == L'/' || *p == L'-') && _wcsnicmp(p + 1, option, wcslen(option)) == 0)
            return true;
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (has(commandLine, L"RegServer")) {
        std::wstring library = path;
        library.replace(library.rfind(L'.'), std::wstring::npos, L".tlb");
        return FAILED(registerClasses(Flavour::Local, path)) ||
               FAILED(registerWordTypeLibrary(library));
    }
    if (has(commandLine, L"UnregServer")) {
        unregisterWordTypeLibrary();
        return FAILED(unregisterClasses(Flavour::Local));
    }

    mainThread = GetCurrentThreadId();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    misbehaveOnRequest();
    ServerObject::setOnLastRelease(quitWhenIdle);

    static ClassFactory factories[] = {ClassFactory(kClasses[0]), ClassFactory(kClasses[1]),
                                       ClassFactory(kClasses[2])};
    DWORD cookies[std::size(kClasses)] = {};
    for (std::size_t i = 0; i < std::size(kClasses); ++i)
        CoRegisterClassObject(kClasses[i].local, &factories[i], CLSCTX_LOCAL_SERVER,
                              REGCLS_MULTIPLEUSE, &cookies[i]);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);

    for (DWORD cookie : cookies) CoRevokeClassObject(cookie);
    CoUninitialize();
    return 0;
}
