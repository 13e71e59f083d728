#include <windows.h>
#include <objbase.h>
#include <objidl.h>

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "batch/batch_office.h"
#include "batch/batch_options.h"
#include "core/error.h"
#include "word/com/apartment.h"
#include "word/com/automation.h"
#include "word/com/word_com.h"
#include "word/conversion/conversion_command.h"

namespace tarnfold::batch {

namespace {

using word::com::Arg;
using word::com::ComPtr;
using word::com::Dispatch;

// Word's "do not save changes": the batch's documents are saved by the run
// itself, and what is left unsaved when it is closed is not wanted.
Arg DoNotSaveChanges() { return Arg::Boolean(false, "SaveChanges"); }

// What the ending action, on a thread of its own, needs of the batch's Word.
// The application is kept in the process's global interface table, from
// which any apartment gets a reference of its own.
struct Ending {
    std::mutex mutex;
    DWORD cookie = 0;    // while Word is the batch's own
    bool ended = false;  // Word is quit or being quit: none is started any more
};

ComPtr<IGlobalInterfaceTable> GlobalInterfaceTable() {
    ComPtr<IGlobalInterfaceTable> table;
    const HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IGlobalInterfaceTable, reinterpret_cast<void**>(table.Receive()));
    if (FAILED(hr)) throw Error(word::com::AutomationErrorText(hr, {}));
    return table;
}

void QuitFromAnyThread(Ending& ending) {
    const std::lock_guard<std::mutex> lock(ending.mutex);
    ending.ended = true;
    if (ending.cookie == 0) return;
    const word::com::ComApartment apartment{word::com::ComApartment::AnyThread{}};
    try {
        ComPtr<IDispatch> application;
        const HRESULT hr = GlobalInterfaceTable()->GetInterfaceFromGlobal(
            ending.cookie, IID_IDispatch, reinterpret_cast<void**>(application.Receive()));
        if (SUCCEEDED(hr)) Dispatch(std::move(application)).Call("Quit", {DoNotSaveChanges()});
    } catch (const Error&) {
        // Word is gone already, or hangs: the program ends all the same.
    }
}

// A run's view of the batch's Word. The run works in the document it opened,
// held as the object Open gave, whatever else the Word holds: a Word that
// was the user's may have documents of its own open before and after it.
// Nobody looks at the batch's documents, so they are closed when the run lets
// go of its application rather than shown: left open, dozens of them would
// pile up in Word, and a Word that was the user's would show them all.
class BatchWordApplication final : public word::Application {
public:
    explicit BatchWordApplication(const Dispatch& application) : application_(application) {}
    ~BatchWordApplication() override {
        for (const Dispatch& document : opened_) {
            try {
                document.Call("Close", {DoNotSaveChanges()});
            } catch (const Error&) {
                // Closing is tidying only; Word may be gone by now.
            }
        }
    }
    BatchWordApplication(const BatchWordApplication&) = delete;
    BatchWordApplication& operator=(const BatchWordApplication&) = delete;

    void Open(const std::string& templatePath) override {
        std::string path = templatePath;
        opened_.push_back(application_.Object("Documents").Object("Open", {Arg::TextByRef(path)}));
    }
    void ActivateLastOpened() override { LastOpened().Call("Activate"); }
    std::unique_ptr<word::Document> ActiveDocument() override {
        return std::make_unique<word::com::ComDocument>(application_, LastOpened());
    }
    void Show() override {}

private:
    const Dispatch& LastOpened() const {
        if (opened_.empty()) throw Error("Нет открытого документа");
        return opened_.back();
    }

    Dispatch application_;
    std::vector<Dispatch> opened_;
};

// Word's own format for .docx ("wdFormatDocumentDefault").
constexpr std::int32_t DocxFormat = 16;

// The names of a document's bookmarks, in Word's order.
std::vector<std::string> BookmarkNames(const Dispatch& document) {
    const Dispatch bookmarks = document.Object("Bookmarks");
    const std::int32_t count = bookmarks.Integer("Count");
    std::vector<std::string> names;
    for (std::int32_t i = 1; i <= count; ++i) names.push_back(bookmarks.Object("Item", {Arg::Integer(i)}).Text("Name"));
    return names;
}

// Converting templates through the batch's Word. Word reads the copy back
// itself: the .docx back-end that checks the copy on Linux has no build here.
class WordConverter final : public word::conversion::TemplateConverter {
public:
    explicit WordConverter(std::function<const Dispatch&()> application) : application_(std::move(application)) {}

    void Reach() override { application_(); }

    std::vector<std::string> CopyListingBookmarks(const std::string& source, const std::string& copy) override {
        const OpenedDocument document(application_(), source);
        std::vector<std::string> names = BookmarkNames(document.Get());
        std::string target = copy;
        document.Get().Call("SaveAs2", {Arg::TextByRef(target), Arg::Integer(DocxFormat, "FileFormat")});
        return names;
    }

