#pragma once
// What an export asks of a word processor, step by step as a run makes the
// calls. Texts are UTF-8. Every failure is an Error whose text is the server's
// own description (trailing blanks and full stops cut) or a fallback text.

#include <memory>
#include <string>

namespace tarnfold::word {

class Document {
public:
    virtual ~Document() = default;
    // Writes the document under `path`; from then on the document is that file
    // and the template stays unchanged.
    virtual void SaveAs(const std::string& path) = 0;
    virtual bool HasBookmark(const std::string& name) = 0;
    // Moves the cursor to the bookmark and types there; typing at a bookmark
    // that spans text replaces that text.
    virtual void TypeAtBookmark(const std::string& name, const std::string& text) = 0;
    // Puts the text in front of the bookmark's range.
    virtual void InsertBeforeBookmark(const std::string& name, const std::string& text) = 0;
    // Moves the cursor to the bookmark without typing.
    virtual void GoToBookmark(const std::string& name) = 0;
    virtual void Save() = 0;
};

class Application {
public:
    virtual ~Application() = default;
    virtual void Open(const std::string& templatePath) = 0;
    // Makes the document opened last the active one.
    virtual void ActivateLastOpened() = 0;
    virtual std::unique_ptr<Document> ActiveDocument() = 0;
    // Shows the word processor with this run's document. Never quits it.
    virtual void Show() = 0;
};

// Creates the application object; any failure here means the word processor
// could not be started.
class Server {
public:
    virtual ~Server() = default;
    virtual std::unique_ptr<Application> CreateApplication() = 0;
};

}  // namespace tarnfold::word
