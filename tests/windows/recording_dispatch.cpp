#include "recording_dispatch.h"

#include <atomic>
#include <utility>

#include "core/text.h"
#include "dispatch_object.h"
#include "core/wide_text.h"

namespace tarnfold::testing {

namespace {

std::string Key(const std::string& object, const std::string& member) { return object + "." + LowerAscii(member); }

std::string ValueText(const VARIANT& v) {
    switch (V_VT(&v)) {
        case VT_BSTR:
            return V_BSTR(&v) == nullptr ? std::string() : win32::Narrow(V_BSTR(&v));
        case VT_BYREF | VT_BSTR:
            return *V_BSTRREF(&v) == nullptr ? std::string() : win32::Narrow(*V_BSTRREF(&v));
        case VT_I4:
            return std::to_string(V_I4(&v));
        case VT_BOOL:
            return std::to_string(V_BOOL(&v));
        default:
            return "?";
    }
}

// Member ids start at 1, parameter ids at 1000 (both per object).
constexpr DISPID kFirstParameterId = 1000;

class RecordingObject final : public DispatchObject {
public:
    RecordingObject(std::shared_ptr<Recording> recording, std::string object)
        : DispatchObject(0), recording_(std::move(recording)), object_(std::move(object)) {
        recording_->ObjectCreated();
    }
    ~RecordingObject() override { recording_->ObjectDestroyed(); }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        std::string line = object_ + ":";
        for (UINT i = 0; i < count; ++i) line += " " + win32::Narrow(names[i]);
        recording_->RecordLookup(line);

        const std::string member = win32::Narrow(names[0]);
        const Member* behaviour = recording_->Find(object_, member);
        HRESULT result = S_OK;
        if (behaviour == nullptr) {
            ids[0] = DISPID_UNKNOWN;
            result = DISP_E_UNKNOWNNAME;
        } else {
            ids[0] = IdOf(member, memberSpellings_);
        }
        for (UINT i = 1; i < count; ++i) {
            const std::string parameter = win32::Narrow(names[i]);
            bool known = false;
            if (behaviour != nullptr)
                for (const std::string& p : behaviour->parameters) known = known || EqualsIgnoreCase(p, parameter);
            if (known) {
                ids[i] = kFirstParameterId + IdOf(parameter, parameterSpellings_);
            } else {
                ids[i] = DISPID_UNKNOWN;
                result = DISP_E_UNKNOWNNAME;
            }
        }
        return result;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override {
        if (id < 1 || static_cast<std::size_t>(id) > memberSpellings_.size()) return DISP_E_MEMBERNOTFOUND;
        RecordedCall call;
        call.object = object_;
        call.member = memberSpellings_[static_cast<std::size_t>(id) - 1];
        call.flags = flags;
        call.resultRequested = result != nullptr;
        for (UINT slot = params->cArgs; slot-- > 0;) {
            RecordedArg arg;
            if (slot < params->cNamedArgs) {
                const DISPID named = params->rgdispidNamedArgs[slot];
                arg.name =
                    named == DISPID_PROPERTYPUT ? "<put>" : parameterSpellings_.at(named - kFirstParameterId - 1);
            }
            arg.type = V_VT(&params->rgvarg[slot]);
            arg.value = ValueText(params->rgvarg[slot]);
            call.args.push_back(std::move(arg));
        }
        recording_->RecordCall(call);

        if (const Failure* failure = recording_->FailureOf(object_, call.member)) {
            if (!failure->asException) return failure->code;
            if (exception != nullptr) {
                ZeroMemory(exception, sizeof *exception);
                exception->scode = failure->code;
                if (!failure->description.empty())
                    exception->bstrDescription = SysAllocString(failure->description.c_str());
            }
            return DISP_E_EXCEPTION;
        }
        if (const std::wstring* replacement = recording_->ReplacementOf(object_, call.member)) {
            for (UINT slot = 0; slot < params->cArgs; ++slot) {
                VARIANT& v = params->rgvarg[slot];
                if (V_VT(&v) != (VT_BYREF | VT_BSTR)) continue;
                SysFreeString(*V_BSTRREF(&v));
                *V_BSTRREF(&v) = SysAllocString(replacement->c_str());
            }
        }

        const Member* behaviour = recording_->Find(object_, call.member);
        if (result == nullptr || behaviour == nullptr) return S_OK;
        VariantInit(result);
        switch (behaviour->returns) {
            case Member::Returns::Nothing:
                break;
            case Member::Returns::Object:
                V_VT(result) = VT_DISPATCH;
                V_DISPATCH(result) = new RecordingObject(recording_, behaviour->object);
                V_DISPATCH(result)->AddRef();
                break;
            case Member::Returns::Integer:
                V_VT(result) = VT_I4;
                V_I4(result) = behaviour->integer;
                break;
            case Member::Returns::Boolean:
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = behaviour->boolean ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            case Member::Returns::Text:
                V_VT(result) = VT_BSTR;
                V_BSTR(result) = SysAllocString(win32::Wide(behaviour->text).c_str());
                break;
            case Member::Returns::HasName:
                V_VT(result) = VT_BOOL;
                V_BOOL(result) =
                    !call.args.empty() && recording_->HasName(call.args.front().value) ? VARIANT_TRUE : VARIANT_FALSE;
                break;
        }
        return S_OK;
    }

private:
    // Ids are handed out per name regardless of case; the spelling recorded
    // is the one asked last.
    static DISPID IdOf(const std::string& name, std::vector<std::string>& spellings) {
        for (std::size_t i = 0; i < spellings.size(); ++i) {
            if (EqualsIgnoreCase(spellings[i], name)) {
                spellings[i] = name;
                return static_cast<DISPID>(i + 1);
            }
        }
        spellings.push_back(name);
        return static_cast<DISPID>(spellings.size());
    }

