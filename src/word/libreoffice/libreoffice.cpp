#include "word/libreoffice/libreoffice.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include <com/sun/star/awt/PosSize.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "core/files.h"
#include "core/paths.h"
#include "core/system_error.h"
#include "word/bookmark_index.h"
#include "word/libreoffice/fill_routine.h"
#include "word/libreoffice/office_connection.h"
#include "word/libreoffice/office_files.h"
#include "word/libreoffice/office_messages.h"
#include "word/libreoffice/office_process.h"
#include "word/office_lock.h"

namespace tarnfold::word {

using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

// The documents the office has open from the file at `path`, but `except`.
std::vector<Reference<css::frame::XModel>> DocumentsAt(OfficeConnection& office, const std::string& path,
                                                       const Reference<css::frame::XModel>& except = {}) {
    std::vector<Reference<css::frame::XModel>> found;
    Reference<css::container::XEnumeration> documents = office.Desktop()->getComponents()->createEnumeration();
    while (documents->hasMoreElements()) {
        Reference<css::frame::XModel> open(documents->nextElement(), UNO_QUERY);
        if (open.is() && open != except && SameFile(PathFromFileUrl(ToUtf8(open->getURL())), path))
            found.push_back(open);
    }
    return found;
}

// Whether the user can see the document: a document that a run opened
// hidden and never showed has no visible window.
bool Seen(const Reference<css::frame::XModel>& model) {
    const Reference<css::frame::XController> controller = model->getCurrentController();
    if (!controller.is() || !controller->getFrame().is()) return false;
    const Reference<css::awt::XWindow2> window(controller->getFrame()->getContainerWindow(), UNO_QUERY);
    return window.is() && window->isVisible();
}

// A lock file beside `path` that an office of the tool's own left when it
// ended: one of this office for a document it no longer has open, or one of
// a batch's office whose batch has ended. Left there, it makes the office
// refuse to store under that name.
void RemoveOrphanedLock(OfficeConnection& office, const std::string& path) {
    const std::optional<OfficeLock> lock = ReadOfficeLock(path);
    if (!lock || lock->profileUrl.empty()) return;
    const bool ours = lock->profileUrl == office.ProfileUrl() && DocumentsAt(office, path).empty();
    if (!ours && !OneOffProfileEnded(PathToUtf8(PathFromUtf8(PathFromFileUrl(lock->profileUrl)).parent_path()))) return;
    std::error_code ignored;
    std::filesystem::remove(PathFromUtf8(lock->path), ignored);
}

// Makes a document's window appear over most of the screen, a margin all
// round, as a document window opens in Word. A headless office shows nothing.
void ShowWindowOf(OfficeConnection& office, const Reference<css::frame::XModel>& model) {
    if (!office.ShowsWindows()) return;
    Reference<css::awt::XWindow> window = model->getCurrentController()->getFrame()->getContainerWindow();
    const css::awt::Rectangle area = css::awt::Toolkit::create(office.Context())->getWorkArea();
    if (area.Width > 0 && area.Height > 0) {
        const sal_Int32 marginX = area.Width / 20;
        const sal_Int32 marginY = area.Height / 20;
        window->setPosSize(area.X + marginX, area.Y + marginY, area.Width - 2 * marginX, area.Height - 2 * marginY,
                           css::awt::PosSize::POSSIZE);
    }
    window->setVisible(true);
    if (Reference<css::awt::XTopWindow> top{window, UNO_QUERY}; top.is()) top->toFront();
}

// One document this tool opened from a template, shared by the run (which
// fills it) and the application (which shows it).
class OpenedDocument final : public BookmarkDocument {
public:
    OpenedDocument(std::shared_ptr<OfficeConnection> office, std::shared_ptr<FillRoutine> routine,
                   std::string templatePath, Reference<css::frame::XModel> model)
        : office_(std::move(office)),
          routine_(std::move(routine)),
          templatePath_(std::move(templatePath)),
          model_(std::move(model)) {}

