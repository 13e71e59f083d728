#pragma once
// A file name as a C library of this system reads it. On Windows a client
// library takes names in the ANSI code page (1251 on a Russian desktop); a
// name with a character that code page lacks can only go as UTF-8, which the
// library must be told of. Elsewhere names are UTF-8 already.

#include <string>
#include <string_view>

namespace tarnfold {

struct ClientFileName {
    std::string bytes;
    // The bytes are UTF-8 where the system's code page is another one.
    bool utf8 = false;
    // The system's code page for names, for a message (0 where it is UTF-8).
    unsigned codePage = 0;
};

ClientFileName FileNameForClient(std::string_view utf8);

}  // namespace tarnfold
