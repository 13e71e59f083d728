#pragma once
// An office for a program nobody watches (the batch): a headless LibreOffice
// with a profile and a pipe of this process, so that it never shares the
// window program's office (nor another batch's). It is started at the first
// need and ended with this object, and what it left is removed.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "word/libreoffice/libreoffice.h"

namespace tarnfold::word {

class HeadlessOffice {
public:
    // The documents go to `documentsFolder`: what the office leaves there
    // when it is ended is removed with it. Nothing is started yet.
    explicit HeadlessOffice(std::string documentsFolder);
    ~HeadlessOffice();
    HeadlessOffice(const HeadlessOffice&) = delete;
    HeadlessOffice& operator=(const HeadlessOffice&) = delete;

    LibreOfficeServer& Server() { return *server_; }

    // What ends the office and removes what it left at once, from any thread,
    // for a program that is about to end without unwinding; it holds copies,
    // so it stays valid after this object is gone.
    std::function<void()> EndingAction() const;

private:
    std::string documentsFolder_;
    std::filesystem::file_time_type started_ = std::filesystem::file_time_type::clock::now();
    std::string profileFolder_;
    std::string pipeName_;
    std::unique_ptr<LibreOfficeServer> server_;
};

}  // namespace tarnfold::word