    std::shared_ptr<Recording> recording_;
    std::string object_;
    std::vector<std::string> memberSpellings_;
    std::vector<std::string> parameterSpellings_;
};

}  // namespace

void Recording::Define(const std::string& object, const std::string& member, Member behaviour) {
    std::lock_guard lock(mutex_);
    model_[object][LowerAscii(member)] = std::move(behaviour);
}

void Recording::Remove(const std::string& object, const std::string& member) {
    std::lock_guard lock(mutex_);
    model_[object].erase(LowerAscii(member));
}

void Recording::FailOn(const std::string& object, const std::string& member, Failure failure) {
    std::lock_guard lock(mutex_);
    failures_[Key(object, member)] = std::move(failure);
}

void Recording::ReplaceByRefStrings(const std::string& object, const std::string& member, std::wstring text) {
    std::lock_guard lock(mutex_);
    replacements_[Key(object, member)] = std::move(text);
}

void Recording::AddName(const std::string& name) {
    std::lock_guard lock(mutex_);
    names_.insert(FoldCase(name));
}

std::vector<RecordedCall> Recording::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> Recording::Lookups() const {
    std::lock_guard lock(mutex_);
    return lookups_;
}

int Recording::LiveObjects() const {
    std::lock_guard lock(mutex_);
    return live_;
}

const Member* Recording::Find(const std::string& object, const std::string& member) const {
    std::lock_guard lock(mutex_);
    const auto o = model_.find(object);
    if (o == model_.end()) return nullptr;
    const auto m = o->second.find(LowerAscii(member));
    return m == o->second.end() ? nullptr : &m->second;
}

const Failure* Recording::FailureOf(const std::string& object, const std::string& member) const {
    std::lock_guard lock(mutex_);
    const auto f = failures_.find(Key(object, member));
    return f == failures_.end() ? nullptr : &f->second;
}

const std::wstring* Recording::ReplacementOf(const std::string& object, const std::string& member) const {
    std::lock_guard lock(mutex_);
    const auto r = replacements_.find(Key(object, member));
    return r == replacements_.end() ? nullptr : &r->second;
}

bool Recording::HasName(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return names_.count(FoldCase(name)) != 0;
}

void Recording::RecordLookup(std::string line) {
    std::lock_guard lock(mutex_);
    lookups_.push_back(std::move(line));
}

void Recording::RecordCall(RecordedCall call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

void Recording::ObjectCreated() {
    std::lock_guard lock(mutex_);
    ++live_;
}

void Recording::ObjectDestroyed() {
    std::lock_guard lock(mutex_);
    --live_;
}

word::com::ComPtr<IDispatch> MakeRecordingObject(std::shared_ptr<Recording> recording, std::string object) {
    return word::com::ComPtr<IDispatch>::Share(new RecordingObject(std::move(recording), std::move(object)));
}

std::shared_ptr<Recording> WordModel(int documentCount) {
    auto model = std::make_shared<Recording>();
    model->Define("application", "Documents", Member::ObjectOf("documents"));
    model->Define("application", "ActiveDocument", Member::ObjectOf("document"));
    model->Define("application", "Selection", Member::ObjectOf("selection"));
    model->Define("application", "Visible", Member::Plain());
    model->Define("documents", "Open", Member::ObjectOf("document"));
    model->Define("documents", "Count", Member::IntegerOf(documentCount));
    model->Define("documents", "Item", Member::ObjectOf("document"));
    model->Define("document", "Activate", Member::Plain());
    // Every document of the model is the one file: the run's own.
    model->Define("document", "FullName", Member::TextOf("C:\\Ardmet\\Tarnfold\\Reports\\F007.doc"));
    model->Define("document", "SaveAs",
                  Member::Plain({"FileName", "FileFormat", "LockComments", "Password", "AddToRecentFiles",
                                 "WritePassword", "ReadOnlyRecommended", "EmbedTrueTypeFonts",
                                 "SaveNativePictureFormat", "SaveFormsData", "SaveAsAOCELetter"}));
    model->Define("document", "Bookmarks", Member::ObjectOf("bookmarks"));
    model->Define("document", "Save", Member::Plain());
    model->Define("bookmarks", "Exists", Member::HasNameOf());
    model->Define("bookmarks", "Item", Member::ObjectOf("bookmark"));
    model->Define("bookmark", "Range", Member::ObjectOf("range"));
    model->Define("range", "InsertBefore", Member::Plain());
    model->Define("selection", "GoTo", Member::ObjectOf("range", {"What", "Which", "Count", "Name"}));
    model->Define("selection", "TypeText", Member::Plain());
    return model;
}

}  // namespace tarnfold::testing