    std::vector<std::string> BookmarksOfCopy(const std::string& copy) override {
        return BookmarkNames(OpenedDocument(application_(), copy).Get());
    }

private:
    // A document opened read-only for the conversion and closed unsaved.
    class OpenedDocument {
    public:
        OpenedDocument(const Dispatch& application, const std::string& path) {
            std::string name = path;
            document_ = application.Object("Documents")
                            .Object("Open", {Arg::TextByRef(name), Arg::Boolean(false, "ConfirmConversions"),
                                             Arg::Boolean(true, "ReadOnly"), Arg::Boolean(false, "AddToRecentFiles")});
        }
        ~OpenedDocument() {
            try {
                if (document_) document_->Call("Close", {DoNotSaveChanges()});
            } catch (const Error&) {
                // Word may be gone by now; the conversion has told its own failure.
            }
        }
        OpenedDocument(const OpenedDocument&) = delete;
        OpenedDocument& operator=(const OpenedDocument&) = delete;
        const Dispatch& Get() const { return *document_; }

    private:
        std::optional<Dispatch> document_;
    };

    std::function<const Dispatch&()> application_;
};

}  // namespace

// One Word for the whole batch, started at the first need. COM may hand
// over a Word the user works in (one already shown or holding documents):
// that one is left running at the end; the batch's own invisible one is quit.
class BatchOffice::Parts final : public word::Server {
public:
    ~Parts() override {
        if (!application_ || !own_) return;
        {
            const std::lock_guard<std::mutex> lock(ending_->mutex);
            if (ending_->ended) return;
            ending_->ended = true;
            try {
                GlobalInterfaceTable()->RevokeInterfaceFromGlobal(std::exchange(ending_->cookie, 0));
            } catch (const Error&) {
                // Without the table the entry goes with the process.
            }
        }
        try {
            application_->Call("Quit", {DoNotSaveChanges()});
        } catch (const Error&) {
            // Word ended on its own meanwhile.
        }
    }

    std::unique_ptr<word::Application> CreateApplication() override {
        return std::make_unique<BatchWordApplication>(Application());
    }

    const Dispatch& Application() {
        if (application_) return *application_;
        try {
            {
                const std::lock_guard<std::mutex> lock(ending_->mutex);
                if (ending_->ended) throw Error("выгрузка прервана");
            }
            Dispatch application = word::com::CreateAutomationObject("Word.Application");
            own_ = !application.Boolean("Visible") && application.Object("Documents").Integer("Count") == 0;
            if (own_) {
                const std::lock_guard<std::mutex> lock(ending_->mutex);
                const HRESULT hr = GlobalInterfaceTable()->RegisterInterfaceInGlobal(application.Raw(), IID_IDispatch,
                                                                                     &ending_->cookie);
                if (FAILED(hr)) throw Error(word::com::AutomationErrorText(hr, {}));
            }
            application_ = std::move(application);
        } catch (const Error& error) {
            throw Error("Не удалось запустить Word: " + std::string(error.what()));
        }
        return *application_;
    }

    std::function<void()> EndingAction() const {
        return [ending = ending_] { QuitFromAnyThread(*ending); };
    }

private:
    std::shared_ptr<Ending> ending_ = std::make_shared<Ending>();
    std::optional<Dispatch> application_;
    bool own_ = false;
};

// Word removes its own files beside the documents when it closes them, even
// when told to quit at once, so the folder is not needed here.
BatchOffice::BatchOffice(std::string) : parts_(std::make_unique<Parts>()) {}

BatchOffice::~BatchOffice() = default;

word::Server& BatchOffice::Server() { return *parts_; }

void BatchOffice::Start() { parts_->Application(); }

std::function<void()> BatchOffice::EndingAction() const { return parts_->EndingAction(); }

int BatchOffice::ConvertTemplates(const std::string& folder, const std::string& outFolder, std::ostream& out) {
    WordConverter converter([this]() -> const Dispatch& { return parts_->Application(); });
    return word::conversion::RunTemplateConversion(folder, outFolder, converter, out);
}

// Word reads .doc and .docx alike: every template is opened read-only in the
// batch's Word and its bookmarks listed as for a conversion.
std::vector<std::string> BatchOffice::TemplateBookmarks(const std::string& path) {
    WordConverter converter([this]() -> const Dispatch& { return parts_->Application(); });
    return converter.BookmarksOfCopy(path);
}

std::string_view BatchOfficeName() { return "Word"; }

std::string_view BatchOfficeHelp() {
    return "Шаблоны .doc заполняет Word, запущенный для выгрузки невидимым; по окончании он закрывается.\n"
           "Word, в котором уже работает пользователь, остается открытым, как был.\n";
}

std::unique_ptr<word::Server> NativeDocxServer() { return nullptr; }

bool OfficeFillsDocx() { return true; }

}  // namespace tarnfold::batch
