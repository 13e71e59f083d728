// The Word back-end's calls, as an export makes them, against the recording
// automation object: directly, through a proxy from another apartment, and
// created by COM from a registered programmatic identifier.
#include <gtest/gtest.h>

#include <objbase.h>

#include <condition_variable>
#include <functional>
#include <stdexcept>
#include <thread>

#include "error_text.h"
#include "call_text.h"
#include "core/error.h"
#include "core/wide_text.h"
#include "dispatch_object.h"
#include "recording_dispatch.h"
#include "word/com/word_com.h"

namespace tarnfold::word::com {
namespace {

using tarnfold::testing::ErrorOf;

using testing::CallText;
using testing::CallTexts;
using testing::Failure;
using testing::MakeRecordingObject;
using testing::Recording;
using testing::WordModel;

const std::string kTemplate = "C:\\Ardmet\\DocF_2011\\F007.doc";
const std::string kOutput = "C:\\Ardmet\\Tarnfold\\\\Reports\\№ 7 (разрез 01) ЦРБ \"Север\" за 2024 год.doc";

// Word's document of a run, for the steps it takes a bookmark at a time.
std::shared_ptr<ComDocument> OpenComDocument(Application& word) {
    auto document = std::dynamic_pointer_cast<ComDocument>(word.OpenWorkingDocument(kTemplate));
    if (!document) throw std::logic_error("Word's application opened a document of another kind");
    return document;
}

// One export as the run makes its calls: copy the template, fill the header
// (the institution's bookmark is missing), place two figures (the second
// bookmark is missing), put the cursor on the first header bookmark, save, show.
void RunExport(Application& word) {
    std::shared_ptr<ComDocument> document = OpenComDocument(word);
    document->SaveAs(kOutput);
    const BookmarkFilling header = document->FillBookmarks(
        {{"z0001_000_00", "2024"}, {"z0002_000_00", "ЦРБ \"Север\""}, {"z0003_000_00", "Январь"}}, Placement::TypeAt);
    if (header.failure) throw *header.failure;
    const BookmarkFilling figures =
        document->FillBookmarks({{"z1000_001_03", "12,5"}, {"z1000_002_03", "7"}}, Placement::InsertBefore);
    if (figures.failure) throw *figures.failure;
    document->LeaveCursorAt("z0001_000_00");
    document->Save();
    word.Show();
}

const std::vector<std::string> kExportCalls = {
    "application.Documents G []",
    "documents.Open G [&'" + kTemplate + "']",
    "application.Documents G []",
    "documents.Count G []",
    "application.Documents G []",
    "documents.item G [i:3]",
    "document.activate M []",
    "application.activedocument G []",
    "document.FullName G []",
    "document.FullName G []",
    "document.SaveAs M [FileName=&'" + kOutput +
        "', FileFormat=i:0, LockComments=b:0, Password='', AddToRecentFiles=b:-1, WritePassword='', "
        "ReadOnlyRecommended=b:0, EmbedTrueTypeFonts=b:0, SaveNativePictureFormat=b:0, SaveFormsData=b:0, "
        "SaveAsAOCELetter=b:0]",
    "document.bookmarks G []",
    "bookmarks.exists G [&'z0001_000_00']",
    "application.activedocument G []",
    "document.FullName G []",
    "document.FullName G []",
    "application.selection G []",
    "selection.GoTo M [what=i:-1, name='z0001_000_00']",
    "application.selection G []",
    "selection.TypeText M ['2024']",
    "document.bookmarks G []",
    "bookmarks.exists G [&'z0002_000_00']",
    "document.bookmarks G []",
    "bookmarks.exists G [&'z0003_000_00']",
    "application.activedocument G []",
    "document.FullName G []",
    "document.FullName G []",
    "application.selection G []",
    "selection.GoTo M [what=i:-1, name='z0003_000_00']",
    "application.selection G []",
    "selection.TypeText M ['Январь']",
    "document.bookmarks G []",
    "bookmarks.exists G [&'z1000_001_03']",
    "document.bookmarks G []",
    "bookmarks.item G [&'z1000_001_03']",
    "bookmark.range G []",
    "range.insertbefore M ['12,5']",
    "document.bookmarks G []",
    "bookmarks.exists G [&'z1000_002_03']",
    "document.bookmarks G []",
    "bookmarks.exists G [&'z0001_000_00']",
    "application.activedocument G []",
    "document.FullName G []",
    "document.FullName G []",
    "application.selection G []",
    "selection.GoTo M [what=i:-1, name='z0001_000_00']",
    "document.save M []",
    "application.Visible P [<put>=b:-1]",
};

std::shared_ptr<Recording> ExportModel() {
    auto model = WordModel(3);
    for (const char* name : {"z0001_000_00", "z0003_000_00", "Z1000_001_03"}) model->AddName(name);
    return model;
}

TEST(WordComExport, AWholeRunMakesExactlyTheseCalls) {
    auto model = ExportModel();
    {
        ComApplication word{Dispatch(MakeRecordingObject(model, "application"))};
        RunExport(word);
    }
    EXPECT_EQ(CallTexts(model->Calls()), kExportCalls);
    // A result is asked for exactly where it is used.
    for (const testing::RecordedCall& call : model->Calls())
        EXPECT_EQ(call.resultRequested, call.flags == (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) << CallText(call);
    // Every call resolved its names on its object just before.
    EXPECT_EQ(model->Lookups().size(), model->Calls().size());
    EXPECT_NE(std::find(model->Lookups().begin(), model->Lookups().end(),
                        "document: SaveAs FileName FileFormat LockComments Password AddToRecentFiles WritePassword "
                        "ReadOnlyRecommended EmbedTrueTypeFonts SaveNativePictureFormat SaveFormsData "
                        "SaveAsAOCELetter"),
              model->Lookups().end());
    // Word itself is left running: nothing is called when the objects go, and
    // every reference is released.
    EXPECT_EQ(model->LiveObjects(), 0);
}

// A .docx is saved as Word's XML document (a .doc stays Word's binary one),
// and the working copy stays out of Word's recent files.
TEST(WordComExport, SavesTakeTheFormatOfTheExtensionAndOnlyReportsGoToRecentFiles) {
    struct Case {
        const char* path;
        bool workingCopy;
        const char* format;
        const char* recent;
    };
    for (const Case& test :
         {Case{"C:\\R\\~tf-№ 7.docx", true, "i:12", "b:0"}, Case{"C:\\R\\№ 7.DOCX", false, "i:12", "b:-1"},
          Case{"C:\\R\\~tf-№ 7.doc", true, "i:0", "b:0"}, Case{"C:\\R\\№ 7.doc", false, "i:0", "b:-1"}}) {
        SCOPED_TRACE(test.path);
        auto model = ExportModel();
        {
            ComApplication word{Dispatch(MakeRecordingObject(model, "application"))};
            std::shared_ptr<ComDocument> document = OpenComDocument(word);
            if (test.workingCopy)
                document->SaveWorkingCopyAs(test.path);
            else
                document->SaveAs(test.path);
        }
        const std::string call = CallTexts(model->Calls()).back();
        EXPECT_NE(call.find(std::string("FileFormat=") + test.format + ","), std::string::npos) << call;
        EXPECT_NE(call.find(std::string("AddToRecentFiles=") + test.recent + ","), std::string::npos) << call;
    }
}

TEST(WordComErrors, AFailingInsertionCarriesWordsDescription) {
    auto model = ExportModel();
    model->FailOn("range", "insertbefore",
                  Failure{static_cast<HRESULT>(0x800A11FD), L"Недопустимая операция: документ защищён.  ", true});
    ComApplication word{Dispatch(MakeRecordingObject(model, "application"))};
    std::shared_ptr<ComDocument> document = OpenComDocument(word);
    EXPECT_EQ(ErrorOf([&] { document->InsertBeforeBookmark("z1000_001_03", "5"); }),
              "Недопустимая операция: документ защищён");
}

TEST(WordComErrors, AFailingSaveWithoutDescriptionGivesTheCode) {
    auto model = ExportModel();
    model->FailOn("document", "SaveAs", Failure{static_cast<HRESULT>(0x800A1066), L"", true});
    model->FailOn("document", "save", Failure{E_ACCESSDENIED, L"", true});
    ComApplication word{Dispatch(MakeRecordingObject(model, "application"))};
    std::shared_ptr<ComDocument> document = OpenComDocument(word);
    EXPECT_EQ(ErrorOf([&] { document->SaveAs(kOutput); }), "OLE error 800A1066");
    const std::string systemText = ErrorOf([&] { document->Save(); });
    EXPECT_EQ(systemText, SystemErrorText(E_ACCESSDENIED));
    EXPECT_FALSE(systemText.empty());
}

TEST(WordComErrors, ANameWordDoesNotKnowIsReportedWithIt) {
    auto model = ExportModel();
    model->Remove("application", "ActiveDocument");
    ComApplication word{Dispatch(MakeRecordingObject(model, "application"))};
    EXPECT_EQ(ErrorOf([&] { word.OpenWorkingDocument(kTemplate); }),
              "Method 'activedocument' not supported by automation object");
}

TEST(WordComErrors, AFailureStopsTheChainAtThatCall) {
    auto model = ExportModel();
    model->FailOn("bookmarks", "item",
                  Failure{static_cast<HRESULT>(0x800A16E6), L"Запрошенный элемент не существует.", true});
    ComApplication word{Dispatch(MakeRecordingObject(model, "application"))};
    std::shared_ptr<ComDocument> document = OpenComDocument(word);
    EXPECT_EQ(ErrorOf([&] { document->InsertBeforeBookmark("z1000_001_03", "5"); }),
              "Запрошенный элемент не существует");
    const std::vector<std::string> calls = CallTexts(model->Calls());
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "bookmarks.item G [&'z1000_001_03']");
}

// Word itself missing is checked with the stand-in word processor taken
// away (word_server_test.cpp): under Wine "Word.Application" is the stand-in.
TEST(WordComStart, AnUnknownIdentifierCannotBeCreated) {
    ComServer unknown("Tarnfold.NoSuchServer");
    const std::string text = ErrorOf([&] { unknown.CreateApplication(); });
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
}

// A class factory for the recording application, so that COM itself creates
// it from a programmatic identifier as it would create Word.
class RecordingFactory final : public testing::ProcessClassFactory {
public:
    explicit RecordingFactory(std::shared_ptr<Recording> model) : model_(std::move(model)) {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return MakeRecordingObject(model_, "application")->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    std::shared_ptr<Recording> model_;
};

// A programmatic identifier that names a class for the length of one test,
// in volatile keys. Windows reads it from the current user's classes; Wine's
// class view lacks those, so there it goes into its (private) classes root.
class RegisteredProgId {
public:
    RegisteredProgId(const std::wstring& progId, const std::wstring& classId) : progId_(progId) {
        for (const auto& [root, prefix] :
             {std::pair{HKEY_CURRENT_USER, L"Software\\Classes\\"}, std::pair{HKEY_CLASSES_ROOT, L""}}) {
            const std::wstring path = prefix + progId;
            if (!Write(root, path + L"\\CLSID", classId)) continue;
            made_.emplace_back(root, path);
            CLSID found;
            if (CLSIDFromProgID(progId.c_str(), &found) == S_OK) {
                visible_ = true;
                break;
            }
        }
    }
    RegisteredProgId(const RegisteredProgId&) = delete;
    RegisteredProgId& operator=(const RegisteredProgId&) = delete;
    ~RegisteredProgId() {
        for (const auto& [root, path] : made_) RegDeleteTreeW(root, path.c_str());
    }
    bool visible() const { return visible_; }

private:
    static bool Write(HKEY root, const std::wstring& path, const std::wstring& value) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        const LONG written = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        return written == ERROR_SUCCESS;
    }

