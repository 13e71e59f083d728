#include "word/com/automation.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "core/error.h"
#include "core/wide_text.h"
#include "word/com/message_filter.h"
#include "word/server_error.h"

namespace tarnfold::word::com {

using win32::Narrow;
using win32::Wide;

Arg Arg::Text(std::string_view utf8, std::string name) {
    Arg arg(Kind::Text, std::move(name));
    arg.text_ = std::string(utf8);
    return arg;
}

Arg Arg::TextByRef(std::string& variable, std::string name) {
    Arg arg(Kind::TextByRef, std::move(name));
    arg.variable_ = &variable;
    return arg;
}

Arg Arg::Integer(std::int32_t value, std::string name) {
    Arg arg(Kind::Integer, std::move(name));
    arg.integer_ = value;
    return arg;
}

Arg Arg::Boolean(bool value, std::string name) {
    Arg arg(Kind::Boolean, std::move(name));
    arg.boolean_ = value;
    return arg;
}

namespace {

// The argument block of one Invoke: VARIANTs in the reversed order IDispatch
// wants, and the BSTR slots of the by-reference strings.
class ArgumentBlock {
public:
    explicit ArgumentBlock(const std::vector<Arg>& args) : args_(args), slots_(args.size()), refs_(args.size()) {
        const std::size_t n = args.size();
        for (std::size_t i = 0; i < n; ++i) {
            VARIANT& v = slots_[n - 1 - i];
            VariantInit(&v);
            const Arg& arg = args[i];
            switch (arg.kind()) {
                case Arg::Kind::Text:
                    V_VT(&v) = VT_BSTR;
                    V_BSTR(&v) = Bstr(Wide(arg.text())).Release();
                    break;
                case Arg::Kind::TextByRef:
                    refs_[i] = Bstr(Wide(*arg.variable()));
                    V_VT(&v) = VT_BYREF | VT_BSTR;
                    V_BSTRREF(&v) = refs_[i].Slot();
                    break;
                case Arg::Kind::Integer:
                    V_VT(&v) = VT_I4;
                    V_I4(&v) = arg.integer();
                    break;
                case Arg::Kind::Boolean:
                    V_VT(&v) = VT_BOOL;
                    V_BOOL(&v) = arg.boolean() ? VARIANT_TRUE : VARIANT_FALSE;
                    break;
            }
        }
    }
    ArgumentBlock(const ArgumentBlock&) = delete;
    ArgumentBlock& operator=(const ArgumentBlock&) = delete;
    ~ArgumentBlock() {
        for (VARIANT& v : slots_) VariantClear(&v);
    }

    VARIANT* Data() { return slots_.empty() ? nullptr : slots_.data(); }
    UINT Count() const { return static_cast<UINT>(slots_.size()); }

    void CopyBack() {
        for (std::size_t i = 0; i < args_.size(); ++i)
            if (args_[i].kind() == Arg::Kind::TextByRef) *args_[i].variable() = Narrow(refs_[i].Text());
    }

private:
    const std::vector<Arg>& args_;
    std::vector<VARIANT> slots_;
    std::vector<Bstr> refs_;
};

// The texts an EXCEPINFO carries, freed with it.
class ExceptionInfo {
public:
    ExceptionInfo() { ZeroMemory(&raw_, sizeof raw_); }
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo() {
        SysFreeString(raw_.bstrSource);
        SysFreeString(raw_.bstrDescription);
        SysFreeString(raw_.bstrHelpFile);
    }
    EXCEPINFO* Get() { return &raw_; }