    // When the run lets go of it, a document nobody has seen nor saved is
    // closed again. So is every document of a headless office: nobody can
    // ever see or close it there, and left open it would keep its file locked
    // against the next run. A saved document of a shown office stays open, as
    // in Word, with its view unlocked for the user.
    ~OpenedDocument() override {
        if (closed_ || office_->Lost()) return;
        try {
            office_->Call("", [&] {
                if (!saved_ || !office_->ShowsWindows()) {
                    Close();
                } else if (locked_) {
                    model_->unlockControllers();
                }
            });
        } catch (const Error&) {
            // The office went away meanwhile; there is nothing left to tidy.
        }
    }
    OpenedDocument(const OpenedDocument&) = delete;
    OpenedDocument& operator=(const OpenedDocument&) = delete;

    void SaveAs(const std::string& path) override {
        Require("Не удалось сохранить документ как " + path);
        try {
            if (SameFile(path, templatePath_))
                throw Error("Не удалось сохранить документ как " + path + ": это файл шаблона");
            // The office would wait on a full disk, and call every other obstacle "no access".
            if (const std::string obstacle = StoreObstacle(path); !obstacle.empty())
                throw Error("Не удалось сохранить документ как " + path + ": " + obstacle);
            office_->Call("Не удалось сохранить документ как " + path, [&] {
                if (OpenElsewhere(path))
                    throw Error("Не удалось сохранить документ как " + path +
                                ": этот файл открыт в LibreOffice, закройте его и повторите выгрузку");
                RemoveOrphanedLock(*office_, path);
                Unlock();
                const Sequence<css::beans::PropertyValue> arguments =
                    Properties({Property("FilterName", css::uno::Any(ToOUString(FilterForOutput(path)))),
                                Property("Overwrite", css::uno::Any(true))});
                StoreTold(path, "Не удалось сохранить документ как " + path, [&] {
                    Reference<css::frame::XStorable>(model_, UNO_QUERY_THROW)
                        ->storeAsURL(ToOUString(FileUrl(path)), arguments);
                });
            });
            PushToDisk(path);
        } catch (const Error&) {
            // Nobody will ever see a copy that failed before filling began.
            if (!filling_ && !saved_ && !office_->Lost()) {
                try {
                    office_->Call("", [&] { Close(); });
                } catch (const Error&) {
                    // Closing is tidying only; the failure reported is the save's.
                }
            }
            throw;
        }
        path_ = path;
        saved_ = true;
    }

    bool HasBookmark(const std::string& name) override {
        Require("Не удалось проверить закладку " + name);
        return office_->Call("Не удалось проверить закладку " + name, [&] {
            BeginFilling();
            return Index().Find(name).has_value();
        });
    }

    void TypeAtBookmark(const std::string& name, const std::string& text) override {
        Require("Не удалось ввести текст у закладки " + name);
        office_->Call("Не удалось ввести текст у закладки " + name, [&] {
            BeginFilling();
            // A model cursor: a view cursor silently does nothing inside table cells.
            Reference<css::text::XTextRange> anchor = Anchor(name);
            Reference<css::text::XTextCursor> cursor = anchor->getText()->createTextCursorByRange(anchor);
            cursor->setString(ToOUString(text));
        });
    }

    void InsertBeforeBookmark(const std::string& name, const std::string& text) override {
        Require("Не удалось вставить текст перед закладкой " + name);
        office_->Call("Не удалось вставить текст перед закладкой " + name, [&] {
            BeginFilling();
            // Through a collapsed cursor of the anchor's own text: handing over the
            // anchor's start instead makes Writer re-sort every bookmark per insertion.
            Reference<css::text::XTextRange> anchor = Anchor(name);
            Reference<css::text::XText> owner = anchor->getText();
            Reference<css::text::XTextCursor> cursor = owner->createTextCursorByRange(anchor);
            cursor->collapseToStart();
            owner->insertString(Reference<css::text::XTextRange>(cursor.get()), ToOUString(text), false);
        });
    }

