#include "com/object.h"

#include <utility>

#include "com/argument_pack.h"
#include "com/automation_error.h"
#include "com/bstr.h"

namespace penwick::com {

namespace {

// The key under which a member's DISPIDs are kept: its name and its named arguments' names.
std::u16string keyOf(std::u16string_view member, std::initializer_list<Argument> args) {
    std::u16string key(member);
    for (const Argument& a : args)
        if (!a.name().empty()) key.append(1, u'\0').append(a.name());
    return key;
}

}  // namespace

Object::Object(ComPtr<IDispatch> dispatch, std::u16string name)
    : dispatch_(std::move(dispatch)), name_(std::move(name)) {}

Object::Object(ComPtr<IDispatch> dispatch, std::u16string name, std::shared_ptr<Names> names)
    : dispatch_(std::move(dispatch)), name_(std::move(name)), names_(std::move(names)) {}

Object Object::create(std::u16string_view progId) {
    const std::u16string source(progId);
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(wide(source), &clsid);
    if (FAILED(hr)) throw automationFailure(hr, source);
    ComPtr<IDispatch> dispatch;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, dispatch.putVoid());
    if (FAILED(hr)) throw automationFailure(hr, source);
    return Object(std::move(dispatch), source);
}

Variant Object::call(std::u16string_view member, std::initializer_list<Argument> args) {
    return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Object Object::callObject(std::u16string_view member, std::initializer_list<Argument> args) {
    ComPtr<IDispatch> child = call(member, args).toObject(member);
    auto& names = names_->children[std::u16string(member)];
    if (!names) names = std::make_shared<Names>();
    return Object(std::move(child), std::u16string(member), names);
}

void Object::put(std::u16string_view member, Argument value) {
    const DISPID id = idsOf(member, {}).front();
    ArgumentPack pack(value);
    Variant ignored;
    ExceptionInfo info;
    UINT badArgument = 0;
    const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                         pack.params(), ignored.put(), info.get(), &badArgument);
    if (FAILED(hr)) throw automationFailure(hr, member, &info, inProcess());
}

Object Object::as(const IID& iid, std::u16string name) {
    // Word's published interfaces are dual: the pointer is an IDispatch as well.
    ComPtr<IDispatch> typed;
    const HRESULT hr = dispatch_->QueryInterface(iid, typed.putVoid());
    if (FAILED(hr)) throw automationFailure(hr, name);
    auto& names = names_->children[u"as " + name];
    if (!names) names = std::make_shared<Names>();
    return Object(std::move(typed), std::move(name), names);
}

Variant Object::invoke(std::u16string_view member, WORD flags,
                       std::initializer_list<Argument> args) {
    const std::vector<DISPID>& ids = idsOf(member, args);
    const std::vector<DISPID> namedIds(ids.begin() + 1, ids.end());
    ArgumentPack pack(args, namedIds);
    Variant result;
    ExceptionInfo info;
    UINT badArgument = 0;
    const HRESULT hr = dispatch_->Invoke(ids.front(), IID_NULL, LOCALE_USER_DEFAULT, flags,
                                         pack.params(), result.put(), info.get(), &badArgument);
    if (FAILED(hr)) throw automationFailure(hr, member, &info, inProcess());
    pack.writeBack();
    return result;
}

const std::vector<DISPID>& Object::idsOf(std::u16string_view member,
                                         std::initializer_list<Argument> args) {
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
    const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, raw.data(), static_cast<UINT>(raw.size()),
                                                LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(hr)) throw automationFailure(hr, member);
    return cache.emplace(std::move(key), std::move(ids)).first->second;
}

bool Object::inProcess() const {
    // Only a proxy, standing for an object in another process, offers IClientSecurity.
    ComPtr<IClientSecurity> proxy;
    return FAILED(dispatch_->QueryInterface(IID_IClientSecurity, proxy.putVoid()));
}

}  // namespace penwick::com
