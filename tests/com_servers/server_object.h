#pragma once
// A test automation object: members by name with handlers, IDispatch by hand, and every call
// written to the call log the test reads.

#include <windows.h>

#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

namespace penwick::testserver {

// A failure the object reports through EXCEPINFO (DISP_E_EXCEPTION).
struct ObjectError {
    HRESULT scode = E_FAIL;
    std::wstring description;
    bool deferred = false;  // the description comes through pfnDeferredFillIn
};

struct Call {
    WORD flags;
    std::vector<VARIANT*> args;  // positional, first to last
    VARIANT* named(DISPID id) const;
    const DISPPARAMS* params;
    VARIANT* result;  // never null

    // The n-th positional argument as text or number; an omitted one is the default.
    std::wstring text(std::size_t n, std::wstring fallback = {}) const;
    long number(std::size_t n, long fallback = 0) const;
    bool omitted(std::size_t n) const;
};

class ServerObject : public IDispatch {
public:
    using Handler = std::function<void(Call&)>;

    // Counts live objects, so that a local server ends when the last one goes.
    static LONG liveObjects();
    static void setOnLastRelease(void (*f)());

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* info, UINT* badArg) override;

protected:
    explicit ServerObject(std::wstring className);
    virtual ~ServerObject();
    // `parameters` are the names of its arguments that may be passed by name, in order.
    void member(std::wstring name, Handler handler, std::vector<std::wstring> parameters = {});
    // An interface the object answers QueryInterface for besides IDispatch.
    void alsoAnswers(const IID& iid) { interfaces_.push_back(iid); }

private:
    struct Member {
        std::wstring name;
        Handler handler;
        std::vector<std::wstring> parameters;
    };
    LONG refs_ = 1;
    std::wstring className_;
    std::vector<Member> members_;
    std::vector<IID> interfaces_;
};

// Hands out a new reference to `object` as the call's result.
void returnObject(Call& call, IDispatch* object);
void returnText(Call& call, const std::wstring& text);
void returnBool(Call& call, bool value);
void returnLong(Call& call, long value);

}  // namespace penwick::testserver
