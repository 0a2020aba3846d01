#include "call_log.h"

#include <cstdio>

#include "config.h"

namespace penwick::testserver {

namespace {

std::wstring typeName(VARTYPE vt) {
    switch (vt & VT_TYPEMASK) {
        case VT_EMPTY:
            return L"EMPTY";
        case VT_NULL:
            return L"NULL";
        case VT_I2:
            return L"I2";
        case VT_I4:
            return L"I4";
        case VT_R8:
            return L"R8";
        case VT_BSTR:
            return L"BSTR";
        case VT_DISPATCH:
            return L"DISPATCH";
        case VT_ERROR:
            return L"ERROR";
        case VT_BOOL:
            return L"BOOL";
        case VT_VARIANT:
            return L"VARIANT";
        case VT_UNKNOWN:
            return L"UNKNOWN";
        default:
            return L"VT" + std::to_wstring(vt & VT_TYPEMASK);
    }
}

}  // namespace

std::wstring plainText(const VARIANT& v) {
    VARIANT copy, text;
    VariantInit(&copy);
    VariantInit(&text);
    std::wstring result;
    if (SUCCEEDED(VariantCopyInd(&copy, const_cast<VARIANT*>(&v))) && V_VT(&copy) != VT_DISPATCH &&
        V_VT(&copy) != VT_ERROR &&
        SUCCEEDED(VariantChangeType(&text, &copy, VARIANT_ALPHABOOL, VT_BSTR)))
        result.assign(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
    VariantClear(&text);
    VariantClear(&copy);
    return result;
}

std::wstring describe(const VARIANT& v) {
    if (V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND) return L"missing";
    std::wstring d = typeName(V_VT(&v));
    if (V_VT(&v) & VT_BYREF) d += L"&";
    switch (V_VT(&v) & VT_TYPEMASK) {
        case VT_BSTR:
            return d + L" \"" + plainText(v) + L"\"";
        case VT_DISPATCH:
        case VT_EMPTY:
            return d;
        default:
            return d + L" " + plainText(v);
    }
}

void logLine(const std::wstring& line) {
    const std::wstring& path = config().log;
    if (path.empty()) return;
    FILE* f = _wfopen(path.c_str(), L"ab");
    if (!f) return;
    // UTF-8, one line per call.
    const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), n,
                        nullptr, nullptr);
    utf8 += '\n';
    fwrite(utf8.data(), 1, utf8.size(), f);
    fclose(f);
}

}  // namespace penwick::testserver
