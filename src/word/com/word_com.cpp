#include "word/com/word_com.h"

#include <objbase.h>

#include <utility>

#include "core/error.h"
#include "platform/win32/wide_text.h"

namespace tarnfold::word::com {

ComDocument::ComDocument(Dispatch application, Dispatch document)
    : application_(std::move(application)), document_(std::move(document)) {}

void ComDocument::SaveAs(const std::string& path) {
    std::string fileName = path;
    document_.Call("SaveAs", {
                                 Arg::TextByRef(fileName, "FileName"),
                                 Arg::Integer(0, "FileFormat"),
                                 Arg::Boolean(false, "LockComments"),
                                 Arg::Text("", "Password"),
                                 Arg::Boolean(true, "AddToRecentFiles"),
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
    GoToBookmark(name);
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
    application_.Object("selection").Call("GoTo", {Arg::Integer(kGoToBookmark, "what"), Arg::Text(name, "name")});
}

void ComDocument::Save() { document_.Call("save"); }

ComApplication::ComApplication(Dispatch application) : application_(std::move(application)) {}

void ComApplication::Open(const std::string& templatePath) {
    std::string path = templatePath;
    application_.Object("Documents").Call("Open", {Arg::TextByRef(path)});
}

void ComApplication::ActivateLastOpened() {
    const std::int32_t count = application_.Object("Documents").Integer("Count");
    application_.Object("Documents").Object("item", {Arg::Integer(count)}).Call("activate");
}

std::unique_ptr<Document> ComApplication::ActiveDocument() {
    return std::make_unique<ComDocument>(application_, application_.Object("activedocument"));
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
