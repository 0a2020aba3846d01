#include "win32/accessible.h"

// After windows.h, which it needs.
#include <oleacc.h>

#include <string>

// The IIDs come from __uuidof: mingw-w64's import library takes oleacc.dll's exported
// IID_IAccessible for a function, and gives the address of its thunk.

namespace penwick::win32 {

namespace {

LONG roleOf(ui::Role role) {
    switch (role) {
        case ui::Role::StaticText:
            return ROLE_SYSTEM_STATICTEXT;
        case ui::Role::Link:
            return ROLE_SYSTEM_LINK;
        case ui::Role::Edit:
            return ROLE_SYSTEM_TEXT;
        case ui::Role::ComboBox:
            return ROLE_SYSTEM_COMBOBOX;
        case ui::Role::List:
            return ROLE_SYSTEM_LIST;
        case ui::Role::Button:
            return ROLE_SYSTEM_PUSHBUTTON;
        case ui::Role::Grouping:
            return ROLE_SYSTEM_GROUPING;
        case ui::Role::Calendar:
            return ROLE_SYSTEM_CLIENT;
    }
    return ROLE_SYSTEM_CLIENT;
}

bool isSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's object for the control, answering for itself what the description says and
// passing everything else (its children, its value, its actions) to the system's.
class DescribedAccessible final : public IAccessible {
public:
    DescribedAccessible(IAccessible* system, const ui::AccessibleDesc& spoken)
        : system_(system),
          name_(spoken.name.begin(), spoken.name.end()),
          description_(spoken.description.begin(), spoken.description.end()),
          role_(roleOf(spoken.role)) {}
    DescribedAccessible(const DescribedAccessible&) = delete;
    DescribedAccessible& operator=(const DescribedAccessible&) = delete;

    // IUnknown: this object for IAccessible and its bases, the system's for its children and
    // its window; nothing else, so that COM marshals this object and not the system's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
            riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        if (riid == __uuidof(IEnumVARIANT) || riid == __uuidof(IOleWindow))
            return system_->QueryInterface(riid, out);
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        return system_->GetTypeInfoCount(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
        return system_->GetTypeInfo(i, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT n, LCID lcid,
                                            DISPID* ids) override {
        return system_->GetIDsOfNames(riid, names, n, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                                     UINT* arg) override {
        return system_->Invoke(id, riid, lcid, flags, params, result, info, arg);
    }

    // IAccessible: the three the description answers, for the control itself.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!isSelf(child) || name_.empty()) return system_->get_accName(child, name);
        return text(name_, name);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!isSelf(child)) return system_->get_accRole(child, role);
        if (role == nullptr) return E_INVALIDARG;
        VariantInit(role);
        role->vt = VT_I4;
        role->lVal = role_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (!isSelf(child) || description_.empty())
            return system_->get_accDescription(child, description);
        return text(description_, description);
    }

    // IAccessible: the rest, as the system has it.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return system_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return system_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return system_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return system_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return system_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return system_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return system_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return system_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return system_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return system_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return system_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return system_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return system_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return system_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return system_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return system_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return system_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return system_->put_accValue(child, value);
    }

private:
    ~DescribedAccessible() { system_->Release(); }

    static HRESULT text(const std::wstring& value, BSTR* out) {
        if (out == nullptr) return E_INVALIDARG;
        *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    IAccessible* system_;
    std::wstring name_, description_;
    LONG role_;
    LONG references_ = 1;
};

}  // namespace

LRESULT answerGetObject(HWND control, WPARAM wp, LPARAM lp, const ui::AccessibleDesc& spoken) {
    if (static_cast<LONG>(lp) != OBJID_CLIENT) return 0;
    IAccessible* system = nullptr;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&system))))
        return 0;
    auto* described = new DescribedAccessible(system, spoken);
    const LRESULT answer = LresultFromObject(__uuidof(IAccessible), wp, described);
    described->Release();  // the answer holds its own reference
    return answer < 0 ? 0 : answer;
}

}  // namespace penwick::win32
