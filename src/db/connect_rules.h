#pragma once
// How the start-up connection is named and parameterised, and what the user is
// told when it fails.

#include <string>
#include <vector>

#include "db/data_module.h"

namespace tarnfold::db {

inline constexpr char kConnectionFailedMessage[] =
    "Невозможно установить соединение с базой данных\rЗа дополнительной информацией обратитесь к администратору!";

// With the locator file missing, DBPath is a folder and the file name is
// joined to it with a separator (a folder typed without its final backslash
// must not be glued to the name); otherwise DBPath is the database name itself.
std::string DatabaseNameFor(const ConnectionSettings& settings);

// "user_name=SYSDBA", "lc_ctype=WIN1251", then the password line: built from
// the bare password when the locator file is missing, the locator's line as it
// stands otherwise.
std::vector<std::string> ParameterLines(const ConnectionSettings& settings);

// DBPassword as the failure message may show it: the secret itself never
// appears. A bare password reads "***"; a parameter line keeps its name and
// "=" ("password=***"); a line without "=" reads "***"; empty stays empty.
std::string HiddenPassword(const ConnectionSettings& settings);

// The database name, a carriage return and the hidden password, with "1 " in
// front when the locator file is missing.
std::string FirstFailureMessage(const ConnectionSettings& settings);

}  // namespace tarnfold::db
