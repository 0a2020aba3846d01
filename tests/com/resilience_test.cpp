// What the automation layer does when a server misbehaves: busy, gone, or never there.

#include <gtest/gtest.h>

#include <vector>

#include "com/message_filter.h"
#include "com/object.h"
#include "util/failure.h"

namespace penwick::testing {
namespace {

using com::BusyPolicy;

// The calls of one busy spell, as the runtime reports them, and what the user answers.
TEST(BusyPolicy, WaitsQuietlyThenAsksAndStartsAnewAfterRetry) {
    std::vector<bool> answers{true, false};
    int asked = 0;
    BusyPolicy policy([&] { return answers[static_cast<std::size_t>(asked++)]; });
    struct Step {
        DWORD elapsed;
        DWORD reject;
        DWORD expected;
        int askedSoFar;
    };
    const Step steps[] = {
        {0, SERVERCALL_RETRYLATER, BusyPolicy::kRetryEveryMs, 0},
        {9999, SERVERCALL_RETRYLATER, BusyPolicy::kRetryEveryMs, 0},
        {10000, SERVERCALL_RETRYLATER, 0, 1},  // Retry: at once, and quiet again
        {19000, SERVERCALL_RETRYLATER, BusyPolicy::kRetryEveryMs, 1},
        {20000, SERVERCALL_RETRYLATER, BusyPolicy::kGiveUp, 2},    // Cancel
        {5, SERVERCALL_RETRYLATER, BusyPolicy::kRetryEveryMs, 2},  // the next call: quiet
        {6, SERVERCALL_REJECTED, BusyPolicy::kGiveUp, 2},          // refused for good
    };
    for (const Step& s : steps) {
        EXPECT_EQ(policy.retryRejected(s.elapsed, s.reject), s.expected) << s.elapsed;
        EXPECT_EQ(asked, s.askedSoFar) << s.elapsed;
    }
}

TEST(MissingObject, IsTheClassicObjectNotSetFailure) {
    com::Object none;
    const auto number = [](auto&& call) {
        try {
            call();
        } catch (const Failure& f) {
            return f.number();
        }
        return 0;
    };
    EXPECT_EQ(number([&] { none.call(u"Range"); }), err::ObjectNotSet);
    EXPECT_EQ(number([&] { none.put(u"Text", com::Argument::text(u"x")); }), err::ObjectNotSet);
    EXPECT_EQ(number([&] { none.as(IID_IDispatch, u"Range"); }), err::ObjectNotSet);
}

// An object of this process whose Invoke fails with a deferred description, and whose answer
// to "are you a proxy?" the test chooses.
class Deferring final : public IDispatch {
public:
    explicit Deferring(HRESULT proxyAnswer) : proxyAnswer_(proxyAnswer) {}
    static inline bool filledIn = false;
    static HRESULT STDAPICALLTYPE fillIn(EXCEPINFO* info) {
        filledIn = true;
        info->bstrDescription = SysAllocString(L"Filled in");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        return IsEqualIID(iid, IID_IClientSecurity) ? proxyAnswer_ : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT n, LCID, DISPID* ids) override {
        for (UINT i = 0; i < n; ++i) ids[i] = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO* info, UINT*) override {
        *info = EXCEPINFO{};
        info->scode = E_FAIL;
        info->pfnDeferredFillIn = fillIn;
        return DISP_E_EXCEPTION;
    }

private:
    HRESULT proxyAnswer_;
};

// A fill-in is called only when the object says plainly that it is no proxy; a proxy whose
// server is gone answers with an RPC failure, which proves nothing.
TEST(DeferredFillIn, IsCalledOnlyOnPositiveEvidenceOfThisProcess) {
    struct Row {
        HRESULT proxyAnswer;
        bool called;
        const char16_t* description;
    };
    const Row rows[] = {
        {E_NOINTERFACE, true, u"Filled in"},
        {RPC_E_DISCONNECTED, false, u"Automation error"},
        {S_OK, false, u"Automation error"},
    };
    for (const Row& r : rows) {
        Deferring object(r.proxyAnswer);
        com::Object wrapped(com::ComPtr<IDispatch>::share(&object), u"Test");
        Deferring::filledIn = false;
        try {
            wrapped.call(u"Go");
            ADD_FAILURE() << "no failure";
        } catch (const Failure& f) {
            EXPECT_EQ(f.description(), r.description) << std::hex << r.proxyAnswer;
        }
        EXPECT_EQ(Deferring::filledIn, r.called) << std::hex << r.proxyAnswer;
    }
}

}  // namespace
}  // namespace penwick::testing
