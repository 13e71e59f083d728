#pragma once
// The batch's own headless office: a profile and a pipe of this process, so
// that it never shares the window program's office (nor another batch's), and
// ended with the batch, since nobody will look at its documents.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "word/libreoffice/libreoffice.h"

namespace tarnfold::batch {

class BatchOffice {
public:
    // The documents go to `documentsFolder`: lock files the office leaves
    // there when it is ended are removed with it.
    explicit BatchOffice(std::string documentsFolder);
    ~BatchOffice();
    BatchOffice(const BatchOffice&) = delete;
    BatchOffice& operator=(const BatchOffice&) = delete;

    word::LibreOfficeServer& Server() { return *server_; }

    // What ends the office and removes its profile and its lock files at once, from any thread,
    // for a program that is about to end without unwinding; it holds copies,
    // so it stays valid after this object is gone.
    std::function<void()> EndingAction() const;

private:
    void Cleanup() const;

    std::string documentsFolder_;
    std::filesystem::file_time_type started_ = std::filesystem::file_time_type::clock::now();
    std::string profileFolder_;
    std::string pipeName_;
    std::unique_ptr<word::LibreOfficeServer> server_;
};

}  // namespace tarnfold::batch
