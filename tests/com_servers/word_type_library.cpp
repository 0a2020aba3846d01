#include "word_type_library.h"

#include <oaidl.h>
#include <oleauto.h>

#include "com/word_interfaces.h"

namespace penwick::testserver {

namespace {

constexpr GUID kLibrary = {
    0x5e4d0c10, 0x7a1e, 0x4c3b, {0x9d, 0x2f, 0x31, 0x6b, 0x50, 0x45, 0x4e, 0x57}};
constexpr SYSKIND kSystem = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

struct Interface {
    const wchar_t* name;
    const IID& iid;
};

template <class T>
void release(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

HRESULT registerWordTypeLibrary(const std::wstring& path) {
    const Interface interfaces[] = {
        {L"Document", com::word::kDocument},
        {L"Range", com::word::kRange},
        {L"ProofreadingErrors", com::word::kProofreadingErrors},
        {L"SpellingSuggestions", com::word::kSpellingSuggestions},
        {L"SpellingSuggestion", com::word::kSpellingSuggestion},
    };
    ICreateTypeLib2* library = nullptr;
    ITypeLib* standard = nullptr;
    ITypeInfo* dispatch = nullptr;
    ITypeLib* made = nullptr;
    HRESULT hr = CreateTypeLib2(kSystem, path.c_str(), &library);
    if (SUCCEEDED(hr)) hr = library->SetGuid(kLibrary);
    if (SUCCEEDED(hr)) hr = library->SetName(const_cast<LPOLESTR>(L"PenwickTestWord"));
    if (SUCCEEDED(hr)) hr = library->SetVersion(1, 0);
    if (SUCCEEDED(hr)) hr = library->SetLcid(LOCALE_NEUTRAL);
    if (SUCCEEDED(hr)) hr = LoadTypeLib(L"stdole2.tlb", &standard);
    if (SUCCEEDED(hr)) hr = standard->GetTypeInfoOfGuid(IID_IDispatch, &dispatch);
    for (const Interface& i : interfaces) {
        if (FAILED(hr)) break;
        ICreateTypeInfo* info = nullptr;
        hr = library->CreateTypeInfo(const_cast<LPOLESTR>(i.name), TKIND_DISPATCH, &info);
        HREFTYPE base = 0;
        if (SUCCEEDED(hr)) hr = info->SetGuid(i.iid);
        if (SUCCEEDED(hr)) hr = info->AddRefTypeInfo(dispatch, &base);
        if (SUCCEEDED(hr)) hr = info->AddImplType(0, base);
        if (SUCCEEDED(hr)) hr = info->LayOut();
        release(info);
    }
    if (SUCCEEDED(hr)) hr = library->SaveAllChanges();
    if (SUCCEEDED(hr)) hr = library->QueryInterface(IID_ITypeLib, reinterpret_cast<void**>(&made));
    if (SUCCEEDED(hr)) hr = RegisterTypeLib(made, const_cast<LPOLESTR>(path.c_str()), nullptr);
    release(made);
    release(dispatch);
    release(standard);
    release(library);
    return hr;
}

HRESULT unregisterWordTypeLibrary() {
    return UnRegisterTypeLib(kLibrary, 1, 0, LOCALE_NEUTRAL, kSystem);
}

}  // namespace penwick::testserver
