#include "classes.h"

#include "act_objects.h"
#include "call_log.h"
#include "config.h"
#include "misbehaviour.h"
#include "word_objects.h"

namespace penwick::testserver {

namespace {

LONG lockCount = 0;

constexpr CLSID guid(unsigned long n) {
    return {0x5e4d0c00 + n, 0x7a1e, 0x4c3b, {0x9d, 0x2f, 0x31, 0x6b, 0x50, 0x45, 0x4e, 0x57}};
}

std::wstring text(const CLSID& id) {
    wchar_t buffer[64];
    StringFromGUID2(id, buffer, 64);
    return buffer;
}

LONG setValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    return RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

const ServerClass kClasses[3] = {
    {L"ACTOLE.APPOBJECT", newActApplication, guid(1), guid(2)},
    {L"ACTOLE.DATABASE", newActDatabase, guid(3), guid(4)},
    {L"word.application", newWordApplication, guid(5), guid(6)},
};

const CLSID& classId(const ServerClass& c, Flavour f) {
    return f == Flavour::InProcess ? c.inProcess : c.local;
}

std::wstring flavouredProgId(const ServerClass& c, Flavour f) {
    const std::wstring name = c.progId;
    return (f == Flavour::InProcess ? L"PenwickTest.InProcess." : L"PenwickTest.Local.") +
           name.substr(name.find(L'.') + 1);
}

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    reloadConfig();
    objectCreated();
    logLine(L"new " + std::wstring(class_.progId));
    IDispatch* object = class_.create();
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock)
        InterlockedIncrement(&lockCount);
    else
        InterlockedDecrement(&lockCount);
    return S_OK;
}

LONG ClassFactory::locks() {
    return lockCount;
}

HRESULT registerClasses(Flavour f, const std::wstring& server) {
    for (const ServerClass& c : kClasses) {
        const std::wstring id = text(classId(c, f));
        const std::wstring progId = flavouredProgId(c, f);
        const std::wstring key = L"CLSID\\" + id;
        LONG r = setValue(HKEY_CLASSES_ROOT, key, nullptr, progId);
        r |= setValue(HKEY_CLASSES_ROOT, key + L"\\ProgID", nullptr, progId);
        if (f == Flavour::InProcess) {
            r |= setValue(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, server);
            r |= setValue(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel",
                          L"Apartment");
        } else {
            r |= setValue(HKEY_CLASSES_ROOT, key + L"\\LocalServer32", nullptr,
                          L"\"" + server + L"\"");
        }
        r |= setValue(HKEY_CLASSES_ROOT, progId + L"\\CLSID", nullptr, id);
        if (r != ERROR_SUCCESS) return E_FAIL;
    }
    return S_OK;
}

HRESULT unregisterClasses(Flavour f) {
    for (const ServerClass& c : kClasses) {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + text(classId(c, f))).c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, flavouredProgId(c, f).c_str());
    }
    return S_OK;
}

}  // namespace penwick::testserver