    std::wstring progId_;
    std::vector<std::pair<HKEY, std::wstring>> made_;
    bool visible_ = false;
};

// The factory offered to COM while it lives.
class ClassRegistration {
public:
    ClassRegistration(const CLSID& classId, IClassFactory* factory) {
        registered_ =
            CoRegisterClassObject(classId, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_) == S_OK;
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration() {
        if (registered_) CoRevokeClassObject(cookie_);
    }
    bool registered() const { return registered_; }

private:
    DWORD cookie_ = 0;
    bool registered_ = false;
};

TEST(WordComStart, AServerRegisteredUnderTheIdentifierIsCreatedByCom) {
    const wchar_t* classText = L"{6F1C2A4E-8B0D-4C52-9E3A-7D5B1F2C9A11}";
    CLSID classId;
    ASSERT_EQ(CLSIDFromString(classText, &classId), S_OK);
    RegisteredProgId progId(L"Tarnfold.RecordingWord", classText);
    ASSERT_TRUE(progId.visible());
    ComServer server("Tarnfold.RecordingWord");

    auto model = ExportModel();
    RecordingFactory factory(model);
    {
        ClassRegistration registration(classId, &factory);
        ASSERT_TRUE(registration.registered());
        std::unique_ptr<Application> word = server.CreateApplication();
        word->Show();
    }
    EXPECT_EQ(CallTexts(model->Calls()), (std::vector<std::string>{"application.Visible P [<put>=b:-1]"}));
}

// The recording application lives in an apartment of its own thread, as
// Word lives in its own process: every call crosses through COM's proxies.
class ApartmentServer {
public:
    explicit ApartmentServer(std::shared_ptr<Recording> model) {
        thread_ = std::thread([this, model] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            {
                ComPtr<IDispatch> application = MakeRecordingObject(model, "application");
                IStream* stream = nullptr;
                const HRESULT hr = CoMarshalInterThreadInterfaceInStream(IID_IDispatch, application.Get(), &stream);
                {
                    std::lock_guard lock(mutex_);
                    threadId_ = GetCurrentThreadId();
                    stream_ = SUCCEEDED(hr) ? stream : nullptr;
                    ready_ = true;
                }
                ready_changed_.notify_all();
                MSG message;
                while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
            }
            CoUninitialize();
        });
        std::unique_lock lock(mutex_);
        ready_changed_.wait(lock, [this] { return ready_; });
    }
    ~ApartmentServer() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    // The application as this thread sees it: a proxy.
    ComPtr<IDispatch> Application() {
        ComPtr<IDispatch> proxy;
        if (stream_ != nullptr)
            CoGetInterfaceAndReleaseStream(std::exchange(stream_, nullptr), IID_IDispatch,
                                           reinterpret_cast<void**>(proxy.Receive()));
        return proxy;
    }

private:
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable ready_changed_;
    bool ready_ = false;
    DWORD threadId_ = 0;
    IStream* stream_ = nullptr;
};

TEST(WordComExport, TheSameCallsCrossAnApartmentBoundaryUnchanged) {
    auto model = ExportModel();
    model->ReplaceByRefStrings("documents", "Open", L"C:\\Другой\\шаблон.doc");
    ApartmentServer server(model);
    ComPtr<IDispatch> proxy = server.Application();
    ASSERT_TRUE(proxy);
    {
        ComApplication word{Dispatch(proxy)};
        RunExport(word);
    }
    EXPECT_EQ(CallTexts(model->Calls()), kExportCalls);
    // A string passed by reference comes back through the proxy.
    std::string path = "C:\\шаблон.doc";
    Dispatch(proxy).Object("Documents").Call("Open", {Arg::TextByRef(path)});
    EXPECT_EQ(path, "C:\\Другой\\шаблон.doc");
    // Errors cross too, with their description.
    model->FailOn("document", "save", Failure{static_cast<HRESULT>(0x800A1066), L"Диск переполнен.", true});
    EXPECT_EQ(ErrorOf([&] {
                  ComApplication application{Dispatch(proxy)};
                  OpenComDocument(application)->Save();
              }),
              "Диск переполнен");
}

}  // namespace
}  // namespace tarnfold::word::com
