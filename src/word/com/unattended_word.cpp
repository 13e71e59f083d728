#include "word/com/unattended_word.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "core/error.h"
#include "word/com/apartment.h"
#include "word/com/word_com.h"

namespace tarnfold::word::com {

// What the ending action, on a thread of its own, needs of the program's
// Word. The application is kept in the process's global interface table,
// from which any apartment gets a reference of its own.
struct WordEnding {
    std::mutex mutex;
    DWORD cookie = 0;    // while Word is the program's own
    bool ended = false;  // Word is quit or being quit: none is started any more
};

namespace {

// Word's "do not save changes": these documents are saved by the run itself,
// and what is left unsaved when it is closed is not wanted.
Arg DoNotSaveChanges() { return Arg::Boolean(false, "SaveChanges"); }

ComPtr<IGlobalInterfaceTable> GlobalInterfaceTable() {
    ComPtr<IGlobalInterfaceTable> table;
    const HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IGlobalInterfaceTable, reinterpret_cast<void**>(table.Receive()));
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    return table;
}

void QuitFromAnyThread(WordEnding& ending) {
    const std::lock_guard<std::mutex> lock(ending.mutex);
    ending.ended = true;
    if (ending.cookie == 0) return;
    const ComApartment apartment{ComApartment::AnyThread{}};
    try {
        ComPtr<IDispatch> application;
        const HRESULT hr = GlobalInterfaceTable()->GetInterfaceFromGlobal(
            ending.cookie, IID_IDispatch, reinterpret_cast<void**>(application.Receive()));
        if (SUCCEEDED(hr)) Dispatch(std::move(application)).Call("Quit", {DoNotSaveChanges()});
    } catch (const Error&) {
        // Word is gone already, or hangs: the program ends all the same.
    }
}

// A run's view of the program's Word. The run works in the document it opened,
// held as the object Open gave, whatever else the Word holds: a Word that
// was the user's may have documents of its own open before and after it.
// Nobody looks at these documents, so they are closed when the run lets
// go of its application rather than shown: left open, dozens of them would
// pile up in Word, and a Word that was the user's would show them all.
class UnattendedApplication final : public Application {
public:
    explicit UnattendedApplication(const Dispatch& application) : application_(application) {}
    ~UnattendedApplication() override {
        for (const Dispatch& document : opened_) {
            try {
                document.Call("Close", {DoNotSaveChanges()});
            } catch (const Error&) {
                // Closing is tidying only; Word may be gone by now.
            }
        }
    }
    UnattendedApplication(const UnattendedApplication&) = delete;
    UnattendedApplication& operator=(const UnattendedApplication&) = delete;

    std::shared_ptr<Document> OpenWorkingDocument(const std::string& templatePath) override {
        std::string path = templatePath;
        opened_.push_back(application_.Object("Documents").Object("Open", {Arg::TextByRef(path)}));
        opened_.back().Call("Activate");
        return std::make_shared<ComDocument>(application_, opened_.back());
    }
    void Show() override {}

private:
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

// Converting templates through the program's Word. Word reads the copy back
// itself: the .docx back-end that checks the copy on Linux has no build here.
class WordConverter final : public conversion::TemplateConverter {
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

UnattendedWord::UnattendedWord() : ending_(std::make_shared<WordEnding>()) {}

UnattendedWord::~UnattendedWord() {
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

std::unique_ptr<Application> UnattendedWord::CreateApplication() {
    return std::make_unique<UnattendedApplication>(Running());
}

const Dispatch& UnattendedWord::Running() {
    if (application_) return *application_;
    try {
        {
            const std::lock_guard<std::mutex> lock(ending_->mutex);
            if (ending_->ended) throw Error("выгрузка прервана");
        }
        Dispatch application = CreateAutomationObject("Word.Application");
        own_ = !application.Boolean("Visible") && application.Object("Documents").Integer("Count") == 0;
        if (own_) {
            const std::lock_guard<std::mutex> lock(ending_->mutex);
            const HRESULT hr =
                GlobalInterfaceTable()->RegisterInterfaceInGlobal(application.Raw(), IID_IDispatch, &ending_->cookie);
            if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
        }
        application_ = std::move(application);
    } catch (const Error& error) {
        throw Error("Не удалось запустить Word: " + std::string(error.what()));
    }
    return *application_;
}

std::function<void()> UnattendedWord::EndingAction() const {
    return [ending = ending_] { QuitFromAnyThread(*ending); };
}

std::unique_ptr<conversion::TemplateConverter> UnattendedWord::Converter() {
    return std::make_unique<WordConverter>([this]() -> const Dispatch& { return Running(); });
}

}  // namespace tarnfold::word::com
