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

class ComDocument final : public Document {
public:
    ComDocument(Dispatch application, Dispatch document);

    void SaveAs(const std::string& path) override;
    bool HasBookmark(const std::string& name) override;
    void TypeAtBookmark(const std::string& name, const std::string& text) override;
    void InsertBeforeBookmark(const std::string& name, const std::string& text) override;
    void GoToBookmark(const std::string& name) override;
    void Save() override;

private:
    Dispatch application_;
    Dispatch document_;
};

class ComApplication final : public Application {
public:
    explicit ComApplication(Dispatch application);

    void Open(const std::string& templatePath) override;
    void ActivateLastOpened() override;
    std::unique_ptr<Document> ActiveDocument() override;
    void Show() override;

private:
    Dispatch application_;
};

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
