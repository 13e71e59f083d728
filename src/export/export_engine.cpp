#include "export/export_engine.h"

#include <utility>

namespace tarnfold {

ExportEngine::ExportEngine(db::DataModule& data, WordServers servers, ExportView& view, ExportOptions options)
    : data_(data), servers_(servers), view_(view), options_(std::move(options)) {}

ExportEngine::~ExportEngine() = default;

void ExportEngine::Export(const ExportChoices& choices) {
    if (running_) return;
    running_ = true;
    struct Idle {
        bool& running;
        ~Idle() { running = false; }
    } idle{running_};
    run_ = std::make_unique<ExportRun>(data_, servers_, view_, options_, choices);
    run_->Execute();
}

void ExportEngine::Abort() {
    if (running_ && run_) run_->RequestAbort();
}

}  // namespace tarnfold
