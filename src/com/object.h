#pragma once
// A late-bound automation object: members are found by name (each name once per object) and
// called through IDispatch::Invoke.

#include <windows.h>

#include <oaidl.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "com/argument.h"
#include "com/com_ptr.h"
#include "com/variant.h"

namespace penwick::com {

class MessageFilter;

class Object {
public:
    Object() = default;
    // `name` is the failure source for its calls (a class or member name). With a filter, a
    // call the server refuses while busy is tried again as the filter decides.
    Object(ComPtr<IDispatch> dispatch, std::u16string name, MessageFilter* filter = nullptr);
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    Object(Object&&) noexcept = default;
    Object& operator=(Object&&) noexcept = default;

    // A new instance of the class registered under `progId`, in or out of process; failure 429
    // when there is none to be had.
    static Object create(std::u16string_view progId, MessageFilter* filter = nullptr);

    // A method call or property read (DISPATCH_METHOD | DISPATCH_PROPERTYGET).
    Variant call(std::u16string_view member, std::initializer_list<Argument> args = {});
    // The object a member returns. Objects read through the same member share their DISPIDs,
    // so a record set read anew at every use still asks for each name once.
    Object callObject(std::u16string_view member, std::initializer_list<Argument> args = {});
    // A property write (DISPATCH_PROPERTYPUT).
    void put(std::u16string_view member, Argument value);

    // The same object through one of its published interfaces, called by name through the
    // IDispatch that the interface derives from; failure when it has no such interface.
    Object as(const IID& iid, std::u16string name);

    IDispatch* get() const { return dispatch_.get(); }
    explicit operator bool() const { return static_cast<bool>(dispatch_); }

private:
    struct Names {
        std::map<std::u16string, std::vector<DISPID>, std::less<>> ids;
        std::map<std::u16string, std::shared_ptr<Names>, std::less<>> children;
    };
    Object(ComPtr<IDispatch> dispatch, std::u16string name, MessageFilter* filter,
           std::shared_ptr<Names> names);
    Object child(ComPtr<IDispatch> dispatch, std::u16string name, const std::u16string& key);

    // Failure 91 for an object that holds none, as an unset object variable.
    IDispatch& dispatch(std::u16string_view member) const;
    // One call to the server, tried again while the server is busy and the filter says so.
    template <class Call>
    HRESULT whileBusy(Call&& call);

    Variant invoke(std::u16string_view member, WORD flags, std::initializer_list<Argument> args);
    // The member's DISPID, then those of its named arguments, looked up once per object.
    const std::vector<DISPID>& idsOf(std::u16string_view member,
                                     std::initializer_list<Argument> args);
    bool inProcess() const;

    ComPtr<IDispatch> dispatch_;
    std::u16string name_;
    MessageFilter* filter_ = nullptr;
    std::shared_ptr<Names> names_ = std::make_shared<Names>();
};

}  // namespace penwick::com
