#pragma once
// The batch program from its command line to its exit code.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "export/export_run.h"
#include "settings/settings.h"

namespace tarnfold::batch {

// Exit codes besides those of the documents (0, 1, 130).
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDatabase = 3;
inline constexpr int kExitOffice = 4;

// Where the batch takes its lists and rows from, for as long as it lives.
class BatchRows {
public:
    virtual ~BatchRows() = default;
    virtual RowSource Rows() = 0;
};

// Opens the rows the settings name; null once the reason is told on `err`.
using RowOpener = std::function<std::unique_ptr<BatchRows>(const std::string& programFolder, const Settings& settings,
                                                           std::ostream& err)>;

// The host's database, as the window opens it.
std::unique_ptr<BatchRows> OpenDatabaseRows(const std::string& programFolder, const Settings& settings,
                                            std::ostream& err);

// `programFolder` holds Tarnfold.ini; kvel.ini is in its parent folder. What
// it prints reaches the terminal's streams through a ConsoleTextBuffer.
int RunBatchProgram(const std::vector<std::string>& arguments, const std::string& programFolder,
                    std::ostream& terminalOut, std::ostream& terminalErr, bool liveProgress,
                    const RowOpener& openRows = OpenDatabaseRows);

// The message for a database that cannot be opened, with the way out when a
// local file is held by another process.
std::string DatabaseFailureMessage(const std::string& databaseName, const std::string& error);

}  // namespace tarnfold::batch
