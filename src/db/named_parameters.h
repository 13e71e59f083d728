#pragma once
// Statements are written with named parameters (":ntbl"); the client library
// takes positional markers ("?").

#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::db {

struct PositionalStatement {
    std::string sql;                 // the text with every ":name" replaced by "?"
    std::vector<std::string> names;  // the name of each marker, in order, lower-cased
};

// A name is a letter or "_" followed by letters, digits, "_" or "$", taken
// whole (":god_def" is one name, never ":god" followed by text). Names inside
// quoted literals, delimited identifiers and comments are left alone.
PositionalStatement ToPositional(std::string_view sql);

}  // namespace tarnfold::db
