// word_stand_in.exe: a word processor of the tests that answers, through
// IDispatch and out of process, the part of Word's object model the Word
// back-end uses, over the text documents of text_document.h:
//   Application: Documents, ActiveDocument, Selection, Visible, Quit
//   Documents:   Count, Item, Open           Document: Activate, SaveAs,
//   Save, Close, FullName, Bookmarks         Bookmarks: Count, Exists, Item
//   Bookmark:    Name, Range                 Range: Text, InsertBefore
//   Selection:   GoTo (bookmarks), TypeText, Text
// Names are found without regard to letter case, named arguments by Word's
// parameter names; errors come as automation exceptions with Word's codes.
// For the tests the application has members of its own:
//   StandInSaves          every SaveAs and SaveAs2 so far, a line each:
//                         the format, AddToRecentFiles (0 or 1), the path
//   StandInUserDocument   (put) the path of an open document that stands for
//                         the user's: it takes the focus back after each of
//   StandInSwitchesBack   (put) the next so many activations of another one
//   StandInBusyFor        (put) milliseconds from now during which calls are
//                         rejected as a busy Word rejects them
//
//   word_stand_in /RegServer     registers it as "Word.Application"
//   word_stand_in /UnregServer   removes that registration
//   word_stand_in -Embedding     how COM starts it: serves until the last
//                                object is released or Quit is called

#include <windows.h>
#include <objbase.h>
#include <oaidl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <algorithm>
#include <vector>

#include "core/wide_text.h"
#include "dispatch_object.h"
#include "stand_in_registration.h"
#include "text_document.h"
#include "word/com/com_handles.h"

namespace tarnfold::testing {
namespace {

using word::com::Bstr;
using word::com::ComPtr;
using word::com::Variant;

// Word's own error numbers, as automation codes.
constexpr HRESULT WordError(int number) { return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned>(number)); }
constexpr HRESULT kNoDocumentOpen = WordError(4248);
constexpr HRESULT kBookmarkMissing = WordError(5101);
constexpr HRESULT kFileNotFound = WordError(5174);
constexpr HRESULT kNoSuchMember = WordError(5941);
constexpr HRESULT kBadDocument = WordError(5792);

// Word's "go to" target kind for a bookmark, and its formats.
constexpr std::int32_t kGoToBookmark = -1;
constexpr std::int32_t kFormatDocument = 0;
constexpr std::int32_t kFormatXmlDocument = 12;  // "wdFormatXMLDocument"
constexpr std::int32_t kFormatDocx = 16;         // "wdFormatDocumentDefault"

// A failed call: an automation exception with a description, or (without
// one) a plain result of Invoke such as DISP_E_TYPEMISMATCH.
struct Fault {
    HRESULT code;
    std::wstring description;
};

// The process ends when its last object is gone or Word is told to quit.
// From then on COM must not hand out the class any more and every object
// answers as disconnected; the message loop goes on a moment longer, so that
// the reply to Quit still reaches its caller (Wine sends it after the call
// has returned, and a process that is gone sends nothing).
class ServerProcess {
public:
    static constexpr UINT kEndDelayMs = 250;

    void Serve(DWORD classCookie) { cookie_ = classCookie; }
    void ObjectCreated() {
        ++objects_;
        everUsed_ = true;
    }
    void ObjectGone() {
        if (--objects_ == 0) End();
    }
    bool EverUsed() const { return everUsed_; }
    bool Ending() const { return endTimer_ != 0; }
    void End() {
        if (cookie_ != 0) CoRevokeClassObject(std::exchange(cookie_, 0));
        if (endTimer_ == 0) endTimer_ = SetTimer(nullptr, 0, kEndDelayMs, nullptr);
    }
    bool IsEndTimer(const MSG& message) const {
        return message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == endTimer_;
    }
    void BusyFor(DWORD milliseconds) { busyUntil_ = GetTickCount64() + milliseconds; }
    bool Busy() const { return GetTickCount64() < busyUntil_; }

private:
    ULONGLONG busyUntil_ = 0;
    DWORD cookie_ = 0;
    int objects_ = 0;  // objects and LockServer locks; one apartment thread counts them
    bool everUsed_ = false;
    UINT_PTR endTimer_ = 0;
};

ServerProcess& Process() {
    static ServerProcess process;
    return process;
}

// ---- files ----

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

Fault SystemFault() { return Fault{HRESULT_FROM_WIN32(GetLastError()), {}}; }

std::string ReadWholeFile(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            throw Fault{kFileNotFound, L"This file could not be found.\r\n(" + path + L")"};
        throw SystemFault();
    }
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        throw SystemFault();
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw SystemFault();
}

