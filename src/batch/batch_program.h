#pragma once
// The batch program from its command line to its exit code.

#include <ostream>
#include <string>
#include <vector>

namespace tarnfold::batch {

// Exit codes besides those of the documents (0, 1, 130).
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDatabase = 3;
inline constexpr int kExitOffice = 4;

// `programFolder` holds Tarnfold.ini; kvel.ini is in its parent folder. What
// it prints reaches the terminal's streams through a ConsoleTextBuffer.
int RunBatchProgram(const std::vector<std::string>& arguments, const std::string& programFolder,
                    std::ostream& terminalOut, std::ostream& terminalErr, bool liveProgress);

// The message for a database that cannot be opened, with the way out when a
// local file is held by another process.
std::string DatabaseFailureMessage(const std::string& databaseName, const std::string& error);

}  // namespace tarnfold::batch
