#pragma once
// The word/ interface on Microsoft Word through automation: every operation
// is a chain of late-bound calls by name, starting from the application
// object each time. Word is never told to quit; dropping these objects only
// releases the references.

#include <memory>
#include <string>

#include "word/com/automation.h"
#include "word/word.h"

namespace tarnfold::word::com {

// Word's "go to" target kind for a bookmark.
inline constexpr std::int32_t kGoToBookmark = -1;

// Word's formats for SaveAs: its binary document for ".doc", its XML
// document (Word 2007 and later) for ".docx".
inline constexpr std::int32_t kFormatDocument = 0;
inline constexpr std::int32_t kFormatXmlDocument = 12;
std::int32_t SaveFormatFor(const std::string& path);

// A document of the run. Typing goes where Word's cursor is, in the active
// document: before it types or moves the cursor, the document makes itself
// the active one again when another one (the user's) has become active, and
// refuses when Word does not let it.
class ComDocument final : public BookmarkDocument {
public:
    ComDocument(Dispatch application, Dispatch document);

    void SaveAs(const std::string& path) override;
    // Left out of Word's recent files: nobody opens the working copy again.
    void SaveWorkingCopyAs(const std::string& path) override;
    bool HasBookmark(const std::string& name) override;
    void TypeAtBookmark(const std::string& name, const std::string& text) override;
    void InsertBeforeBookmark(const std::string& name, const std::string& text) override;
    void GoToBookmark(const std::string& name) override;
    void Save() override;

private:
    void SaveAs(const std::string& path, bool recent);
    void MakeActive();
    void MoveTo(const std::string& name);

    Dispatch application_;
    Dispatch document_;
};

// Opening a template makes the calls as Word's recorded way of opening one
// wants them (open, count, activate the last, the active document), but the
// run's document is the one Open gave: a Word handed over by COM may hold the
// user's documents, and one of them may be the last or the active one.
class ComApplication final : public Application {
public:
    explicit ComApplication(Dispatch application);

    std::shared_ptr<Document> OpenWorkingDocument(const std::string& templatePath) override;
    void Show() override;

private:
    Dispatch application_;
};

// Whether two references name one open document: the same object, or else
// the same file.
bool SameDocument(const Dispatch& first, const Dispatch& second);

// The object of a programmatic identifier, created by its server; the calling
// thread must be in an apartment. Throws Error, with the system's text, when
// the identifier is unknown or the object cannot be created.
Dispatch CreateAutomationObject(const std::string& progId);

// Creates the application object from its programmatic identifier; the
// calling thread must be in a single-threaded apartment (ComApartment).
class ComServer final : public Server {
public:
    explicit ComServer(std::string progId = "Word.Application");
    // Throws Error, with the system's text, when the identifier is unknown
    // or the object cannot be created: Word could not be started.
    std::unique_ptr<Application> CreateApplication() override;

private:
    std::string progId_;
};

}  // namespace tarnfold::word::com
