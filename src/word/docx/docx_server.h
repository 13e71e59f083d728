#pragma once
// The word-processor interface served by filling .docx packages directly:
// no office program is started, the document lives in memory between Open and
// the last Save, and Show hands the saved file to the desktop.

#include "word/word.h"

#include <functional>
#include <memory>
#include <string>

namespace tarnfold::word::docx {

// Opens a saved document for the user to see; tests pass one that only records.
using Launcher = std::function<void(const std::string& pathUtf8)>;

// Whether the documents of one template parse it each (the window makes one
// document at a time) or share it, prepared once (a batch makes many).
enum class TemplateReuse { None, AcrossDocuments };

class TemplateCache;
class TemplateAhead;

class DocxServer : public Server {
public:
    // By default documents are shown with the desktop's program for them.
    DocxServer();
    explicit DocxServer(Launcher launcher, TemplateReuse reuse = TemplateReuse::None);
    ~DocxServer() override;
    std::unique_ptr<Application> CreateApplication() override;
    // Prepares the template on a thread of its own, unless it is kept
    // prepared already.
    void PrepareTemplate(const std::string& templatePath) override;

private:
    Launcher launcher_;
    std::shared_ptr<TemplateCache> templates_;
    std::shared_ptr<TemplateAhead> ahead_;
};

}  // namespace tarnfold::word::docx