    // The list in one call to the routine in the office where it is to be
    // had, else a bookmark at a time.
    BookmarkFilling FillBookmarks(const std::vector<BookmarkText>& texts, Placement placement) override {
        if (std::optional<BookmarkFilling> filling = FillInOffice(texts, placement)) return std::move(*filling);
        return BookmarkDocument::FillBookmarks(texts, placement);
    }

    // The list in one call to the routine in the office, the names tested
    // here as HasBookmark tests them. Nothing when the routine is not to be
    // had, so that the caller fills a bookmark at a time.
    std::optional<BookmarkFilling> FillInOffice(const std::vector<BookmarkText>& texts, Placement placement) {
        if (!routine_ || closed_) return std::nullopt;
        BookmarkFilling filling;
        if (texts.empty()) return filling;
        try {
            office_->Call("Не удалось проверить закладку " + texts.front().name, [&] {
                BeginFilling();
                Index();
            });
        } catch (const Error& failure) {
            filling.failure = failure;
            return filling;
        }
        std::vector<std::size_t> found;  // positions in `texts`
        std::vector<std::string> names, values;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (std::optional<std::string> own = index_->Find(texts[i].name)) {
                found.push_back(i);
                names.push_back(std::move(*own));
                values.push_back(texts[i].text);
            }
        }
        RoutineAnswer answer{found.size(), {}};
        if (!found.empty()) {
            try {
                std::optional<RoutineAnswer> given =
                    routine_->Fill(model_, names, values, placement,
                                   FillContext(placement, texts[found.front()].name, texts[found.back()].name));
                if (!given) return std::nullopt;
                answer = std::move(*given);
            } catch (const Error& failure) {
                // How far the office got before it went is unknown.
                answer = RoutineAnswer{0, {}};
                filling.failure = failure;
            }
        }
        // What lies behind the text that failed was never tried.
        const std::size_t end = answer.filled < found.size() ? found[answer.filled] : texts.size();
        for (std::size_t i = 0, next = 0; i < end; ++i) {
            if (next < found.size() && found[next] == i)
                ++next;
            else
                filling.missing.push_back(texts[i].name);
        }
        filling.placed = answer.filled;
        if (!filling.failure && end < texts.size()) {
            const BasicError error = ReadBasicError(answer.failure);
            filling.failure = office_->Failure(FillContext(placement, texts[end].name, texts[end].name), error.message,
                                               error.disposed);
        }
        return filling;
    }

    void GoToBookmark(const std::string& name) override {
        Require("Не удалось перейти к закладке " + name);
        office_->Call("Не удалось перейти к закладке " + name, [&] {
            BeginFilling();
            Reference<css::text::XTextRange> anchor = Anchor(name);
            Reference<css::text::XTextViewCursorSupplier> views(model_->getCurrentController(), UNO_QUERY_THROW);
            views->getViewCursor()->gotoRange(anchor, false);
        });
    }

    void Save() override {
        Require("Не удалось сохранить документ");
        if (!saved_) throw Error("Не удалось сохранить документ: он ещё не сохранён под своим именем");
        office_->Call("Не удалось сохранить документ " + path_, [&] {
            Unlock();
            StoreTold(path_, "Не удалось сохранить документ " + path_,
                      [&] { Reference<css::frame::XStorable>(model_, UNO_QUERY_THROW)->store(); });
        });
        PushToDisk(path_);
    }

    void Show() {
        if (closed_) return;
        office_->Call("Не удалось показать документ " + path_, [&] {
            Unlock();
            ShowWindowOf(*office_, model_);
        });
    }

private:
    void Require(const std::string& context) const {
        if (closed_) throw Error(context + ": документ закрыт");
    }

    void BeginFilling() {
        filling_ = true;
        if (!locked_) {
            // Without repainting the (hidden) view after each change, filling takes half the time.
            model_->lockControllers();
            locked_ = true;
        }
    }

