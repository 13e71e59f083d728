#pragma once
// A small automation server of the tests' own: IDispatch objects that answer
// to a fixed model of members, record every name looked up and every call
// with the kinds, order and values of its arguments, and fail on demand.

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "word/com/com_handles.h"

namespace tarnfold::testing {

struct RecordedArg {
    std::string name;  // empty for a positional argument
    VARTYPE type = VT_EMPTY;
    std::string value;  // UTF-8 text, a decimal integer, or -1/0 for a boolean
    bool operator==(const RecordedArg&) const = default;
};

struct RecordedCall {
    std::string object;  // the label of the object called
    std::string member;  // as the caller spelled it
    WORD flags = 0;
    bool resultRequested = false;
    std::vector<RecordedArg> args;  // in the caller's order
};

// A failure a member reports: as an automation exception (EXCEPINFO with the
// code and, when given, a description) or as Invoke's own result.
struct Failure {
    HRESULT code = E_FAIL;
    std::wstring description;
    bool asException = true;
};

struct Member {
    enum class Returns { Nothing, Object, Integer, Boolean, HasName, Text };
    Returns returns = Returns::Nothing;
    std::string object;                   // label of the object returned (Returns::Object)
    int integer = 0;                      // Returns::Integer
    bool boolean = false;                 // Returns::Boolean
    std::string text;                     // Returns::Text, UTF-8
    std::vector<std::string> parameters;  // names it accepts as named arguments

    static Member Plain(std::vector<std::string> parameters = {}) {
        Member m;
        m.parameters = std::move(parameters);
        return m;
    }
    static Member ObjectOf(std::string label, std::vector<std::string> parameters = {}) {
        Member m = Plain(std::move(parameters));
        m.returns = Returns::Object;
        m.object = std::move(label);
        return m;
    }
    static Member IntegerOf(int value) {
        Member m;
        m.returns = Returns::Integer;
        m.integer = value;
        return m;
    }
    static Member BooleanOf(bool value) {
        Member m;
        m.returns = Returns::Boolean;
        m.boolean = value;
        return m;
    }
    static Member TextOf(std::string value) {
        Member m;
        m.returns = Returns::Text;
        m.text = std::move(value);
        return m;
    }
    // True when the first argument is one of the names given by AddName.
    static Member HasNameOf() {
        Member m;
        m.returns = Returns::HasName;
        return m;
    }
};

class Recording {
public:
    // The member model: object label -> member name (any letter case) -> what it does.
    void Define(const std::string& object, const std::string& member, Member behaviour);
    void Remove(const std::string& object, const std::string& member);
    void FailOn(const std::string& object, const std::string& member, Failure failure);
    // Strings passed by reference to this member come back replaced by `text`.
    void ReplaceByRefStrings(const std::string& object, const std::string& member, std::wstring text);
    // Names that Returns::HasName members answer true for (any letter case).
    void AddName(const std::string& name);

    std::vector<RecordedCall> Calls() const;
    // Every name lookup: "object: Member Arg1 Arg2".
    std::vector<std::string> Lookups() const;
    // Number of live objects handed out, to check that all were released.
    int LiveObjects() const;

    // Used by the objects themselves.
    const Member* Find(const std::string& object, const std::string& member) const;
    const Failure* FailureOf(const std::string& object, const std::string& member) const;
    const std::wstring* ReplacementOf(const std::string& object, const std::string& member) const;
    bool HasName(const std::string& name) const;
    void RecordLookup(std::string line);
    void RecordCall(RecordedCall call);
    void ObjectCreated();
    void ObjectDestroyed();

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::map<std::string, Member>> model_;
    std::map<std::string, Failure> failures_;
    std::map<std::string, std::wstring> replacements_;
    std::set<std::string> names_;
    std::vector<RecordedCall> calls_;
    std::vector<std::string> lookups_;
    int live_ = 0;
};

// A new recording object with the given label.
word::com::ComPtr<IDispatch> MakeRecordingObject(std::shared_ptr<Recording> recording, std::string object);

// The part of Word's object model an export uses: application, Documents,
// a document, its bookmarks, a bookmark and its range, the selection.
std::shared_ptr<Recording> WordModel(int documentCount = 2);

}  // namespace tarnfold::testing
