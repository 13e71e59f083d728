#pragma once
// What an export asks of a word processor, step by step as a run makes the
// calls. Texts are UTF-8. Every failure is an Error whose text is the server's
// own description (trailing blanks and full stops cut) or a fallback text.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"

namespace tarnfold::word {

// A text and the bookmark it goes to.
struct BookmarkText {
    std::string name;
    std::string text;
};

// How a text meets its bookmark: typed there (as the header fields are) or
// put in front of it (as the figures are).
enum class Placement { TypeAt, InsertBefore };

// What filling a list of bookmarks came to. Filling stops at the first
// failure; what lies before it is told as if the list had ended there.
struct BookmarkFilling {
    std::size_t placed = 0;
    // The names the document has no bookmark for, in the order given.
    std::vector<std::string> missing;
    std::optional<Error> failure;
};

class Document {
public:
    virtual ~Document() = default;
    // Writes the document under `path`; from then on the document is that file
    // and the template stays unchanged. Where the back-end can, the file and
    // its name have reached the disk when it returns.
    virtual void SaveAs(const std::string& path) = 0;
    // The same for the working copy of a run, which only the run itself
    // opens again: a word processor that lists recent files leaves it out.
    virtual void SaveWorkingCopyAs(const std::string& path) { SaveAs(path); }
    // Tests and fills each bookmark in turn: a text typed at its bookmark
    // replaces the text the bookmark spans, one put before it goes in front
    // of the bookmark's range.
    virtual BookmarkFilling FillBookmarks(const std::vector<BookmarkText>& texts, Placement placement) = 0;
    // Leaves the cursor on the bookmark, where the user begins on opening the
    // document; a document without that bookmark keeps its cursor.
    virtual void LeaveCursorAt(const std::string& bookmark) = 0;
};

// A document whose back-end works a bookmark at a time: the list's filling
// and the cursor are made of these steps, which only the back-end and its
// tests call one by one.
class BookmarkDocument : public Document {
public:
    virtual bool HasBookmark(const std::string& name) = 0;
    // Moves the cursor to the bookmark and types there; typing at a bookmark
    // that spans text replaces that text.
    virtual void TypeAtBookmark(const std::string& name, const std::string& text) = 0;
    // Puts the text in front of the bookmark's range.
    virtual void InsertBeforeBookmark(const std::string& name, const std::string& text) = 0;
    // Moves the cursor to the bookmark without typing.
    virtual void GoToBookmark(const std::string& name) = 0;
    // Writes the document again under the name it was last saved as.
    virtual void Save() = 0;
    // HasBookmark then TypeAtBookmark or InsertBeforeBookmark for each text;
    // a back-end whose every call is a round trip does the whole list in one.
    BookmarkFilling FillBookmarks(const std::vector<BookmarkText>& texts, Placement placement) override;
    void LeaveCursorAt(const std::string& bookmark) override {
        if (HasBookmark(bookmark)) GoToBookmark(bookmark);
    }
};

// A word processor started for a run: it makes the run's document from its
// template and shows it when the run is over.
class Application {
public:
    virtual ~Application() = default;
    // Opens the template as a new working document; the template itself is
    // never written. The application keeps the document it opened last, to
    // show it.
    virtual std::shared_ptr<Document> OpenWorkingDocument(const std::string& templatePath) = 0;
    // Shows the word processor with the document opened last. Never quits it.
    virtual void Show() = 0;
    // Before a run writes these files, which nobody else may be writing (the
    // run holds the report's lock): closes the documents the word processor
    // holds hidden under their names, left by a run that died, and removes
    // the lock files that an office of the tool's own left for them when it
    // ended. A document someone can see stays open.
    virtual void ReleaseOrphans(const std::vector<std::string>& paths) { (void)paths; }
};

// Every back-end can take it: the interface stays header-only.
inline BookmarkFilling BookmarkDocument::FillBookmarks(const std::vector<BookmarkText>& texts, Placement placement) {
    BookmarkFilling filling;
    try {
        for (const BookmarkText& each : texts) {
            if (!HasBookmark(each.name)) {
                filling.missing.push_back(each.name);
                continue;
            }
            if (placement == Placement::TypeAt)
                TypeAtBookmark(each.name, each.text);
            else
                InsertBeforeBookmark(each.name, each.text);
            ++filling.placed;
        }
    } catch (const Error& failure) {
        filling.failure = failure;
    }
    return filling;
}

// Creates the application object; any failure here means the word processor
// could not be started.
class Server {
public:
    virtual ~Server() = default;
    virtual std::unique_ptr<Application> CreateApplication() = 0;
    // A run names the template it will open before it reads its figures: a
    // server that prepares its templates itself may begin now, on a thread of
    // its own. Opening it gives the same document, or the same error, either way.
    virtual void PrepareTemplate(const std::string& templatePath) { (void)templatePath; }
};

}  // namespace tarnfold::word
