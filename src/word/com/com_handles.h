#pragma once
// Owners of the COM handles the automation calls pass around: an interface
// reference, a BSTR and a VARIANT, each released exactly once.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace tarnfold::word::com {

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    static ComPtr Attach(Interface* raw) {
        ComPtr p;
        p.raw_ = raw;
        return p;
    }
    // Adds a reference of its own.
    static ComPtr Share(Interface* raw) {
        if (raw != nullptr) raw->AddRef();
        return Attach(raw);
    }
    ComPtr(const ComPtr& other) : raw_(other.raw_) {
        if (raw_ != nullptr) raw_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(raw_, other.raw_);
        return *this;
    }
    ~ComPtr() {
        if (raw_ != nullptr) raw_->Release();
    }

    Interface* Get() const { return raw_; }
    Interface* operator->() const { return raw_; }
    explicit operator bool() const { return raw_ != nullptr; }
    // For an out-parameter: the old reference is released first.
    Interface** Receive() {
        *this = ComPtr();
        return &raw_;
    }

private:
    Interface* raw_ = nullptr;
};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text) : raw_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(raw_, other.raw_);
        return *this;
    }
    ~Bstr() { SysFreeString(raw_); }

    BSTR Get() const { return raw_; }
    // The slot a callee may replace (a string passed by reference); whatever
    // stands there at the end is freed here.
    BSTR* Slot() { return &raw_; }
    BSTR Release() { return std::exchange(raw_, nullptr); }
    std::wstring Text() const { return raw_ == nullptr ? std::wstring() : std::wstring(raw_, SysStringLen(raw_)); }

private:
    BSTR raw_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&raw_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : raw_(other.raw_) { VariantInit(&other.raw_); }
    Variant& operator=(Variant&& other) noexcept {
        std::swap(raw_, other.raw_);
        return *this;
    }
    ~Variant() { VariantClear(&raw_); }

    VARIANT* Get() { return &raw_; }
    const VARIANT* Get() const { return &raw_; }

private:
    VARIANT raw_;
};

}  // namespace tarnfold::word::com
