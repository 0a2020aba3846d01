#pragma once
// An owned reference to a COM interface: released when it goes, added to when copied.

#include <windows.h>

#include <objbase.h>

#include <utility>

namespace penwick::com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    static ComPtr attach(T* raw) {
        ComPtr p;
        p.p_ = raw;
        return p;
    }
    // Adds a reference of its own.
    static ComPtr share(T* raw) {
        if (raw) raw->AddRef();
        return attach(raw);
    }

    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new reference through a T**; drops the one held before.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    T* p_ = nullptr;
};

}  // namespace penwick::com
