#include "word/com/word_com.h"

#include <objbase.h>

#include <utility>

#include "core/error.h"
#include "core/text.h"
#include "core/wide_text.h"

namespace tarnfold::word::com {

std::int32_t SaveFormatFor(const std::string& path) {
    return EndsWith(LowerAscii(path), ".docx") ? kFormatXmlDocument : kFormatDocument;
}

bool SameDocument(const Dispatch& first, const Dispatch& second) {
    ComPtr<IUnknown> one;
    ComPtr<IUnknown> other;
    if (SUCCEEDED(first.Raw()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(one.Receive()))) &&
        SUCCEEDED(second.Raw()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(other.Receive()))) &&
        one.Get() == other.Get())
        return true;
    return first.Text("FullName") == second.Text("FullName");
}

ComDocument::ComDocument(Dispatch application, Dispatch document)
    : application_(std::move(application)), document_(std::move(document)) {}

void ComDocument::SaveAs(const std::string& path) { SaveAs(path, true); }

void ComDocument::SaveWorkingCopyAs(const std::string& path) { SaveAs(path, false); }

void ComDocument::SaveAs(const std::string& path, bool recent) {
    std::string fileName = path;
    document_.Call("SaveAs", {
                                 Arg::TextByRef(fileName, "FileName"),
                                 Arg::Integer(SaveFormatFor(path), "FileFormat"),
                                 Arg::Boolean(false, "LockComments"),
                                 Arg::Text("", "Password"),
                                 Arg::Boolean(recent, "AddToRecentFiles"),
                                 Arg::Text("", "WritePassword"),
                                 Arg::Boolean(false, "ReadOnlyRecommended"),
                                 Arg::Boolean(false, "EmbedTrueTypeFonts"),
                                 Arg::Boolean(false, "SaveNativePictureFormat"),
                                 Arg::Boolean(false, "SaveFormsData"),
                                 Arg::Boolean(false, "SaveAsAOCELetter"),
                             });
}

bool ComDocument::HasBookmark(const std::string& name) {
    std::string bookmark = name;
    return document_.Object("bookmarks").Boolean("exists", {Arg::TextByRef(bookmark)});
}

void ComDocument::TypeAtBookmark(const std::string& name, const std::string& text) {
    MakeActive();
    MoveTo(name);
    application_.Object("selection").Call("TypeText", {Arg::Text(text)});
}

void ComDocument::InsertBeforeBookmark(const std::string& name, const std::string& text) {
    std::string bookmark = name;
    document_.Object("bookmarks")
        .Object("item", {Arg::TextByRef(bookmark)})
        .Object("range")
        .Call("insertbefore", {Arg::Text(text)});
}

void ComDocument::GoToBookmark(const std::string& name) {
    MakeActive();
    MoveTo(name);
}

void ComDocument::MoveTo(const std::string& name) {
    application_.Object("selection").Call("GoTo", {Arg::Integer(kGoToBookmark, "what"), Arg::Text(name, "name")});
}

void ComDocument::MakeActive() {
    if (SameDocument(application_.Object("activedocument"), document_)) return;
    document_.Call("activate");
    const Dispatch active = application_.Object("activedocument");
    if (!SameDocument(active, document_))
        throw Error("Word не дает сделать активным документ выгрузки: активен другой документ (" +
                    active.Text("FullName") + "), и в него ничего не вписано");
}

void ComDocument::Save() { document_.Call("save"); }

ComApplication::ComApplication(Dispatch application) : application_(std::move(application)) {}

std::shared_ptr<Document> ComApplication::OpenWorkingDocument(const std::string& templatePath) {
    std::string path = templatePath;
    const Dispatch opened = application_.Object("Documents").Object("Open", {Arg::TextByRef(path)});
    const std::int32_t count = application_.Object("Documents").Integer("Count");
    application_.Object("Documents").Object("item", {Arg::Integer(count)}).Call("activate");
    if (!SameDocument(application_.Object("activedocument"), opened)) opened.Call("activate");
    return std::make_shared<ComDocument>(application_, opened);
}

void ComApplication::Show() { application_.Put("Visible", Arg::Boolean(true)); }

ComServer::ComServer(std::string progId) : progId_(std::move(progId)) {}

Dispatch CreateAutomationObject(const std::string& progId) {
    CLSID classId;
    const std::wstring wideId = win32::Wide(progId);
    HRESULT hr = CLSIDFromProgID(wideId.c_str(), &classId);
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    ComPtr<IDispatch> object;
    hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(object.Receive()));
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    return Dispatch(std::move(object));
}

std::unique_ptr<Application> ComServer::CreateApplication() {
    return std::make_unique<ComApplication>(CreateAutomationObject(progId_));
}

}  // namespace tarnfold::word::com
