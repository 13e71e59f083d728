#pragma once
// The output document on disk while a run fills it. The user's earlier report
// under the output name is never touched until the new one is complete: the
// run fills a working copy beside it and puts the finished document in its
// place in one step; a run that fails or is aborted keeps what it filled under
// a name that says so.

#include <optional>
#include <string>

namespace tarnfold {

// The working copy in the same folder: "~tf-" and the output's file name. No
// output name begins so (they begin with "№"), so it never meets a report.
std::string WorkingDocumentPath(const std::string& outputPath);

// "… (не завершено).doc": where an unfinished run keeps its document.
std::string UnfinishedDocumentPath(const std::string& outputPath);

// Why an existing output file must not be replaced, before anything is
// written: it is write-protected, or another program holds it open (an office
// lock file beside it; on Windows, a file nobody may share). Nothing when it
// may be replaced or does not exist.
std::optional<std::string> OutputRefusal(const std::string& outputPath);

}  // namespace tarnfold
