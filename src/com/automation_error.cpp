#include "com/automation_error.h"

#include <winerror.h>

#include <string>

#include "com/bstr.h"

namespace penwick::com {

namespace {

struct Classic {
    int number;
    std::u16string description;
};

// The numbers and descriptions of the classic runtime for the HRESULTs automation returns.
Classic classic(HRESULT hr) {
    switch (hr) {
        case DISP_E_UNKNOWNNAME:
        case DISP_E_MEMBERNOTFOUND:
            return {438, u"Object doesn't support this property or method"};
        case DISP_E_TYPEMISMATCH:
            return {13, u"Type mismatch"};
        case DISP_E_OVERFLOW:
            return {err::Overflow, standardDescription(err::Overflow)};
        case DISP_E_BADPARAMCOUNT:
            return {450, u"Wrong number of arguments or invalid property assignment"};
        case DISP_E_NONAMEDARGS:
            return {446, u"Object doesn't support named arguments"};
        case DISP_E_PARAMNOTFOUND:
            return {448, u"Named argument not found"};
        case DISP_E_PARAMNOTOPTIONAL:
            return {449, u"Argument not optional"};
        case DISP_E_BADVARTYPE:
            return {458, u"Variable uses an Automation type not supported"};
        case E_INVALIDARG:
            return {err::InvalidCall, standardDescription(err::InvalidCall)};
        case E_OUTOFMEMORY:
            return {err::OutOfMemory, standardDescription(err::OutOfMemory)};
        case REGDB_E_CLASSNOTREG:
        case CO_E_CLASSSTRING:
        case CO_E_APPNOTFOUND:
        case CO_E_SERVER_EXEC_FAILURE:
        case CO_E_DLLNOTFOUND:
        case CO_E_ERRORINDLL:
        case CLASS_E_CLASSNOTAVAILABLE:
            return {err::CannotCreateObject, standardDescription(err::CannotCreateObject)};
        default:
            break;
    }
    // What a Visual Basic server raises travels as FACILITY_CONTROL with the number inside.
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL)
        return {HRESULT_CODE(hr), standardDescription(HRESULT_CODE(hr))};
    return {static_cast<int>(hr), u"Automation error"};
}

}  // namespace

ExceptionInfo::~ExceptionInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
}

Failure automationFailure(HRESULT hr, std::u16string_view source, ExceptionInfo* info,
                          bool inProcess) {
    if (hr != DISP_E_EXCEPTION || !info) {
        Classic c = classic(hr);
        return Failure(c.number, std::move(c.description), std::u16string(source));
    }
    EXCEPINFO& e = *info->get();
    if (e.pfnDeferredFillIn && inProcess) e.pfnDeferredFillIn(&e);

    Classic c = e.wCode != 0 ? Classic{e.wCode, standardDescription(e.wCode)}
                             : classic(e.scode != S_OK ? e.scode : E_FAIL);
    std::u16string description = textOf(e.bstrDescription);
    std::u16string from = textOf(e.bstrSource);
    return Failure(c.number,
                   description.empty() ? std::move(c.description) : std::move(description),
                   from.empty() ? std::u16string(source) : std::move(from));
}

}  // namespace penwick::com
