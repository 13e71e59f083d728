#pragma once
// Late-bound automation calls by name on an IDispatch object, as Word's
// object model expects them: names resolved on the object at every call,
// UTF-16 strings, 32-bit integers, automation booleans (True = -1), named
// arguments in the caller's order, strings passed by reference copied back.

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "word/com/com_handles.h"

namespace tarnfold::word::com {

// One argument of a call; with a name it is passed as a named argument.
class Arg {
public:
    static Arg Text(std::string_view utf8, std::string name = {});
    // The callee may change the string; the change lands in `variable`.
    static Arg TextByRef(std::string& variable, std::string name = {});
    static Arg Integer(std::int32_t value, std::string name = {});
    static Arg Boolean(bool value, std::string name = {});

    enum class Kind { Text, TextByRef, Integer, Boolean };
    Kind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    const std::string& text() const { return text_; }
    std::string* variable() const { return variable_; }
    std::int32_t integer() const { return integer_; }
    bool boolean() const { return boolean_; }

private:
    Arg(Kind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
    Kind kind_;
    std::string name_;
    std::string text_;
    std::string* variable_ = nullptr;
    std::int32_t integer_ = 0;
    bool boolean_ = false;
};

// An automation object. Every failing call throws Error with the text below.
class Dispatch {
public:
    explicit Dispatch(ComPtr<IDispatch> object);

    // A call whose result is used: a method or a property read.
    Dispatch Object(const std::string& name, std::vector<Arg> args = {}) const;
    std::int32_t Integer(const std::string& name, std::vector<Arg> args = {}) const;
    bool Boolean(const std::string& name, std::vector<Arg> args = {}) const;
    std::string Text(const std::string& name, std::vector<Arg> args = {}) const;
    // A method whose result is not used.
    void Call(const std::string& name, std::vector<Arg> args = {}) const;
    // A property assignment.
    void Put(const std::string& name, const Arg& value) const;

    IDispatch* Raw() const { return object_.Get(); }

private:
    Variant Invoke(const std::string& name, WORD flags, const std::vector<Arg>& args, bool wantResult) const;
    ComPtr<IDispatch> object_;
};

// The system's own text for an error code, without its trailing line break
// and full stop; empty when the system has none.
std::string SystemErrorText(HRESULT code);

// The text of a failed automation call: the server's description when it gave
// one (trailing blanks and full stops cut), else the system's text for the
// code, else "OLE error" and the code in eight hexadecimal digits.
std::string AutomationErrorText(HRESULT code, std::wstring_view description);

std::string UnknownNameText(const std::string& name);

}  // namespace tarnfold::word::com
