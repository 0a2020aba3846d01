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

// The system's wording for the ways a call to another process fails. Written out here rather
// than asked of FormatMessage, which not every system (Wine) has wording for.
const char16_t* rpcFailure(HRESULT hr) {
    switch (hr) {
        case RPC_E_DISCONNECTED:
            return u"The object invoked has disconnected from its clients.";
        case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
            return u"The RPC server is unavailable.";
        case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
        case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
            return u"The remote procedure call failed.";
        case CO_E_OBJNOTCONNECTED:
            return u"Object is not connected to server";
        case RPC_E_SERVER_DIED:
        case RPC_E_SERVER_DIED_DNE:
            return u"The callee (server [not server application]) is not available and "
                   u"disappeared; all connections are invalid.";
        case RPC_E_CALL_REJECTED:
            return u"Call was rejected by callee.";
        case RPC_E_SERVERCALL_RETRYLATER:
            return u"The message filter indicated that the application is busy.";
        case RPC_E_CALL_CANCELED:
            return u"Call was canceled by the message filter.";
        default:
            return nullptr;
    }
}

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
    // A server that is gone or that refused the call: the number is the HRESULT itself, as the
    // classic runtime reports it, with a description that says what happened.
    if (const char16_t* what = rpcFailure(hr))
        return {static_cast<int>(hr), std::u16string(u"Automation error\r\n") + what};
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
    // The fill-in is called only where it is known to be code of this process.
    HMODULE module = nullptr;
    if (e.pfnDeferredFillIn && inProcess &&
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(e.pfnDeferredFillIn), &module))
        e.pfnDeferredFillIn(&e);

    Classic c = e.wCode != 0 ? Classic{e.wCode, standardDescription(e.wCode)}
                             : classic(e.scode != S_OK ? e.scode : E_FAIL);
    std::u16string description = textOf(e.bstrDescription);
    std::u16string from = textOf(e.bstrSource);
    return Failure(c.number,
                   description.empty() ? std::move(c.description) : std::move(description),
                   from.empty() ? std::u16string(source) : std::move(from));
}

}  // namespace penwick::com