    std::string Text() {
        if (raw_.pfnDeferredFillIn != nullptr) raw_.pfnDeferredFillIn(&raw_);
        const HRESULT code = raw_.scode != 0 ? raw_.scode : DISP_E_EXCEPTION;
        const std::wstring description = raw_.bstrDescription == nullptr
                                             ? std::wstring()
                                             : std::wstring(raw_.bstrDescription, SysStringLen(raw_.bstrDescription));
        return AutomationErrorText(code, description);
    }

private:
    EXCEPINFO raw_;
};

// FormatMessageW's buffer.
class LocalText {
public:
    LocalText() = default;
    LocalText(const LocalText&) = delete;
    LocalText& operator=(const LocalText&) = delete;
    ~LocalText() { LocalFree(raw_); }
    wchar_t** Slot() { return &raw_; }
    const wchar_t* Get() const { return raw_; }

private:
    wchar_t* raw_ = nullptr;
};

}  // namespace

Dispatch::Dispatch(ComPtr<IDispatch> object) : object_(std::move(object)) {
    if (!object_) throw Error(AutomationErrorText(E_POINTER, {}));
}

Variant Dispatch::Invoke(const std::string& name, WORD flags, const std::vector<Arg>& args, bool wantResult) const {
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    std::size_t positional = 0;
    while (positional < args.size() && args[positional].name().empty()) ++positional;
    for (std::size_t i = positional; i < args.size(); ++i)
        if (args[i].name().empty() || put) throw std::logic_error("named arguments follow the positional ones");

    std::vector<std::wstring> names{Wide(name)};
    for (std::size_t i = positional; i < args.size(); ++i) names.push_back(Wide(args[i].name()));
    std::vector<LPOLESTR> namePointers;
    for (std::wstring& n : names) namePointers.push_back(n.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    const HRESULT found = CallWhileBusy([&] {
        return object_->GetIDsOfNames(IID_NULL, namePointers.data(), static_cast<UINT>(names.size()),
                                      LOCALE_USER_DEFAULT, ids.data());
    });
    if (IsRejectedCall(found)) throw Error(kWordBusyMessage);
    if (FAILED(found)) throw Error(UnknownNameText(name));

    ArgumentBlock block(args);
    // rgvarg is reversed, so its first entries are the last named arguments.
    std::vector<DISPID> namedIds;
    if (put) {
        namedIds.push_back(DISPID_PROPERTYPUT);
    } else {
        for (std::size_t slot = 0; slot < args.size() - positional; ++slot) {
            const std::size_t caller = args.size() - 1 - slot;
            namedIds.push_back(ids[1 + caller - positional]);
        }
    }
    DISPPARAMS params{block.Data(), namedIds.empty() ? nullptr : namedIds.data(), block.Count(),
                      static_cast<UINT>(namedIds.size())};

    Variant result;
    ExceptionInfo exception;
    UINT argumentError = 0;
    const HRESULT hr = CallWhileBusy([&] {
        return object_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                               wantResult ? result.Get() : nullptr, exception.Get(), &argumentError);
    });
    if (IsRejectedCall(hr)) throw Error(kWordBusyMessage);
    if (hr == DISP_E_EXCEPTION) throw Error(exception.Text());
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    block.CopyBack();
    return result;
}

Dispatch Dispatch::Object(const std::string& name, std::vector<Arg> args) const {
    Variant result = Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, true);
    const VARIANT* v = result.Get();
    if (V_VT(v) == VT_DISPATCH && V_DISPATCH(v) != nullptr) return Dispatch(ComPtr<IDispatch>::Share(V_DISPATCH(v)));
    if (V_VT(v) == VT_UNKNOWN && V_UNKNOWN(v) != nullptr) {
        ComPtr<IDispatch> object;
        const HRESULT hr = V_UNKNOWN(v)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.Receive()));
        if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
        return Dispatch(std::move(object));
    }
    throw Error(AutomationErrorText(DISP_E_TYPEMISMATCH, {}));
}

std::int32_t Dispatch::Integer(const std::string& name, std::vector<Arg> args) const {
    Variant result = Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, true);
    Variant converted;
    const HRESULT hr = VariantChangeType(converted.Get(), result.Get(), 0, VT_I4);
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    return V_I4(converted.Get());
}

bool Dispatch::Boolean(const std::string& name, std::vector<Arg> args) const {
    Variant result = Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, true);
    Variant converted;
    const HRESULT hr = VariantChangeType(converted.Get(), result.Get(), 0, VT_BOOL);
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    return V_BOOL(converted.Get()) != VARIANT_FALSE;
}

std::string Dispatch::Text(const std::string& name, std::vector<Arg> args) const {
    Variant result = Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, true);
    Variant converted;
    const HRESULT hr = VariantChangeType(converted.Get(), result.Get(), 0, VT_BSTR);
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    const BSTR text = V_BSTR(converted.Get());
    return text ? win32::Narrow(std::wstring_view(text, SysStringLen(text))) : std::string();
}

void Dispatch::Call(const std::string& name, std::vector<Arg> args) const {
    Invoke(name, DISPATCH_METHOD, args, false);
}

void Dispatch::Put(const std::string& name, const Arg& value) const {
    Invoke(name, DISPATCH_PROPERTYPUT, {value}, false);
}

std::string SystemErrorText(HRESULT code) {
    LocalText buffer;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(buffer.Slot()), 0, nullptr);
    if (n == 0 || buffer.Get() == nullptr) return {};
    return ServerErrorText(Narrow(std::wstring_view(buffer.Get(), n)), "");
}

std::string AutomationErrorText(HRESULT code, std::wstring_view description) {
    std::string own = ServerErrorText(Narrow(description), "");
    if (!own.empty()) return own;
    std::string system = SystemErrorText(code);
    if (!system.empty()) return system;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "OLE error %.8lX", static_cast<unsigned long>(code));
    return buffer;
}

std::string UnknownNameText(const std::string& name) {
    return "Method '" + name + "' not supported by automation object";
}

}  // namespace tarnfold::word::com