    void Unlock() {
        if (!locked_) return;
        model_->unlockControllers();
        locked_ = false;
    }

    void Close() {
        closed_ = true;
        Reference<css::util::XCloseable>(model_, UNO_QUERY_THROW)->close(true);
    }

    // Names are read once per document; every test of a name is then local.
    const BookmarkIndex& Index() {
        if (!index_) {
            bookmarks_ = Reference<css::text::XBookmarksSupplier>(model_, UNO_QUERY_THROW)->getBookmarks();
            const Sequence<rtl::OUString> names = bookmarks_->getElementNames();
            std::vector<std::string> utf8;
            utf8.reserve(static_cast<std::size_t>(names.getLength()));
            for (const rtl::OUString& name : names) utf8.push_back(ToUtf8(name));
            index_.emplace(utf8);
        }
        return *index_;
    }

    Reference<css::text::XTextRange> Anchor(const std::string& name) {
        const std::optional<std::string> own = Index().Find(name);
        if (!own) throw Error("в документе нет закладки " + name);
        Reference<css::text::XTextContent> bookmark(bookmarks_->getByName(ToOUString(*own)), UNO_QUERY_THROW);
        return bookmark->getAnchor();
    }

    // The office syncs the file it stores but not the folder: a name it made
    // there could be missing after a power cut.
    static void PushToDisk(const std::string& path) {
        SyncFile(path);
        SyncFolder(FolderPart(path));
    }

    // The office tells a full disk in its own code words (an I/O abort), or
    // nothing at all: a store that fails with next to no room left on the
    // disk is told as what it is.
    template <class Store>
    void StoreTold(const std::string& path, const std::string& context, Store&& store) {
        try {
            store();
        } catch (const css::uno::Exception& failure) {
            if (!office_->Lost() && NoRoomLeft(path)) throw Error(context + ": " + SystemErrorText(ENOSPC));
            throw;
        }
    }

    // Whether another document of the office is the file at `path`: storing
    // over it would pull the file from under the user's open window.
    bool OpenElsewhere(const std::string& path) { return !DocumentsAt(*office_, path, model_).empty(); }

    // What a bookmark call says when it fails: for one bookmark as the call
    // of that bookmark says it, else naming the first and the last.
    static std::string FillContext(Placement placement, const std::string& first, const std::string& last) {
        const bool one = first == last;
        if (placement == Placement::TypeAt)
            return (one ? "Не удалось ввести текст у закладки " + first
                        : "Не удалось ввести текст у закладок " + first + "…" + last);
        return one ? "Не удалось вставить текст перед закладкой " + first
                   : "Не удалось вставить текст перед закладками " + first + "…" + last;
    }

    std::shared_ptr<OfficeConnection> office_;
    std::shared_ptr<FillRoutine> routine_;
    std::string templatePath_;
    std::string path_;
    Reference<css::frame::XModel> model_;
    Reference<css::container::XNameAccess> bookmarks_;
    std::optional<BookmarkIndex> index_;
    bool locked_ = false;
    bool filling_ = false;
    bool saved_ = false;
    bool closed_ = false;
};

class LibreOfficeApplication : public Application {
public:
    LibreOfficeApplication(std::shared_ptr<OfficeConnection> office, std::shared_ptr<FillRoutine> routine)
        : office_(std::move(office)), routine_(std::move(routine)) {}

    std::shared_ptr<Document> OpenWorkingDocument(const std::string& templatePath) override {
        Reference<css::frame::XModel> model =
            LoadAsTemplate(*office_, templatePath, "Не удалось открыть шаблон " + templatePath);
        last_ = std::make_shared<OpenedDocument>(office_, routine_, templatePath, model);
        return last_;
    }

    void Show() override {
        if (last_) last_->Show();
    }

