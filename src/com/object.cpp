#include "com/object.h"

#include <utility>

#include "com/argument_pack.h"
#include "com/automation_error.h"
#include "com/bstr.h"
#include "com/message_filter.h"

namespace penwick::com {

namespace {

// The key under which a member's DISPIDs are kept: its name and its named arguments' names.
std::u16string keyOf(std::u16string_view member, std::initializer_list<Argument> args) {
    std::u16string key(member);
    for (const Argument& a : args)
        if (!a.name().empty()) key.append(1, u'\0').append(a.name());
    return key;
}

bool refusedWhileBusy(HRESULT hr) {
    return hr == RPC_E_SERVERCALL_RETRYLATER || hr == RPC_E_CALL_REJECTED;
}

}  // namespace

Object::Object(ComPtr<IDispatch> dispatch, std::u16string name, MessageFilter* filter)
    : dispatch_(std::move(dispatch)), name_(std::move(name)), filter_(filter) {}

Object::Object(ComPtr<IDispatch> dispatch, std::u16string name, MessageFilter* filter,
               std::shared_ptr<Names> names)
    : dispatch_(std::move(dispatch)),
      name_(std::move(name)),
      filter_(filter),
      names_(std::move(names)) {}

Object Object::create(std::u16string_view progId, MessageFilter* filter) {
    const std::u16string source(progId);
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(wide(source), &clsid);
    if (FAILED(hr)) throw automationFailure(hr, source);
    ComPtr<IDispatch> dispatch;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, dispatch.putVoid());
    if (FAILED(hr)) throw automationFailure(hr, source);
    return Object(std::move(dispatch), source, filter);
}

Object Object::child(ComPtr<IDispatch> dispatch, std::u16string name, const std::u16string& key) {
    auto& names = names_->children[key];
    if (!names) names = std::make_shared<Names>();
    return Object(std::move(dispatch), std::move(name), filter_, names);
}

IDispatch& Object::dispatch(std::u16string_view member) const {
    if (!dispatch_) raise(err::ObjectNotSet, std::u16string(member));
    return *dispatch_.get();
}

template <class Call>
HRESULT Object::whileBusy(Call&& call) {
    const DWORD start = GetTickCount();
    unsigned consulted = filter_ != nullptr ? filter_->consultations() : 0;
    HRESULT hr = call();
    // Where the runtime honours the filter, a refusal that still reaches this point is the
    // user's Cancel. Where it does not (Wine hands the refusal straight back), the filter is
    // asked here in the same way.
    while (filter_ != nullptr && refusedWhileBusy(hr) && filter_->consultations() == consulted) {
        const DWORD wait = filter_->RetryRejectedCall(
            nullptr, GetTickCount() - start,
            hr == RPC_E_SERVERCALL_RETRYLATER ? SERVERCALL_RETRYLATER : SERVERCALL_REJECTED);
        if (wait == BusyPolicy::kGiveUp) return RPC_E_CALL_REJECTED;
        MessageFilter::waitPainting(wait);
        consulted = filter_->consultations();
        hr = call();
    }
    return hr;
}

Variant Object::call(std::u16string_view member, std::initializer_list<Argument> args) {
    return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Object Object::callObject(std::u16string_view member, std::initializer_list<Argument> args) {
    ComPtr<IDispatch> result = call(member, args).toObject(member);
    return child(std::move(result), std::u16string(member), std::u16string(member));
}

void Object::put(std::u16string_view member, Argument value) {
    IDispatch& target = dispatch(member);
    const DISPID id = idsOf(member, {}).front();
    ArgumentPack pack(value);
    Variant ignored;
    ExceptionInfo info;
    UINT badArgument = 0;
    const HRESULT hr = whileBusy([&] {
        return target.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, pack.params(),
                             ignored.put(), info.get(), &badArgument);
    });
    if (FAILED(hr)) throw automationFailure(hr, member, &info, inProcess());
}

Object Object::as(const IID& iid, std::u16string name) {
    // Word's published interfaces are dual: the pointer is an IDispatch as well.
    ComPtr<IDispatch> typed;
    const HRESULT hr = dispatch(name).QueryInterface(iid, typed.putVoid());
    if (FAILED(hr)) throw automationFailure(hr, name);
    return child(std::move(typed), name, u"as " + name);
}

Variant Object::invoke(std::u16string_view member, WORD flags,
                       std::initializer_list<Argument> args) {
    IDispatch& target = dispatch(member);
    const std::vector<DISPID>& ids = idsOf(member, args);
    const std::vector<DISPID> namedIds(ids.begin() + 1, ids.end());
    ArgumentPack pack(args, namedIds);
    Variant result;
    ExceptionInfo info;
    UINT badArgument = 0;
    const HRESULT hr = whileBusy([&] {
        return target.Invoke(ids.front(), IID_NULL, LOCALE_USER_DEFAULT, flags, pack.params(),
                             result.put(), info.get(), &badArgument);
    });
    if (FAILED(hr)) throw automationFailure(hr, member, &info, inProcess());
    pack.writeBack();
    return result;
}

const std::vector<DISPID>& Object::idsOf(std::u16string_view member,
                                         std::initializer_list<Argument> args) {
    IDispatch& target = dispatch(member);
    std::u16string key = keyOf(member, args);
    auto& cache = names_->ids;
    if (auto found = cache.find(key); found != cache.end()) return found->second;

    // The member's name first, then the names of its named arguments.
    std::vector<std::u16string> names{std::u16string(member)};
    for (const Argument& a : args)
        if (!a.name().empty()) names.push_back(a.name());
    std::vector<LPOLESTR> raw;
    for (std::u16string& n : names) raw.push_back(reinterpret_cast<LPOLESTR>(n.data()));
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    const HRESULT hr = whileBusy([&] {
        return target.GetIDsOfNames(IID_NULL, raw.data(), static_cast<UINT>(raw.size()),
                                    LOCALE_USER_DEFAULT, ids.data());
    });
    if (FAILED(hr)) throw automationFailure(hr, member);
    return cache.emplace(std::move(key), std::move(ids)).first->second;
}

bool Object::inProcess() const {
    // Only a proxy, standing for an object in another process, offers IClientSecurity; an
    // object of this process says so plainly. Any other answer (a server that has gone, say)
    // proves nothing, and a fill-in is then not called.
    ComPtr<IClientSecurity> proxy;
    return dispatch_ &&
           dispatch_->QueryInterface(IID_IClientSecurity, proxy.putVoid()) == E_NOINTERFACE;
}

}  // namespace penwick::com
