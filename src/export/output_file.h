#pragma once
// The output document on disk while a run fills it. The user's earlier report
// under the output name is never touched until the new one is complete: the
// run fills a working copy beside it and puts the finished document in its
// place in one step; a run that fails or is aborted keeps what it filled under
// a name that says so.

#include <cstddef>
#include <optional>
#include <string>

namespace tarnfold {

// The working copy in the same folder: "~tf-" and the output's file name. No
// output name begins so (they begin with "№"), so it never meets a report.
std::string WorkingDocumentPath(const std::string& outputPath);

// "… (не завершено).doc": where an unfinished run keeps its document.
std::string UnfinishedDocumentPath(const std::string& outputPath);

// The file a run holds locked while it writes the report, so that a second
// run on the same report is refused: ".~tf-", the output's name and "#".
std::string RunLockPath(const std::string& outputPath);

// The most bytes that any name a run makes from the output's name (the
// working copy, the unfinished copy, their partial copies and the lock files
// of the run and of the office) adds to it.
std::size_t RunNameAddition();
// The longest file name the file systems take, in bytes.
inline constexpr std::size_t LongestFileName = 255;

// Whether the file named `fileName` beside the report is what a run on the
// report leaves only while it writes: the working copy, or a partial copy of
// the report, the working copy or the unfinished copy that a writer has not
// yet renamed into place. Found there while the run's lock is held, such a
// file was left by a run that died.
bool IsPartialRunFile(const std::string& fileName, const std::string& outputPath);

// Removes beside the report what IsPartialRunFile recognises; only while
// the run's lock is held.
void RemovePartialRunFiles(const std::string& outputPath);

// Why an existing output file must not be replaced, before anything is
// written: it is write-protected. Nothing when it may be replaced or does
// not exist.
std::optional<std::string> WriteProtectionRefusal(const std::string& outputPath);

// Why an existing output file must not be replaced: another program holds it
// open (an office lock file beside it; on Windows, a file nobody may share).
// Nothing when it may be replaced or does not exist.
std::optional<std::string> HeldOpenRefusal(const std::string& outputPath);

// "Документ … сейчас записывает другая выгрузка": a second run on a report
// that a run is writing.
std::string BusyOutputMessage(const std::string& outputPath);

}  // namespace tarnfold
