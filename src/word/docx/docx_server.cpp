#include "word/docx/docx_server.h"

#include "core/error.h"
#include "word/docx/desktop_opener.h"
#include "word/docx/stamped_document.h"
#include "word/docx/template_cache.h"

#include <utility>
#include <vector>

namespace tarnfold::word::docx {

namespace {

class DocxDocument : public Document {
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
    DocxApplication(Launcher launcher, std::shared_ptr<TemplateCache> templates)
        : launcher_(std::move(launcher)), templates_(std::move(templates)) {}

    void Open(const std::string& templatePath) override {
        if (templates_) {
            opened_.push_back(std::make_shared<StampedDocument>(templates_->Get(templatePath)));
        } else {
            opened_.push_back(OpenForOneDocument(templatePath));
        }
    }

    void ActivateLastOpened() override {
        if (opened_.empty()) {
            throw Error("Нет открытых документов");
        }
        active_ = opened_.back();
    }

    std::unique_ptr<Document> ActiveDocument() override {
        if (!active_) {
            throw Error("Нет активного документа");
        }
        return std::make_unique<DocxDocument>(active_);
    }

    // A document that was never written to a file of its own has nothing to
    // show: the template is not handed out for editing.
    void Show() override {
        if (active_ && active_->Saved()) {
            launcher_(active_->Path());
        }
    }

private:
    Launcher launcher_;
    std::shared_ptr<TemplateCache> templates_;
    std::vector<std::shared_ptr<OpenDocument>> opened_;
    std::shared_ptr<OpenDocument> active_;
};

}  // namespace

DocxServer::DocxServer() : DocxServer(OpenWithDesktop) {}

DocxServer::DocxServer(Launcher launcher, TemplateReuse reuse)
    : launcher_(std::move(launcher)),
      templates_(reuse == TemplateReuse::AcrossDocuments ? std::make_shared<TemplateCache>() : nullptr) {}

DocxServer::~DocxServer() = default;

std::unique_ptr<Application> DocxServer::CreateApplication() {
    return std::make_unique<DocxApplication>(launcher_, templates_);
}

}  // namespace tarnfold::word::docx
