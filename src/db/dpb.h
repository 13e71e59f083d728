#pragma once
// The database parameter block sent with the attach call, built from
// "name=value" parameter lines.

#include <string>
#include <vector>

namespace tarnfold::db {

// Version-1 block from the lines in order. The name (before the first "=") is
// lower-cased and loses a leading "isc_dpb_"; the value is everything after
// that "=", sent in code page 1251. A line whose name is empty after trimming
// (no "=", or nothing before it) is skipped. A name that is no parameter of the
// block, or one this program does not send, throws Error before anything
// reaches the server.
std::string BuildDpb(const std::vector<std::string>& lines);

// The block with the item that tells the client the database name is UTF-8
// rather than in the system's code page. Clients older than Firebird 2.5 do
// not know the item and read the name in the code page all the same.
std::string WithUtf8FileName(std::string dpb);

}  // namespace tarnfold::db
