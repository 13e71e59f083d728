#include "export/export_engine.h"

#include <utility>

namespace tarnfold {

ExportEngine::ExportEngine(RowSource rows, WordServers servers, ExportView& view, ExportOptions options)
    : rows_(std::move(rows)), servers_(servers), view_(view), options_(std::move(options)) {}

ExportEngine::~ExportEngine() = default;

void ExportEngine::Export(const ExportChoices& choices) {
    if (running_) return;
    running_ = true;
    struct Idle {
        bool& running;
        ~Idle() { running = false; }
    } idle{running_};
    run_ = std::make_unique<ExportRun>(rows_, servers_, view_, options_, choices);
    run_->Execute();
}

void ExportEngine::Abort() {
    if (running_ && run_) run_->RequestAbort();
}

}  // namespace tarnfold
