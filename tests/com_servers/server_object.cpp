#include "server_object.h"

#include <cwctype>

#include "call_log.h"
#include "config.h"
#include "misbehaviour.h"

namespace penwick::testserver {

namespace {

LONG live = 0;
void (*onLastRelease)() = nullptr;

bool sameName(const std::wstring& a, const wchar_t* b) {
    if (a.size() != wcslen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (towlower(a[i]) != towlower(b[i])) return false;
    return true;
}

// The description a deferred fill-in supplies.
HRESULT STDAPICALLTYPE fillIn(EXCEPINFO* info) {
    info->bstrDescription = SysAllocString(L"Filled in later");
    return S_OK;
}

void fail(EXCEPINFO* info, const ObjectError& e, const std::wstring& source) {
    if (!info) return;
    *info = EXCEPINFO{};
    info->bstrSource = SysAllocString(source.c_str());
    if (e.scode > 0 && e.scode < 0x10000)
        info->wCode = static_cast<WORD>(e.scode);
    else
        info->scode = e.scode;
    if (e.deferred)
        info->pfnDeferredFillIn = fillIn;
    else
        info->bstrDescription = SysAllocString(e.description.c_str());
}

}  // namespace

VARIANT* Call::named(DISPID id) const {
    for (UINT i = 0; i < params->cNamedArgs; ++i)
        if (params->rgdispidNamedArgs[i] == id) return &params->rgvarg[i];
    return nullptr;
}

bool Call::omitted(std::size_t n) const {
    if (n >= args.size()) return true;
    const VARIANT& v = *args[n];
    return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
}

std::wstring Call::text(std::size_t n, std::wstring fallback) const {
    return omitted(n) ? fallback : plainText(*args[n]);
}

long Call::number(std::size_t n, long fallback) const {
    if (omitted(n)) return fallback;
    return std::wcstol(plainText(*args[n]).c_str(), nullptr, 10);
}

LONG ServerObject::liveObjects() {
    return live;
}

void ServerObject::setOnLastRelease(void (*f)()) {
    onLastRelease = f;
}

ServerObject::ServerObject(std::wstring className) : className_(std::move(className)) {
    InterlockedIncrement(&live);
}

ServerObject::~ServerObject() {
    if (InterlockedDecrement(&live) == 0 && onLastRelease) onLastRelease();
}

void ServerObject::member(std::wstring name, Handler handler, std::vector<std::wstring> params) {
    members_.push_back({std::move(name), std::move(handler), std::move(params)});
}

HRESULT ServerObject::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch);
    for (const IID& i : interfaces_) known = known || IsEqualIID(iid, i);
    if (!known) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG ServerObject::AddRef() {
    return InterlockedIncrement(&refs_);
}

ULONG ServerObject::Release() {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
}

HRESULT ServerObject::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT ServerObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    *info = nullptr;
    return E_NOTIMPL;
}

HRESULT ServerObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (const HRESULT refused = beforeCall(className_, names[0], false); FAILED(refused))
        return refused;
    std::wstring line = L"? " + className_ + L"." + names[0];
    for (UINT i = 1; i < count; ++i) line += L" " + std::wstring(names[i]);
    logLine(line);
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (std::size_t m = 0; m < members_.size(); ++m) {
        if (!sameName(members_[m].name, names[0])) continue;
        ids[0] = static_cast<DISPID>(m + 1);
        bool all = true;
        for (UINT i = 1; i < count; ++i) {
            const auto& p = members_[m].parameters;
            for (std::size_t k = 0; k < p.size(); ++k)
                if (sameName(p[k], names[i])) ids[i] = static_cast<DISPID>(k);
            all = all && ids[i] != DISPID_UNKNOWN;
        }
        return all ? S_OK : DISP_E_UNKNOWNNAME;
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT ServerObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO* info, UINT*) {
    if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    const Member& m = members_[id - 1];
    if (const HRESULT refused = beforeCall(className_, m.name, true); FAILED(refused))
        return refused;

    // As it came: named arguments first, then the positional ones from last to first.
    std::wstring line = className_ + L"." + m.name;
    if (flags & DISPATCH_PROPERTYPUT) line += L"=";
    line += L"(";
    const UINT positional = params->cArgs - params->cNamedArgs;
    Call call{flags, {}, params, result};
    for (UINT i = 0; i < positional; ++i) {
        VARIANT* v = &params->rgvarg[params->cArgs - 1 - i];
        call.args.push_back(v);
        line += (i ? L", " : L"") + describe(*v);
    }
    for (UINT i = 0; i < params->cNamedArgs; ++i) {
        const DISPID named = params->rgdispidNamedArgs[i];
        std::wstring name = named == DISPID_PROPERTYPUT ? L""
                            : named >= 0 && static_cast<std::size_t>(named) < m.parameters.size()
                                ? m.parameters[named] + L":="
                                : L"?:=";
        line += (positional + i ? L", " : L"") + name + describe(params->rgvarg[i]);
    }
    line += L")";
    // A property write's value, for a handler that reads arguments in order.
    if ((flags & DISPATCH_PROPERTYPUT) && params->cNamedArgs == 1)
        call.args.push_back(&params->rgvarg[0]);

    VARIANT ignored;
    VariantInit(&ignored);
    call.result = result ? result : &ignored;
    VariantInit(call.result);

    // Write-backs: what the object left in by-reference arguments.
    std::vector<std::wstring> before;
    for (VARIANT* v : call.args) before.push_back(plainText(*v));

    const auto failing = config().failing.find(m.name);
    HRESULT hr = S_OK;
    if (failing != config().failing.end()) {
        fail(info, {failing->second.code, L"Refused by the test", failing->second.deferred},
             className_);
        hr = DISP_E_EXCEPTION;
    } else {
        try {
            m.handler(call);
        } catch (const ObjectError& e) {
            fail(info, e, className_);
            hr = DISP_E_EXCEPTION;
        } catch (HRESULT h) {
            hr = h;
        }
    }
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        if (!(V_VT(call.args[i]) & VT_BYREF)) continue;
        const std::wstring after = plainText(*call.args[i]);
        if (after != before[i]) line += L" [" + std::to_wstring(i + 1) + L" -> \"" + after + L"\"]";
    }
    if (FAILED(hr)) line += L" failed";
    logLine(line);
    VariantClear(&ignored);
    return hr;
}

void returnObject(Call& call, IDispatch* object) {
    V_VT(call.result) = VT_DISPATCH;
    V_DISPATCH(call.result) = object;
    object->AddRef();
}

void returnText(Call& call, const std::wstring& text) {
    V_VT(call.result) = VT_BSTR;
    V_BSTR(call.result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void returnBool(Call& call, bool value) {
    V_VT(call.result) = VT_BOOL;
    V_BOOL(call.result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void returnLong(Call& call, long value) {
    V_VT(call.result) = VT_I4;
    V_I4(call.result) = value;
}

}  // namespace penwick::testserver