// ---- the word processor's state ----

struct OpenDocument {
    TextDocument content;
    std::wstring fullName;
    std::size_t selectionStart = 0;
    std::size_t selectionEnd = 0;
};

struct WordState {
    std::vector<std::shared_ptr<OpenDocument>> documents;
    std::shared_ptr<OpenDocument> active;
    bool visible = false;
    std::wstring saves;
    std::shared_ptr<OpenDocument> user;
    std::int32_t switchesBack = 0;

    // The user clicks their own document as soon as another one is activated.
    void Activate(const std::shared_ptr<OpenDocument>& document) {
        active = document;
        if (user && document != user && switchesBack > 0) {
            --switchesBack;
            active = user;
        }
    }

    std::shared_ptr<OpenDocument> Active() const {
        if (!active) throw Fault{kNoDocumentOpen, L"This command is not available because no document is open."};
        return active;
    }
};

// ---- calls ----

bool SameName(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// The arguments of one Invoke by the member's parameter positions.
class Call {
public:
    Call(WORD flags, DISPPARAMS& params, std::size_t parameterCount) : flags_(flags), slots_(parameterCount, nullptr) {
        const UINT positional = params.cArgs - params.cNamedArgs;
        for (UINT k = 0; k < params.cNamedArgs; ++k) {
            const DISPID id = params.rgdispidNamedArgs[k];
            if (id == DISPID_PROPERTYPUT) {
                put_ = &params.rgvarg[k];
            } else if (id < 0 || static_cast<std::size_t>(id) >= parameterCount) {
                throw Fault{DISP_E_PARAMNOTFOUND, {}};
            } else {
                slots_[static_cast<std::size_t>(id)] = &params.rgvarg[k];
            }
        }
        if (positional > parameterCount) throw Fault{DISP_E_BADPARAMCOUNT, {}};
        for (UINT i = 0; i < positional; ++i) slots_[i] = &params.rgvarg[params.cArgs - 1 - i];
    }

    bool Get() const { return (flags_ & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0 && put_ == nullptr; }
    VARIANT* PutValue() const { return put_; }

    // An argument not passed, or passed as "missing", is absent.
    VARIANT* Argument(std::size_t i) const {
        VARIANT* v = slots_.at(i);
        if (v == nullptr || (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND)) return nullptr;
        return v;
    }
    std::wstring Text(std::size_t i) const { return TextOf(Required(i)); }
    std::int32_t Integer(std::size_t i, std::int32_t absent) const {
        VARIANT* v = Argument(i);
        return v == nullptr ? absent : IntegerOf(v);
    }

    static std::wstring TextOf(VARIANT* v) {
        Variant converted;
        if (FAILED(VariantChangeType(converted.Get(), v, 0, VT_BSTR))) throw Fault{DISP_E_TYPEMISMATCH, {}};
        const BSTR text = V_BSTR(converted.Get());
        return text == nullptr ? std::wstring() : std::wstring(text, SysStringLen(text));
    }
    static std::int32_t IntegerOf(VARIANT* v) {
        Variant converted;
        if (FAILED(VariantChangeType(converted.Get(), v, 0, VT_I4))) throw Fault{DISP_E_TYPEMISMATCH, {}};
        return V_I4(converted.Get());
    }
    static bool BooleanOf(VARIANT* v) {
        Variant converted;
        if (FAILED(VariantChangeType(converted.Get(), v, 0, VT_BOOL))) throw Fault{DISP_E_TYPEMISMATCH, {}};
        return V_BOOL(converted.Get()) != VARIANT_FALSE;
    }
    static bool IsText(VARIANT* v) { return (V_VT(v) & VT_TYPEMASK) == VT_BSTR; }

private:
    VARIANT* Required(std::size_t i) const {
        VARIANT* v = Argument(i);
        if (v == nullptr) throw Fault{DISP_E_PARAMNOTOPTIONAL, {}};
        return v;
    }

    WORD flags_;
    std::vector<VARIANT*> slots_;
    VARIANT* put_ = nullptr;
};

Variant Nothing() { return Variant(); }

Variant TextValue(const std::wstring& text) {
    Variant v;
    V_VT(v.Get()) = VT_BSTR;
    V_BSTR(v.Get()) = Bstr(text).Release();
    return v;
}

Variant IntegerValue(std::int32_t value) {
    Variant v;
    V_VT(v.Get()) = VT_I4;
    V_I4(v.Get()) = value;
    return v;
}

Variant BooleanValue(bool value) {
    Variant v;
    V_VT(v.Get()) = VT_BOOL;
    V_BOOL(v.Get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

// An automation object answering to the members its class defines. Objects
// are reference counted by COM: each is made by New() with one reference,
// which the caller's ComPtr holds, and deletes itself at its last Release.
class Automation : public DispatchObject {
public:
    using Action = std::function<Variant(const Call&)>;

    template <typename Object, typename... Args>
    static ComPtr<IDispatch> New(Args&&... args) {
        return ComPtr<IDispatch>::Attach(new Object(std::forward<Args>(args)...));
    }
    static Variant ObjectValue(const ComPtr<IDispatch>& object) {
        Variant v;
        V_VT(v.Get()) = VT_DISPATCH;
        V_DISPATCH(v.Get()) = object.Get();
        object->AddRef();
        return v;
    }

    // Members are numbered from 1, a member's parameters from 0 by position.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count == 0) return S_OK;
        const Member* member = nullptr;
        ids[0] = DISPID_UNKNOWN;
        for (std::size_t m = 0; m < members_.size(); ++m) {
            if (SameName(members_[m].name, names[0])) {
                member = &members_[m];
                ids[0] = static_cast<DISPID>(m + 1);
            }
        }
        HRESULT result = member == nullptr ? DISP_E_UNKNOWNNAME : S_OK;
        for (UINT i = 1; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            if (member != nullptr)
                for (std::size_t p = 0; p < member->parameters.size(); ++p)
                    if (SameName(member->parameters[p], names[i])) ids[i] = static_cast<DISPID>(p);
            if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override {
        if (Process().Ending()) return RPC_E_DISCONNECTED;
        if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
        if (params == nullptr) return E_POINTER;
        const Member& member = members_[static_cast<std::size_t>(id) - 1];
        try {
            const Call call(flags, *params, member.parameters.size());
            Variant value = member.action(call);
            if (result != nullptr) {
                *result = *value.Get();
                VariantInit(value.Get());
            }
            return S_OK;
        } catch (const Fault& fault) {
            return Report(fault, exception);
        } catch (const std::exception& e) {
            return Report(Fault{E_FAIL, win32::Wide(e.what())}, exception);
        }
    }

protected:
    Automation() : DispatchObject(1) { Process().ObjectCreated(); }
    ~Automation() override { Process().ObjectGone(); }

    void Define(std::wstring name, std::vector<std::wstring> parameters, Action action) {
        members_.push_back(Member{std::move(name), std::move(parameters), std::move(action)});
    }
    // A read-only property.
    void Property(std::wstring name, std::function<Variant()> read) {
        Define(std::move(name), {}, [read = std::move(read)](const Call& call) {
            if (!call.Get()) throw Fault{DISP_E_MEMBERNOTFOUND, {}};
            return read();
        });
    }

private:
    struct Member {
        std::wstring name;
        std::vector<std::wstring> parameters;
        Action action;
    };

    static HRESULT Report(const Fault& fault, EXCEPINFO* exception) {
        if (fault.description.empty()) return fault.code;
        if (exception != nullptr) {
            ZeroMemory(exception, sizeof *exception);
            exception->scode = fault.code;
            exception->bstrSource = SysAllocString(L"Stand-in word processor");
            exception->bstrDescription = SysAllocString(fault.description.c_str());
        }
        return DISP_E_EXCEPTION;
    }

    std::vector<Member> members_;
};

class RangeObject final : public Automation {
public:
    RangeObject(std::shared_ptr<OpenDocument> document, std::size_t start, std::size_t end)
        : document_(std::move(document)), start_(start), end_(end) {
        Property(L"Text", [this] { return TextValue(document_->content.Text().substr(start_, end_ - start_)); });
        // The range, and every bookmark starting where it starts, widen to take the text in.
        Define(L"InsertBefore", {L"Text"}, [this](const Call& call) {
            const std::wstring text = call.Text(0);
            document_->content.Insert(start_, text, TextDocument::AtStart::Inside);
            end_ += text.size();
            return Nothing();
        });
    }

private:
    std::shared_ptr<OpenDocument> document_;
    std::size_t start_;
    std::size_t end_;
};

class BookmarkObject final : public Automation {
public:
    BookmarkObject(std::shared_ptr<OpenDocument> document, std::wstring name)
        : document_(std::move(document)), name_(std::move(name)) {
        Property(L"Name", [this] { return TextValue(Bookmark().name); });
        Property(L"Range", [this] {
            const TextBookmark& bookmark = Bookmark();
            return ObjectValue(New<RangeObject>(document_, bookmark.start, bookmark.end));
        });
    }

private:
    const TextBookmark& Bookmark() const {
        const TextBookmark* bookmark = document_->content.Find(name_);
        if (bookmark == nullptr) throw Fault{kNoSuchMember, L"The requested member of the collection does not exist."};
        return *bookmark;
    }

    std::shared_ptr<OpenDocument> document_;
    std::wstring name_;
};

class BookmarksObject final : public Automation {
public:
    explicit BookmarksObject(std::shared_ptr<OpenDocument> document) : document_(std::move(document)) {
        Property(L"Count", [this] { return IntegerValue(static_cast<std::int32_t>(Bookmarks().size())); });
        Define(L"Exists", {L"Name"},
               [this](const Call& call) { return BooleanValue(document_->content.Find(call.Text(0)) != nullptr); });
        // By name, or by position from 1.
        Define(L"Item", {L"Index"}, [this](const Call& call) {
            VARIANT* index = call.Argument(0);
            if (index == nullptr) throw Fault{DISP_E_PARAMNOTOPTIONAL, {}};
            const TextBookmark* bookmark = nullptr;
            if (Call::IsText(index)) {
                bookmark = document_->content.Find(Call::TextOf(index));
            } else {
                const std::int32_t position = Call::IntegerOf(index);
                if (position >= 1 && static_cast<std::size_t>(position) <= Bookmarks().size())
                    bookmark = &Bookmarks()[static_cast<std::size_t>(position) - 1];
            }
            if (bookmark == nullptr)
                throw Fault{kNoSuchMember, L"The requested member of the collection does not exist."};
            return ObjectValue(New<BookmarkObject>(document_, bookmark->name));
        });
    }

private:
    const std::vector<TextBookmark>& Bookmarks() const { return document_->content.Bookmarks(); }
    std::shared_ptr<OpenDocument> document_;
};

class DocumentObject final : public Automation {
public:
    DocumentObject(std::shared_ptr<WordState> word, std::shared_ptr<OpenDocument> document)
        : word_(std::move(word)), document_(std::move(document)) {
        Property(L"FullName", [this] { return TextValue(document_->fullName); });
        Property(L"Bookmarks", [this] { return ObjectValue(New<BookmarksObject>(document_)); });
        Define(L"Activate", {}, [this](const Call&) {
            word_->Activate(Open());
            return Nothing();
        });
        // From then on the document is the new file. SaveAs knows Word's own
        // formats of Word 2007; SaveAs2 also the default one of later Words.
        // A .docx here is the same text; the format is recorded.
        for (const auto& [method, formats] :
             {std::pair{L"SaveAs", std::vector{kFormatDocument, kFormatXmlDocument}},
              std::pair{L"SaveAs2", std::vector{kFormatDocument, kFormatXmlDocument, kFormatDocx}}}) {
            Define(method,
                   {L"FileName", L"FileFormat", L"LockComments", L"Password", L"AddToRecentFiles", L"WritePassword",
                    L"ReadOnlyRecommended", L"EmbedTrueTypeFonts", L"SaveNativePictureFormat", L"SaveFormsData",
                    L"SaveAsAOCELetter", L"Encoding", L"InsertLineBreaks", L"AllowSubstitutions", L"LineEnding",
                    L"AddBiDiMarks"},
                   [this, formats](const Call& call) {
                       const std::wstring path = call.Text(0);
                       const std::int32_t format = call.Integer(1, kFormatDocument);
                       if (std::ranges::find(formats, format) == formats.end()) throw Fault{E_INVALIDARG, {}};
                       VARIANT* recent = call.Argument(4);
                       WriteWholeFile(path, Open()->content.Serialise());
                       word_->saves += std::to_wstring(format) + L" " +
                                       (recent == nullptr || Call::BooleanOf(recent) ? L"1 " : L"0 ") + path + L"\n";
                       document_->fullName = path;
                       return Nothing();
                   });
        }
        Define(L"Save", {}, [this](const Call&) {
            WriteWholeFile(Open()->fullName, document_->content.Serialise());
            return Nothing();
        });
        Define(L"Close", {L"SaveChanges", L"OriginalFormat", L"RouteDocument"}, [this](const Call& call) {
            VARIANT* save = call.Argument(0);
            if (save != nullptr && Call::BooleanOf(save))
                WriteWholeFile(Open()->fullName, document_->content.Serialise());
            std::erase(word_->documents, Open());
            if (word_->active == document_)
                word_->active = word_->documents.empty() ? nullptr : word_->documents.back();
            return Nothing();
        });
    }

private:
    // The document while it is open; a closed one answers as Word's does.
    const std::shared_ptr<OpenDocument>& Open() const {
        for (const auto& open : word_->documents)
            if (open == document_) return document_;
        throw Fault{RPC_E_DISCONNECTED, L"The object invoked has disconnected from its clients."};
    }

    std::shared_ptr<WordState> word_;
    std::shared_ptr<OpenDocument> document_;
};

class DocumentsObject final : public Automation {
public:
    explicit DocumentsObject(std::shared_ptr<WordState> word) : word_(std::move(word)) {
        Property(L"Count", [this] { return IntegerValue(static_cast<std::int32_t>(word_->documents.size())); });
        Define(L"Item", {L"Index"}, [this](const Call& call) {
            const std::int32_t index = call.Integer(0, 0);
            if (index < 1 || static_cast<std::size_t>(index) > word_->documents.size())
                throw Fault{kNoSuchMember, L"The requested member of the collection does not exist."};
            return ObjectValue(New<DocumentObject>(word_, word_->documents[static_cast<std::size_t>(index) - 1]));
        });
        // The document opened becomes the active one, the cursor at its start.
        Define(L"Open",
               {L"FileName", L"ConfirmConversions", L"ReadOnly", L"AddToRecentFiles", L"PasswordDocument",
                L"PasswordTemplate", L"Revert", L"WritePasswordDocument", L"WritePasswordTemplate", L"Format",
                L"Encoding", L"Visible"},
               [this](const Call& call) {
                   const std::wstring path = call.Text(0);
                   auto document = std::make_shared<OpenDocument>();
                   try {
                       document->content = TextDocument::Parse(ReadWholeFile(path));
                   } catch (const std::runtime_error& e) {
                       throw Fault{kBadDocument, win32::Wide(e.what())};
                   }
                   document->fullName = path;
                   word_->documents.push_back(document);
                   word_->Activate(document);
                   return ObjectValue(New<DocumentObject>(word_, document));
               });
    }

private:
    std::shared_ptr<WordState> word_;
};

class SelectionObject final : public Automation {
public:
    explicit SelectionObject(std::shared_ptr<WordState> word) : word_(std::move(word)) {
        Property(L"Text", [this] {
            const auto document = word_->Active();
            return TextValue(document->content.Text().substr(document->selectionStart,
                                                             document->selectionEnd - document->selectionStart));
        });
        Define(L"GoTo", {L"What", L"Which", L"Count", L"Name"}, [this](const Call& call) {
            if (call.Integer(0, 0) != kGoToBookmark) throw Fault{E_NOTIMPL, L"Only bookmarks are gone to here."};
            const auto document = word_->Active();
            const TextBookmark* bookmark = document->content.Find(call.Text(3));
            if (bookmark == nullptr) throw Fault{kBookmarkMissing, L"This bookmark does not exist."};
            document->selectionStart = bookmark->start;
            document->selectionEnd = bookmark->end;
            return ObjectValue(New<RangeObject>(document, bookmark->start, bookmark->end));
        });
        // Typing replaces what is selected and leaves the cursor after the
        // text, which goes in front of a bookmark at the cursor.
        Define(L"TypeText", {L"Text"}, [this](const Call& call) {
            const std::wstring text = call.Text(0);
            const auto document = word_->Active();
            document->content.Erase(document->selectionStart, document->selectionEnd);
            document->content.Insert(document->selectionStart, text, TextDocument::AtStart::InFront);
            document->selectionStart += text.size();
            document->selectionEnd = document->selectionStart;
            return Nothing();
        });
    }

private:
    std::shared_ptr<WordState> word_;
};

class ApplicationObject final : public Automation {
public:
    explicit ApplicationObject(std::shared_ptr<WordState> word) : word_(std::move(word)) {
        Property(L"Documents", [this] { return ObjectValue(New<DocumentsObject>(word_)); });
        Property(L"ActiveDocument", [this] { return ObjectValue(New<DocumentObject>(word_, word_->Active())); });
        Property(L"Selection", [this] { return ObjectValue(New<SelectionObject>(word_)); });
        Define(L"Visible", {}, [this](const Call& call) {
            if (call.PutValue() != nullptr) {
                word_->visible = Call::BooleanOf(call.PutValue());
                return Nothing();
            }
            return BooleanValue(word_->visible);
        });
        Property(L"StandInSaves", [this] { return TextValue(word_->saves); });
        Define(L"StandInUserDocument", {}, [this](const Call& call) {
            if (call.PutValue() == nullptr) throw Fault{DISP_E_MEMBERNOTFOUND, {}};
            const std::wstring path = Call::TextOf(call.PutValue());
            word_->user = nullptr;
            for (const auto& document : word_->documents)
                if (document->fullName == path) word_->user = document;
            if (!word_->user) throw Fault{kFileNotFound, L"No such document is open."};
            return Nothing();
        });
        Define(L"StandInSwitchesBack", {}, [this](const Call& call) {
            if (call.PutValue() == nullptr) throw Fault{DISP_E_MEMBERNOTFOUND, {}};
            word_->switchesBack = Call::IntegerOf(call.PutValue());
            return Nothing();
        });
        Define(L"StandInBusyFor", {}, [](const Call& call) {
            if (call.PutValue() == nullptr) throw Fault{DISP_E_MEMBERNOTFOUND, {}};
            Process().BusyFor(static_cast<DWORD>(Call::IntegerOf(call.PutValue())));
            return Nothing();
        });
        // Word ends at once, whatever references its callers still hold; the
        // documents go unsaved.
        Define(L"Quit", {L"SaveChanges", L"OriginalFormat", L"RouteDocument"}, [this](const Call&) {
            word_->documents.clear();
            word_->active = nullptr;
            Process().End();
            return Nothing();
        });
    }

private:
    std::shared_ptr<WordState> word_;
};

// Every client gets an application over the one state this process holds,
// as every client of a running Word gets the same Word.
class ApplicationFactory final : public ProcessClassFactory {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        std::shared_ptr<WordState> state = state_.lock();
        if (!state) {
            state = std::make_shared<WordState>();
            state_ = state;
        }
        return Automation::New<ApplicationObject>(state)->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            Process().ObjectCreated();
        else
            Process().ObjectGone();
        return S_OK;
    }

private:
    std::weak_ptr<WordState> state_;
};

// A busy Word turns its callers away: while the stand-in is busy, every
// automation call is rejected by the apartment before it reaches an object
// (the calls that count references or create objects still pass).
class BusyFilter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = iid == IID_IUnknown || iid == IID_IMessageFilter ? static_cast<IMessageFilter*>(this) : nullptr;
        return *out != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO call) override {
        if (Process().Busy() && call != nullptr && call->iid == IID_IDispatch) return SERVERCALL_REJECTED;
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

class Apartment {
public:
    Apartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    ~Apartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

// A process that COM started but no client ever reached does not linger.
constexpr UINT kIdleLimitMs = 60000;

int Serve() {
    Apartment apartment;
    if (FAILED(apartment.result())) return 1;
    static BusyFilter filter;
    CoRegisterMessageFilter(&filter, nullptr);
    ApplicationFactory factory;
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(StandInClassId(), &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
        return 1;
    Process().Serve(cookie);
    const UINT_PTR idleTimer = SetTimer(nullptr, 0, kIdleLimitMs, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (Process().IsEndTimer(message)) break;
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == idleTimer) {
            KillTimer(nullptr, idleTimer);
            if (!Process().EverUsed()) Process().End();
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    Process().End();
    return 0;
}

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) return path.substr(0, n);
        path.resize(path.size() * 2);
    }
}

bool IsOption(const char* argument, const char* name) {
    return (argument[0] == '/' || argument[0] == '-') && lstrcmpiA(argument + 1, name) == 0;
}

}  // namespace
}  // namespace tarnfold::testing

int main(int argc, char** argv) {
    using namespace tarnfold::testing;
    if (argc == 2 && IsOption(argv[1], "RegServer")) {
        if (RegisterStandIn(L"\"" + OwnPath() + L"\"")) return 0;
        std::fputs("word_stand_in: cannot register as Word.Application (does another server own it?)\n", stderr);
        return 1;
    }
    if (argc == 2 && IsOption(argv[1], "UnregServer")) return UnregisterStandIn() ? 0 : 1;
    if (argc == 2 && IsOption(argv[1], "Embedding")) return Serve();
    std::fputs("usage: word_stand_in /RegServer | /UnregServer | -Embedding\n", stderr);
    return 2;
}
