#pragma once
// What the database tests share: attaching as the program does, and the
// databases whose contents the checks know.

#include <memory>
#include <string>
#include <vector>

#include "db/client_library.h"
#include "db/connection.h"
#include "db/data_module.h"

namespace tarnfold::db::testing {

std::shared_ptr<const ClientLibrary> SystemLibrary();

// user_name=SYSDBA, lc_ctype=WIN1251 and, when given, the password.
std::shared_ptr<Attachment> Attach(const std::string& name, const std::string& password = {});

// Runs a statement that returns no rows and commits it, in a connection of its own.
void ExecuteAndCommit(const std::string& name, const std::string& password, const std::string& sql);

// A table "figures" with a column of every type the reading rules name.
extern const char kAllTypesSql[];
// Checks what kAllTypesSql reads as through `attachment`.
void CheckAllTypes(const std::shared_ptr<Attachment>& attachment);

// The mapping table of two report tables: table 1 mapped for 2010 and 2011,
// table 2 for 2010 only, each with a "god" row and one with an underscore.
extern const char kMappingSql[];
// The year-fallback mapping statement as the export runs it.
extern const char kFallbackMappingStatement[];
void CheckFallbackMapping(const std::shared_ptr<Attachment>& attachment);

// KODIF with padded CHAR codes and Cyrillic names, and twelve periods.
extern const char kReferenceSql[];

// What the connecting code told the user.
struct RecordingUi : ConnectUi {
    std::vector<std::string> messages;
    int endRequests = 0;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void RequestEnd() override { ++endRequests; }
};

}  // namespace tarnfold::db::testing