    void ReleaseOrphans(const std::vector<std::string>& paths) override {
        office_->Call("Не удалось закрыть документы прерванной выгрузки", [&] {
            for (const std::string& path : paths) {
                for (const Reference<css::frame::XModel>& open : DocumentsAt(*office_, path))
                    if (!Seen(open)) Reference<css::util::XCloseable>(open, UNO_QUERY_THROW)->close(true);
                RemoveOrphanedLock(*office_, path);
            }
        });
    }

private:
    std::shared_ptr<OfficeConnection> office_;
    std::shared_ptr<FillRoutine> routine_;
    std::shared_ptr<OpenedDocument> last_;
};

}  // namespace

LibreOfficeOptions DefaultLibreOfficeOptions() {
    LibreOfficeOptions options;
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
        cache = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        cache = std::string(home) + "/.cache";
    } else {
        cache = "/tmp/tarnfold-" + std::to_string(::getuid());
    }
    options.profileFolder = cache + "/tarnfold/office";
    options.pipeName = "tarnfold_office_" + std::to_string(::getuid());
    const char* display = std::getenv("DISPLAY");
    if (const std::string session = DisplaySessionName(display ? display : ""); !session.empty()) {
        options.profileFolder += "-" + session;
        options.pipeName += "_" + session;
    }
    return options;
}

std::string DisplaySessionName(std::string_view display) {
    // The screen after the number is the same display: ":1" and ":1.0" share one.
    const std::size_t colon = display.rfind(':');
    if (colon != std::string_view::npos) {
        const std::size_t dot = display.find('.', colon);
        if (dot != std::string_view::npos) display = display.substr(0, dot);
    }
    std::string name;
    for (const char c : display) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (plain)
            name += c;
        else if (!name.empty())
            name += '_';
    }
    return name;
}

void LibreOfficeServer::ShowPlainText(const std::string& path) {
    const std::string context = "Не удалось открыть файл " + path;
    if (!FileExists(path)) throw Error(context + ": файл не найден");
    std::shared_ptr<OfficeConnection> office = Connection();
    office->Call(context, [&] {
        // A journal shown earlier is out of date: it is closed and read again.
        for (const Reference<css::frame::XModel>& open : DocumentsAt(*office, path))
            Reference<css::util::XCloseable>(open, UNO_QUERY_THROW)->close(true);
        // The text filter told the code page and the line ends; saving it
        // again keeps both.
        const auto arguments = Properties({Property("Hidden", css::uno::Any(true)),
                                           Property("FilterName", css::uno::Any(rtl::OUString("Text (encoded)"))),
                                           Property("FilterOptions", css::uno::Any(rtl::OUString("MS_1251,CRLF,,")))});
        Reference<css::frame::XComponentLoader> loader(office->Desktop(), UNO_QUERY_THROW);
        Reference<css::frame::XModel> model(
            loader->loadComponentFromURL(ToOUString(FileUrl(path)), rtl::OUString("_blank"), 0, arguments), UNO_QUERY);
        if (!model.is()) throw Error(context + ": LibreOffice не смог прочитать файл");
        ShowWindowOf(*office, model);
    });
}

LibreOfficeServer::LibreOfficeServer(LibreOfficeOptions options) : options_(std::move(options)) {}

LibreOfficeServer::~LibreOfficeServer() = default;

std::unique_ptr<Application> LibreOfficeServer::CreateApplication() {
    std::shared_ptr<OfficeConnection> office = Connection();
    return std::make_unique<LibreOfficeApplication>(office, routine_);
}

std::shared_ptr<OfficeConnection> LibreOfficeServer::Connection() {
    if (launcher_) launcher_->ExitCode();
    if (!connection_ || connection_->Lost()) {
        connection_.reset();
        routine_.reset();
        connection_ = OfficeConnection::Establish(options_, launcher_);
        if (options_.fillInOffice) routine_ = std::make_shared<FillRoutine>(connection_, options_.fillLibrary);
    }
    return connection_;
}

}  // namespace tarnfold::word
