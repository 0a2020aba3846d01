#include "com/argument_pack.h"

#include <new>
#include <utility>

#include "com/bstr.h"

namespace penwick::com {

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

BSTR allocate(std::u16string_view text) {
    BSTR s = SysAllocStringLen(wide(text), static_cast<UINT>(text.size()));
    if (!s) throw std::bad_alloc();
    return s;
}

}  // namespace

ArgumentPack::ArgumentPack(std::initializer_list<Argument> args,
                           const std::vector<DISPID>& namedIds) {
    reserve(args.size());
    try {
        // Named arguments come first in rgvarg, then the positional ones from last to first.
        std::vector<const Argument*> positional;
        std::size_t slot = 0;
        for (const Argument& a : args) {
            if (a.name().empty()) {
                positional.push_back(&a);
            } else {
                fill(slots_[slot], a, slot);
                namedIds_.push_back(namedIds.at(namedIds_.size()));
                ++slot;
            }
        }
        for (auto it = positional.rbegin(); it != positional.rend(); ++it, ++slot)
            fill(slots_[slot], **it, slot);
    } catch (...) {
        free();
        throw;
    }
    finish();
}

ArgumentPack::ArgumentPack(const Argument& putValue) {
    reserve(1);
    fill(slots_[0], putValue, 0);  // one allocation at most: nothing to free when it fails
    namedIds_.push_back(DISPID_PROPERTYPUT);
    finish();
}

void ArgumentPack::reserve(std::size_t n) {
    slots_.resize(n);
    for (VARIANT& v : slots_) VariantInit(&v);
    texts_.assign(n, nullptr);
    shorts_.assign(n, 0);
    byRef_.assign(n, nullptr);
}

void ArgumentPack::finish() {
    params_.rgvarg = slots_.empty() ? nullptr : slots_.data();
    params_.cArgs = static_cast<UINT>(slots_.size());
    params_.rgdispidNamedArgs = namedIds_.empty() ? nullptr : namedIds_.data();
    params_.cNamedArgs = static_cast<UINT>(namedIds_.size());
}

void ArgumentPack::fill(VARIANT& v, const Argument& arg, std::size_t i) {
    std::visit(Overloaded{
                   [&](const std::u16string& s) {
                       V_VT(&v) = VT_BSTR;
                       V_BSTR(&v) = allocate(s);
                   },
                   [&](std::u16string* s) {
                       texts_[i] = allocate(*s);
                       V_VT(&v) = VT_BYREF | VT_BSTR;
                       V_BSTRREF(&v) = &texts_[i];
                       byRef_[i] = &arg;
                   },
                   [&](std::int16_t n) {
                       V_VT(&v) = VT_I2;
                       V_I2(&v) = n;
                   },
                   [&](std::int16_t* n) {
                       shorts_[i] = *n;
                       V_VT(&v) = VT_BYREF | VT_I2;
                       V_I2REF(&v) = &shorts_[i];
                       byRef_[i] = &arg;
                   },
                   [&](std::int32_t n) {
                       V_VT(&v) = VT_I4;
                       V_I4(&v) = n;
                   },
                   [&](bool b) {
                       V_VT(&v) = VT_BOOL;
                       V_BOOL(&v) = b ? VARIANT_TRUE : VARIANT_FALSE;
                   },
                   [&](IDispatch* d) {
                       if (d) d->AddRef();
                       V_VT(&v) = VT_DISPATCH;
                       V_DISPATCH(&v) = d;
                   },
                   [&](Argument::Omitted) {
                       V_VT(&v) = VT_ERROR;
                       V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
                   },
               },
               arg.payload());
}

void ArgumentPack::writeBack() const {
    for (std::size_t i = 0; i < byRef_.size(); ++i) {
        if (!byRef_[i]) continue;
        if (auto* const* text = std::get_if<std::u16string*>(&byRef_[i]->payload()))
            **text = textOf(texts_[i]);
        else if (auto* const* n = std::get_if<std::int16_t*>(&byRef_[i]->payload()))
            **n = shorts_[i];
    }
}

ArgumentPack::~ArgumentPack() {
    free();
}

void ArgumentPack::free() {
    // By-reference slots only point into the cells; the cells hold what must be freed.
    for (VARIANT& v : slots_)
        if (!(V_VT(&v) & VT_BYREF)) VariantClear(&v);
    for (BSTR& s : texts_) SysFreeString(std::exchange(s, nullptr));
    slots_.clear();
}

}  // namespace penwick::com
