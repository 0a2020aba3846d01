#pragma once
// The DISPPARAMS of one call: positional arguments in reverse order behind the named ones, with
// the storage that by-reference arguments point into. Everything it allocated is freed with it.

#include <windows.h>

#include <oaidl.h>

#include <initializer_list>
#include <vector>

#include "com/argument.h"

namespace penwick::com {

class ArgumentPack {
public:
    // `namedIds` are the DISPIDs of the named arguments, in the order they stand in `args`.
    ArgumentPack(std::initializer_list<Argument> args, const std::vector<DISPID>& namedIds);
    // A property write: the value is the one argument, named DISPID_PROPERTYPUT.
    explicit ArgumentPack(const Argument& putValue);
    ArgumentPack(const ArgumentPack&) = delete;
    ArgumentPack& operator=(const ArgumentPack&) = delete;
    ~ArgumentPack();

    DISPPARAMS* params() { return &params_; }
    // Copies what the object wrote into the by-reference arguments back to the caller.
    void writeBack() const;

private:
    void reserve(std::size_t n);
    void fill(VARIANT& slot, const Argument& arg, std::size_t index);
    void finish();
    void free();

    std::vector<VARIANT> slots_;
    std::vector<DISPID> namedIds_;
    // One cell per argument; a by-reference argument's slot points into its cell.
    std::vector<BSTR> texts_;
    std::vector<SHORT> shorts_;
    std::vector<const Argument*> byRef_;
    DISPPARAMS params_{};
};

}  // namespace penwick::com
