#pragma once
// The word processors the batch writes through. For .doc templates an office
// of the batch's own, started for the batch and ended with it, since nobody
// looks at its documents: a headless LibreOffice on Linux, Word by automation
// on Windows (the build picks the file). For .docx templates the native
// back-end, where the build has one.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "word/word.h"

namespace tarnfold::batch {

class BatchOffice {
public:
    // The documents go to `documentsFolder`: what the office leaves there
    // when it is ended is removed with it. Nothing is started yet.
    explicit BatchOffice(std::string documentsFolder);
    ~BatchOffice();
    BatchOffice(const BatchOffice&) = delete;
    BatchOffice& operator=(const BatchOffice&) = delete;

    word::Server& Server();

    // Starts the office now, so that one that cannot start is told once, up
    // front. Throws Error with the reason.
    void Start();

    // What ends the office and removes what it left at once, from any thread,
    // for a program that is about to end without unwinding; it holds copies,
    // so it stays valid after this object is gone.
    std::function<void()> EndingAction() const;

    // --convert-templates: every .doc of `folder` written once as .docx into
    // `outFolder` (the same folder when empty), one line per template on
    // `out`. Returns the exit code of the conversion; throws UsageError where
    // the build cannot convert, Error when the office cannot be started.
    int ConvertTemplates(const std::string& folder, const std::string& outFolder, std::ostream& out);

    // --check-templates: the bookmarks of a template as the export's word
    // processor for it sees them, every spelling and every occurrence. Throws
    // Error when the file is no Word document it reads, or the office fails.
    std::vector<std::string> TemplateBookmarks(const std::string& path);

private:
    class Parts;
    std::unique_ptr<Parts> parts_;
};

// How the batch's texts name its office: "LibreOffice" or "Word".
std::string_view BatchOfficeName();

// The help's paragraph on where the office is looked for, with its line ends;
// empty when there is nothing to tell.
std::string_view BatchOfficeHelp();

// The native .docx back-end, or null where the build has none.
std::unique_ptr<word::Server> NativeDocxServer();

// Whether the office itself fills .docx templates where the build has no
// native back-end for them: Word reads and writes .docx as its own format.
bool OfficeFillsDocx();

}  // namespace tarnfold::batch
