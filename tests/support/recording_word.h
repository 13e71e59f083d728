#pragma once
// A word processor that only records what is asked of it, for unit tests of
// the order of calls. Every call lands in one shared list as a line of text,
// e.g. "HasBookmark z0001_000_00" or "InsertBeforeBookmark z0007_001_03 12,5".
// Documents hold a set of bookmark names; a call can be made to fail.

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/error.h"
#include "word/word.h"

namespace tarnfold::word {

struct Recording {
    std::vector<std::string> calls;
    std::set<std::string> bookmarks;         // the template's bookmarks
    std::optional<std::string> failingCall;  // first word of the call that throws
    std::string failureText = "recorded failure";
    bool failToStart = false;

    void Note(const std::string& call) {
        calls.push_back(call);
        if (failingCall && call.compare(0, failingCall->size(), *failingCall) == 0 &&
            (call.size() == failingCall->size() || call[failingCall->size()] == ' '))
            throw Error(failureText);
    }
};

class RecordingDocument : public BookmarkDocument {
public:
    explicit RecordingDocument(Recording& recording) : recording_(recording) {}
    void SaveAs(const std::string& path) override { recording_.Note("SaveAs " + path); }
    bool HasBookmark(const std::string& name) override {
        recording_.Note("HasBookmark " + name);
        return recording_.bookmarks.count(name) != 0;
    }
    void TypeAtBookmark(const std::string& name, const std::string& text) override {
        recording_.Note("TypeAtBookmark " + name + " " + text);
    }
    void InsertBeforeBookmark(const std::string& name, const std::string& text) override {
        recording_.Note("InsertBeforeBookmark " + name + " " + text);
    }
    void GoToBookmark(const std::string& name) override { recording_.Note("GoToBookmark " + name); }
    void Save() override { recording_.Note("Save"); }

private:
    Recording& recording_;
};

class RecordingApplication : public Application {
public:
    explicit RecordingApplication(Recording& recording) : recording_(recording) {}
    std::shared_ptr<Document> OpenWorkingDocument(const std::string& templatePath) override {
        recording_.Note("OpenWorkingDocument " + templatePath);
        return std::make_shared<RecordingDocument>(recording_);
    }
    void Show() override { recording_.Note("Show"); }

private:
    Recording& recording_;
};

class RecordingServer : public Server {
public:
    explicit RecordingServer(Recording& recording) : recording_(recording) {}
    std::unique_ptr<Application> CreateApplication() override {
        recording_.Note("CreateApplication");
        if (recording_.failToStart) throw Error("cannot start");
        return std::make_unique<RecordingApplication>(recording_);
    }
    void PrepareTemplate(const std::string& templatePath) override {
        recording_.Note("PrepareTemplate " + templatePath);
    }

private:
    Recording& recording_;
};

}  // namespace tarnfold::word
