#pragma once
// Looks into a running office through a connection of its own, to see what
// the back-end left there: which documents are open, their text, whether
// their window shows.

#include <memory>
#include <string>
#include <vector>

#include "word/libreoffice/libreoffice.h"

namespace tarnfold::testing {

struct OpenDocumentState {
    std::string path;  // empty for a document never saved
    std::string text;  // the body text
    bool modified = false;
    bool visible = false;
    std::string selected;  // what the view cursor spans
};

class OfficeProbe {
public:
    explicit OfficeProbe(const word::LibreOfficeOptions& options);
    ~OfficeProbe();
    std::vector<OpenDocumentState> Documents();
    // Closes the open document saved at `path`, as its user would.
    void CloseDocument(const std::string& path);
    // Whether the office's application Basic has the library, and read-only.
    bool HasReadOnlyLibrary(const std::string& name);
    // Takes the library out of the office's application Basic.
    void RemoveLibrary(const std::string& name);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tarnfold::testing
