#include "word/docx/docx_server.h"

#include "word/docx/desktop_opener.h"
#include "word/docx/stamped_document.h"
#include "word/docx/template_cache.h"

#include <utility>

namespace tarnfold::word::docx {

namespace {

// A package in memory as the run sees it.
class DocxDocument : public BookmarkDocument {
public:
    explicit DocxDocument(std::shared_ptr<OpenDocument> package) : package_(std::move(package)) {}

    void SaveAs(const std::string& path) override { package_->SaveAs(path); }
    bool HasBookmark(const std::string& name) override { return package_->HasBookmark(name); }
    void TypeAtBookmark(const std::string& name, const std::string& text) override {
        package_->TypeAtBookmark(name, text);
    }
    void InsertBeforeBookmark(const std::string& name, const std::string& text) override {
        package_->InsertBeforeBookmark(name, text);
    }
    void GoToBookmark(const std::string& name) override { package_->GoToBookmark(name); }
    void Save() override { package_->Save(); }

private:
    std::shared_ptr<OpenDocument> package_;
};

class DocxApplication : public Application {
public:
    DocxApplication(Launcher launcher, std::shared_ptr<TemplateCache> templates, std::shared_ptr<TemplateAhead> ahead)
        : launcher_(std::move(launcher)), templates_(std::move(templates)), ahead_(std::move(ahead)) {}

    std::shared_ptr<Document> OpenWorkingDocument(const std::string& templatePath) override {
        std::shared_ptr<const TemplateImage> prepared = ahead_->Take(templatePath);
        if (templates_) {
            last_ = std::make_shared<StampedDocument>(templates_->Get(templatePath, std::move(prepared)));
        } else {
            last_ = OpenForOneDocument(templatePath, std::move(prepared));
        }
        return std::make_shared<DocxDocument>(last_);
    }

    // A document that was never written to a file of its own has nothing to
    // show: the template is not handed out for editing.
    void Show() override {
        if (last_ && last_->Saved()) {
            launcher_(last_->Path());
        }
    }

private:
    Launcher launcher_;
    std::shared_ptr<TemplateCache> templates_;
    std::shared_ptr<TemplateAhead> ahead_;
    std::shared_ptr<OpenDocument> last_;
};

}  // namespace

DocxServer::DocxServer() : DocxServer(OpenWithDesktop) {}

DocxServer::DocxServer(Launcher launcher, TemplateReuse reuse)
    : launcher_(std::move(launcher)),
      templates_(reuse == TemplateReuse::AcrossDocuments ? std::make_shared<TemplateCache>() : nullptr),
      ahead_(std::make_shared<TemplateAhead>()) {}

DocxServer::~DocxServer() = default;

std::unique_ptr<Application> DocxServer::CreateApplication() {
    return std::make_unique<DocxApplication>(launcher_, templates_, ahead_);
}

void DocxServer::PrepareTemplate(const std::string& templatePath) {
    if (templates_) {
        if (templates_->Holds(templatePath)) return;
        // The template kept so far goes before the next is prepared, as when
        // the next is opened: large forms take much memory.
        templates_->Clear();
    }
    // A document of its own is made by scanning alone; a kept template is
    // parsed where scanning cannot serve (see OpenForOneDocument).
    ahead_->Begin(templatePath,
                  templates_ ? TemplateImage::Preparation::ScanOrParse : TemplateImage::Preparation::ScanOnly);
}

}  // namespace tarnfold::word::docx
